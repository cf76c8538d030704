// Owns a group of precompiled headers; no code of its own.
