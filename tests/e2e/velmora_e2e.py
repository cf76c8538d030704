#!/usr/bin/python3
"""The real velmora binary as a screen reader finds it, under a virtual display (driven by the demo's
AT-SPI driver). Run inside xvfb-run and dbus-run-session:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 velmora_e2e.py BUILD_DIR [window|update]
"""
import os
import shutil
import sqlite3
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from atspi_session import Failure, Session, click, descendants, find, pyatspi, text_of, wait_for  # noqa: E402


def expect(condition, what):
    if not condition:
        raise Failure(what)


def window(build):
    """Every control found by its role and name, and a Toggle on each choice running the choice's reaction."""
    s = Session(build, {"Lingua": "2000"})
    try:
        named = {"push button", "check box", "radio button", "combo box", "text", "menu item", "panel"}
        unnamed = [f"{n.getRoleName()} under {n.parent.name!r}" for n in descendants(s.main)
                   if n.getRoleName() in named and not n.name]
        expect(not unnamed, f"controls without a name: {unnamed}")
        controls = {"push button": ["DOWNLOAD", "EXIT", "Browse...", "Check firmware releases"],
                    "check box": ["CheckSum", "Turbo"],
                    "radio button": ["FIRMWARE", "STANDARD FONTS", "EXTERN FONTS", "from BOARD", "from RAMCARD"],
                    "text": ["File", "BIN file:", "Fw on board:"],
                    "panel": ["Download", "BOOT selection", "Transmission parameters", "FW check", "File"],
                    "menu item": ["Default...", "Restore Default", "Save as Default", "Factory settings",
                                  "Printer Test...", "Language", "Italiano", "English"]}
        missing = [f"{role} {name!r}" for role, names in controls.items() for name in names if not find(s.main, role, name)]
        expect(not missing, f"controls not found: {missing}")
        # On Linux a combo box is named by its value; its label reaches it through a relation.
        for name in ("Port", "BAUD:", "Parity", "DATA Bit", "STOP Bit"):
            targets = [r.getTarget(0) for r in find(s.main, "label", name).getRelationSet()
                       if r.getRelationType() == pyatspi.RELATION_LABEL_FOR]
            expect(targets and targets[0].getRoleName() == "combo box", f"label {name} names its combo box")

        def state():
            def has(role, name, st):
                return int(find(s.main, role, name).getState().contains(st))
            return (f"CheckSum {has('check box', 'CheckSum', pyatspi.STATE_CHECKED)}"
                    f"{has('check box', 'CheckSum', pyatspi.STATE_SENSITIVE)} "
                    f"Turbo {has('check box', 'Turbo', pyatspi.STATE_CHECKED)} "
                    f"release {has('push button', 'Check firmware releases', pyatspi.STATE_SENSITIVE)} "
                    f"File {text_of(find(s.main, 'text', 'File'))!r}")

        # Toggle changes a value without a click; the reactions still run. Each row starts with "x" as the file.
        # CheckSum 11: checked and enabled.
        for role, name, after in (
                ("check box", "CheckSum", "CheckSum 11 Turbo 0 release 1 File 'x'"),
                ("radio button", "STANDARD FONTS", "CheckSum 11 Turbo 0 release 0 File ''"),
                ("radio button", "EXTERN FONTS", "CheckSum 00 Turbo 0 release 0 File ''"),
                ("radio button", "FIRMWARE", "CheckSum 01 Turbo 0 release 1 File ''"),
                ("radio button", "from RAMCARD", "CheckSum 00 Turbo 0 release 1 File 'x'"),
                ("radio button", "from BOARD", "CheckSum 01 Turbo 0 release 1 File 'x'"),
                ("check box", "Turbo", "CheckSum 01 Turbo 1 release 1 File 'x'")):
            s.set_path("x")
            click(find(s.main, role, name))
            try:
                wait_for(f"the reaction to {name}", lambda: state() == after, 5)
            except Failure:
                raise Failure(f"Toggle {name}: want {after}, got {state()}")
    finally:
        s.close()


def update(build):
    """Three simulated printers that restart with the file's release, updated at once from the update window: each
    row says verified with its new release, each image arrives whole, and the record holds three update rows."""
    restart = ("--restart-after", "3")
    # The line of the main window applies: 57600 with Turbo.
    first = tempfile.mkdtemp(prefix="velmora-e2e-images-")
    s = Session(build, {"Lingua": "2000", "BaudRate": "5", "ChkTurbo": "1"}, ("--store", first, *restart))
    try:
        stores = [first, s.sim(2, *restart), s.sim(3, *restart)]
        data = os.urandom(2000) + b"Release: 1.07\0" + os.urandom(2001)
        s.set_path(s.file("NEW.BIN", data))
        click(wait_for("the menu item", lambda: find(s.main, "menu item", "Update printers...")))
        dialog = wait_for("the update window", lambda: find(s.app, "dialog", "Update printers"))
        wait_for("the file's release", lambda: find(dialog, "label", "Release in the file: 1.07"))
        click(s.button("Find the printers", dialog))
        for port in ("COM1", "COM2", "COM3"):
            wait_for(f"{port} ticked", lambda: find(dialog, "check box", port).getState().contains(
                pyatspi.STATE_CHECKED), 20)
        click(s.button("Start", dialog))

        def states():
            return {n.name.split(":")[0]: n.name.split(": ", 1)[1] for n in descendants(dialog)
                    if n.getRoleName() == "label" and n.name[:5] in ("COM1:", "COM2:", "COM3:")}
        try:
            wait_for("every printer verified", lambda: set(states().values()) == {"verified"}, 150)
        except Failure:
            raise Failure(f"the rows: {states()}")
        afters = sorted(n.name for n in descendants(dialog) if n.getRoleName() == "label" and n.name == "1.07")
        expect(len(afters) == 3, f"each row's release after: {afters}")
        for store in stores:
            images = sorted(os.listdir(store)) if os.path.isdir(store) else []
            expect(len(images) == 1, f"one image in {store}: {images}")
            with open(os.path.join(store, images[0]), "rb") as f:
                expect(f.read()[:len(data)] == data, f"the image in {store}, byte for byte")
        record = os.path.join(s.home, "data", "Velmora", "history.sqlite")
        rows = wait_for("three update rows", lambda: sorted(sqlite3.connect(record).execute(
            "SELECT port, face, outcome, release_after FROM jobs WHERE kind = 'update'").fetchall()) or None, 10)
        expect(rows == [(f"COM{i}", "window", "verified", "1.07") for i in (1, 2, 3)], f"the record: {rows}")
    finally:
        s.close()
        shutil.rmtree(first, ignore_errors=True)


if __name__ == "__main__":
    try:
        {"window": window, "update": update}[sys.argv[2] if len(sys.argv) > 2 else "window"](sys.argv[1])
    except Failure as e:
        sys.exit(f"FAIL: {e}")
    print("PASS")
