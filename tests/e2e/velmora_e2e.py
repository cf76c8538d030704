#!/usr/bin/python3
"""End-to-end checks of the real velmora binary: under a virtual display, driven through the
accessibility tree (AT-SPI), against printer-sim. Run inside xvfb-run and dbus-run-session:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 velmora_e2e.py BUILD_DIR
"""
import json
import os
import subprocess
import sys
import tempfile
import time

# A runtime folder of its own, so that no other session's accessibility bus is found; set
# before pyatspi connects.
os.environ["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="velmora-e2e-run-")

import pyatspi  # noqa: E402


class Failure(Exception):
    pass


def wait_for(what, predicate, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}")


def descendants(node):
    try:
        for child in filter(None, node):
            yield child
            yield from descendants(child)
    except Exception:  # a node that went away while walking
        return


def find(node, role, name=None):
    return next((n for n in descendants(node) if n.getRoleName() == role and name in (None, n.name)), None)


def click(node):
    node.queryAction().doAction(0)  # Press for buttons, Toggle for check boxes and options


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


class Session:
    """velmora with its own settings, its own accessibility bus and printer-sim on COM1."""

    def __init__(self, build, settings, sim_args=()):
        self.home = tempfile.mkdtemp(prefix="velmora-e2e-")
        config = os.path.join(self.home, "config", "Velmora")
        os.makedirs(config)
        with open(os.path.join(config, "Velmora.conf"), "w") as f:
            f.write("[Properties]\n" + "".join(f"{k}={v}\n" for k, v in settings.items()))
        self.report = os.path.join(self.home, "report.json")
        self.procs = []
        try:  # nothing started may outlive a failed start
            self._start(build, sim_args)
        except BaseException:
            self.close()
            raise

    def _start(self, build, sim_args):
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        data = os.path.join(self.home, "data")
        env = dict(os.environ, XDG_DATA_HOME=data, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QT_QPA_PLATFORM="xcb")
        self.procs.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet))
        self.procs.append(subprocess.Popen([os.path.join(build, "tools", "printer-sim"), "--data", data,
                                            "--report", self.report, *sim_args], **quiet))
        wait_for("the simulated printer", lambda: os.path.exists(self.report))
        # Qt asks for the accessibility bus once, when it starts: the bus must answer first.
        wait_for("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], **quiet).returncode == 0, 30)
        for attempt in (1, 2):
            self.procs.append(subprocess.Popen([os.path.join(build, "app", "velmora")], env=env, **quiet))
            try:
                self.app = wait_for("velmora on the accessibility bus", lambda: next(
                    (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Velmora"), None), 30)
                break
            except Failure:
                self.procs.pop().kill()
                if attempt == 2:
                    raise
        self.main = wait_for("the main window", lambda: find(self.app, "frame", " Download"))

    def file(self, name, data):
        with open(os.path.join(self.home, name), "wb") as f:
            f.write(data)
        return f.name

    def set_path(self, path):
        wait_for("the file box", lambda: find(self.main, "text", "File")).queryEditableText().setTextContents(path)

    def button(self, name, scope=None):
        return wait_for(f"button {name}", lambda: find(scope or self.app, "push button", name))

    def alert(self, timeout):
        """Waits for a message box; returns its texts and presses its OK."""
        box = wait_for("a message box", lambda: find(self.app, "alert"), timeout)
        texts = [box.name] + [n.name for n in descendants(box) if n.getRoleName() == "label" and n.name]
        click(find(box, "push button", "OK"))
        wait_for("the message box to close", lambda: find(self.app, "alert") is None)
        return texts

    def downloads(self):
        with open(self.report) as f:
            return json.load(f)["downloads"]

    def close(self):
        for p in self.procs:
            p.terminate()
        for p in self.procs:
            p.wait(10)


def expect(condition, what):
    if not condition:
        raise Failure(what)


def window(build):
    """The window as a screen reader finds it and drives it: every control named, the reactions to Toggle, then
    a firmware load with checksum over a real line."""
    data = os.urandom(3015)
    s = Session(build, {"Lingua": "2000"})
    try:
        named = {"push button", "check box", "radio button", "combo box", "text", "menu item", "panel"}
        unnamed = [f"{n.getRoleName()} under {n.parent.name!r}" for n in descendants(s.main)
                   if n.getRoleName() in named and not n.name]
        expect(not unnamed, f"controls without a name: {unnamed}")
        # On Linux a combo box is named by its value; its label reaches it through a relation.
        for name in ("Port", "BAUD:", "Parity", "DATA Bit", "STOP Bit"):
            targets = [r.getTarget(0) for r in find(s.main, "label", name).getRelationSet()
                       if r.getRelationType() == pyatspi.RELATION_LABEL_FOR]
            expect(targets and targets[0].getRoleName() == "combo box", f"label {name} names its combo box")

        def state(checked, sensitive, path):
            st = find(s.main, "check box", "CheckSum").getState()
            return (st.contains(pyatspi.STATE_CHECKED), st.contains(pyatspi.STATE_SENSITIVE),
                    text_of(find(s.main, "text", "File"))) == (checked, sensitive, path)

        # Toggle changes values without a click: the reactions still run. A new operation drops the file.
        for role, name, after in (("check box", "CheckSum", (True, True, "x")), ("radio button", "EXTERN FONTS", (False, False, "")),
                                  ("radio button", "FIRMWARE", (False, True, "")), ("check box", "CheckSum", (True, True, "x")),
                                  ("radio button", "from BOARD", (True, True, "x"))):
            s.set_path("x")
            click(find(s.main, role, name))
            wait_for(f"the reaction to {name}", lambda: state(*after))
        s.set_path(s.file("FW.BIN", data))
        click(s.button("DOWNLOAD"))
        texts = s.alert(90)
        expect("Download has ended" in texts and "Turn printer off / on" in texts, f"end: {texts}")
        checksum = 0
        for b in data:
            checksum ^= b
        d = s.downloads()
        expect([(x["code"], x["length"], x["announcedChecksum"], x["checksum"], x["received"]) for x in d] ==
               [("3", 3015, checksum, "ok", 3016)], f"the download: {d}")
        expect(d[0]["firstDataTime"] - d[0]["headerTime"] >= 7.9, "the 8-second gap before the data")
    finally:
        s.close()


if __name__ == "__main__":
    try:
        window(sys.argv[1])
    except Failure as e:
        sys.exit(f"FAIL: {e}")
    print("PASS")
