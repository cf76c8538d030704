#!/usr/bin/python3
"""Drives the real velmora window through the accessibility tree (AT-SPI), as a screen reader does, against
printer-sim on COM1. Used by the window demo and the end-to-end test; run inside xvfb-run and
dbus-run-session."""
import json
import os
import subprocess
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
        self.build = build
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

    def sim(self, com, *args):
        """Another printer-sim, linked as COMn; returns the folder its images go to."""
        store = os.path.join(self.home, f"images{com}")
        report = os.path.join(self.home, f"report{com}.json")
        self.procs.append(subprocess.Popen(
            [os.path.join(self.build, "tools", "printer-sim"), "--data", os.path.join(self.home, "data"), "--com",
             str(com), "--report", report, "--store", store, *args], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))
        wait_for(f"the simulated printer on COM{com}", lambda: os.path.exists(report))
        return store

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
