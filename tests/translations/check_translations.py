#!/usr/bin/env python3
"""The catalogues in translations/ against the sources: lupdate run afresh finds no text that is
new (unfinished) or gone (obsolete); every Italian text is there, with the same arguments as its
English; velmora_en.ts holds the plural forms and nothing else.
    check_translations.py SOURCE_DIR LUPDATE"""
import os, re, subprocess, sys, tempfile, xml.etree.ElementTree as ET

source_dir, lupdate = sys.argv[1], sys.argv[2]
faults = []
ARGS = re.compile(r"%(?:n|L?[1-9][0-9]?)")


def messages(path):
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for m in context.iter("message"):
            yield name, m


def entries(path):
    return {(c, m.findtext("source")) for c, m in messages(path)}


def check(path, *, plural_only):
    base = os.path.basename(path)
    numerus = 0
    for context, m in messages(path):
        source = m.findtext("source")
        where = f"{base}: {context}: {source!r}"
        t = m.find("translation")
        kind = t.get("type") if t is not None else "missing"
        if kind in ("unfinished", "obsolete", "vanished", "missing"):
            faults.append(f"{where}: {kind}")
            continue
        plural = m.get("numerus") == "yes"
        numerus += plural
        if plural_only and not plural:
            faults.append(f"{where}: not a plural form")
        forms = [f.text or "" for f in t.iter("numerusform")] if plural else [t.text or ""]
        for form in forms:
            if not form.strip():
                faults.append(f"{where}: no translation")
            elif sorted(set(ARGS.findall(form))) != sorted(set(ARGS.findall(source))):
                faults.append(f"{where}: arguments {sorted(set(ARGS.findall(form)))} in {form!r}")
    return numerus


with tempfile.TemporaryDirectory() as fresh:
    env = dict(os.environ, PATH=os.path.dirname(lupdate) + os.pathsep + os.environ.get("PATH", ""))
    subprocess.run(["bash", os.path.join(source_dir, "scripts", "update-translations"), fresh], check=True, env=env,
                   stdout=subprocess.DEVNULL)
    for name in sorted(os.listdir(os.path.join(source_dir, "translations"))):
        if not name.endswith(".ts"):
            continue
        kept, updated = os.path.join(source_dir, "translations", name), os.path.join(fresh, name)
        for gone in sorted(entries(kept) - entries(updated)):
            faults.append(f"{name}: {gone[0]}: {gone[1]!r}: obsolete (no source says it)")
        plurals = check(updated, plural_only=name == "velmora_en.ts")
        if plurals == 0:
            faults.append(f"{name}: no plural form at all")

for f in faults:
    print(f)
print(f"{len(faults)} fault(s) in the catalogues" if faults else "catalogues complete")
sys.exit(1 if faults else 0)
