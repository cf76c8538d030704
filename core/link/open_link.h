#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"

class SerialControl;

// Opens the download link on the download's serial control: nothing when it is open afterwards,
// already was, or the link is "LPT1"; else why not. A port or line without a selection is
// refused without trying.
Failure openSerialLink(const LinkChoice& link, SerialControl& port);
