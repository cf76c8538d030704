#!/usr/bin/python3
"""End-to-end checks of the real velmora binary: under a virtual display, driven through the
accessibility tree (AT-SPI), against printer-sim. Run inside xvfb-run and dbus-run-session:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 velmora_e2e.py BUILD_DIR CASE
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

ASCII_SETTINGS = "[Properties]\n{}\n"


class Failure(Exception):
    pass


def wait_for(what, predicate, timeout):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}")


def descendants(node):
    try:
        for child in node:
            if child is None:
                continue
            yield child
            yield from descendants(child)
    except Exception:  # a node that went away while walking
        return


def find(node, role, name=None):
    for n in descendants(node):
        try:
            if n.getRoleName() == role and (name is None or n.name == name):
                return n
        except Exception:
            continue
    return None


def click(node):
    node.queryAction().doAction(0)


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


class Session:
    def __init__(self, build, settings, sim_args=(), window_manager=False):
        self.home = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.data = os.path.join(self.home, "data")
        config = os.path.join(self.home, "config", "Velmora")
        os.makedirs(config)
        with open(os.path.join(config, "Velmora.conf"), "w") as f:
            f.write(ASCII_SETTINGS.format("\n".join(f"{k}={v}" for k, v in settings.items())))
        self.report = os.path.join(self.home, "report.json")
        self.bus = self.sim = self.app_proc = self.wm = None
        try:
            if window_manager:  # frames and titles, as an operator sees the windows
                self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(1)
            self._start(build, sim_args)
        except BaseException:
            self.close()  # nothing started may outlive a failed start
            raise

    def _start(self, build, sim_args):
        env = dict(os.environ, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QT_QPA_PLATFORM="xcb")
        self.bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.sim = subprocess.Popen([os.path.join(build, "tools", "printer-sim"), "--data", self.data,
                                     "--report", self.report, *sim_args],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the simulated printer", lambda: os.path.exists(self.report), 10)
        # Qt asks for the accessibility bus once, when it starts: the bus must answer first.
        wait_for("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0, 30)
        for attempt in (1, 2):
            self.app_proc = subprocess.Popen([os.path.join(build, "app", "velmora")], env=env,
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                self.app = wait_for("velmora on the accessibility bus", self._find_app, 30)
                break
            except Failure:
                self.app_proc.kill()
                self.app_proc.wait()
                if attempt == 2:
                    raise
        self.main = wait_for("the main window", lambda: find(self.app, "frame", " Download"), 10)
        self.alerts_seen = []

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "Velmora":
                return app
        return None

    def file(self, name, data):
        path = os.path.join(self.home, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def button(self, name, scope=None):
        return wait_for(f"button {name}", lambda: find(scope or self.app, "push button", name), 10)

    def alert(self, timeout):
        """Waits for a message box; returns its texts and presses its OK."""
        box = wait_for("a message box", lambda: find(self.app, "alert"), timeout)
        texts = [n.name for n in descendants(box) if n.getRoleName() == "label" and n.name]
        texts.insert(0, box.name)
        self.alerts_seen.append(texts)
        click(find(box, "push button", "OK"))
        wait_for("the message box to close", lambda: find(self.app, "alert") is None, 10)
        return texts

    def downloads(self):
        with open(self.report) as f:
            return json.load(f)["downloads"]

    def close(self):
        started = [p for p in (self.app_proc, self.sim, self.bus, self.wm) if p is not None]
        for p in started:
            p.terminate()
        for p in started:
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()


def expect(condition, what):
    if not condition:
        raise Failure(what)


def firmware(build):
    data = os.urandom(3001)
    checksum = 0
    for b in data:
        checksum ^= b
    s = Session(build, {"Check": "1"})
    try:
        path = s.file("FW.BIN", data)
        set_path(s, path)
        click(s.button("DOWNLOAD"))
        texts = s.alert(90)
        expect("Download terminato." in texts and "Spegnere e riaccendere la stampante" in texts, f"end: {texts}")
        d = s.downloads()
        expect(len(d) == 1 and d[0]["code"] == "3" and d[0]["length"] == 3001, f"header: {d}")
        expect(d[0]["announcedChecksum"] == checksum and d[0]["checksum"] == "ok", f"checksum: {d}")
        expect(d[0]["received"] == 3002, "3001 bytes and the pad byte")
        expect(d[0]["firstDataTime"] - d[0]["headerTime"] >= 7.9, "the 8-second gap before the data")
    finally:
        s.close()


def set_path(s, path):
    box = wait_for("the file box", lambda: find(s.main, "text", "File"), 10)
    box.queryEditableText().setTextContents(path)


def external_fonts(build):
    s = Session(build, {"Operazione": "2", "ChkTurbo": "1", "BaudRate": "5"})
    try:
        set_path(s, s.file("EXT.SHC", os.urandom(1376257)))
        click(s.button("DOWNLOAD"))
        texts = s.alert(150)
        expect("Download terminato." in texts, f"end: {texts}")
        d = s.downloads()
        expect([(x["code"], x["length"], x["received"]) for x in d] == [(":", 1376256, 1376256), (";", 1, 1)],
               f"parts: {d}")
        expect(d[1]["headerTime"] - d[0]["lastDataTime"] >= 24.5, "the 25-second pause between the parts")
    finally:
        s.close()


def parallel_standard_fonts(build):
    s = Session(build, {"Porta": "10", "Operazione": "1", "ChkTurbo": "1"}, ["--lpt"])
    try:
        set_path(s, s.file("STD.SHF", os.urandom(70000)))
        click(s.button("DOWNLOAD"))
        texts = s.alert(90)
        expect("Download terminato." in texts, f"end: {texts}")
        d = s.downloads()
        expect(len(d) == 1 and d[0]["code"] == "1" and d[0]["received"] == 70000, f"LPT1: {d}")
        expect(len(d[0]["pauses"]) == 1, "one 2-second pause after 65536 bytes with Turbo")
    finally:
        s.close()


def queries(build):
    s = Session(build, {"File": "", "Porta": "0"}, ["--release", "1.07"])
    try:
        set_path(s, s.file("FW.BIN", os.urandom(9000) + b"Release: 1.05\0" + os.urandom(100)))
        click(s.button("Controllo versioni firmware"))
        board = wait_for("the printer's release",
                         lambda: text_of(find(s.main, "text", "FW su scheda:")) or None, 10)
        expect(text_of(find(s.main, "text", "File BIN:")) == "1.05" and board == "1.07", f"release check: {board}")
        menu = wait_for("the menu item", lambda: find(s.main, "menu item", "Test Stampante..."), 10)
        click(menu)
        window = wait_for("the interrogation window", lambda: find(s.app, "dialog", " Interroga Stampante"), 10)
        click(s.button("TEST", window))
        flash = wait_for("the flash reply", lambda: text_of(find(window, "text", "FLASH:")) or None, 10)
        expect(text_of(find(window, "text", "Modello:")) == "PX-9000" and flash == "FLASH 4M 29F040",
               "the three replies")
        click(s.button("Quit", window))
    finally:
        s.close()


def hang_up(build):
    s = Session(build, {"ChkTurbo": "1", "BaudRate": "5"}, ["--hang-up-after", "20000"])
    try:
        set_path(s, s.file("FW.BIN", os.urandom(300000)))
        click(s.button("DOWNLOAD"))
        texts = s.alert(60)
        expect(any("COM1" in t for t in texts), f"the failure names the port: {texts}")
        time.sleep(3)
        expect(find(s.app, "alert") is None and len(s.alerts_seen) == 1, "one message only")
        expect(not any("Download terminato." in t for t in texts), "no success after a failure")
    finally:
        s.close()


def demo(build):
    """A firmware download with checksum and an interrogation, with screenshots."""
    shots = os.environ.get("DEMO_SHOTS", os.getcwd())
    os.makedirs(shots, exist_ok=True)

    def shot(name):
        subprocess.run(["import", "-window", "root", "-trim", "+repage", os.path.join(shots, name)], check=False)
        print(f"screenshot: {os.path.join(shots, name)}")

    s = Session(build, {"Check": "1"}, window_manager=True)
    try:
        set_path(s, s.file("DEMO.BIN", os.urandom(20000) + b"Release: 1.05\0" + os.urandom(4000)))
        time.sleep(0.5)
        shot("main-window.png")
        click(s.button("DOWNLOAD"))
        time.sleep(9)
        shot("progress-dialog.png")
        print("downloading: 8 s before the data, then the 25-second end wait ...")
        print("message:", " / ".join(s.alert(90)))
        click(s.button("Controllo versioni firmware"))
        wait_for("the printer's release", lambda: text_of(find(s.main, "text", "FW su scheda:")) or None, 10)
        click(wait_for("the menu item", lambda: find(s.main, "menu item", "Test Stampante..."), 10))
        window = wait_for("the interrogation window", lambda: find(s.app, "dialog", " Interroga Stampante"), 10)
        click(s.button("TEST", window))
        wait_for("the replies", lambda: text_of(find(window, "text", "FLASH:")) or None, 10)
        shot("interrogation.png")
        click(s.button("Quit", window))
        click(wait_for("the English menu item", lambda: find(s.main, "menu item", "English"), 10))
        wait_for("English captions", lambda: find(s.main, "push button", "Check firmware releases"), 10)
        time.sleep(0.5)
        shot("main-window-en.png")
        print("printer-sim report:")
        with open(s.report) as f:
            print(f.read())
    finally:
        s.close()


def accessibility(build):
    """Every control is found by a name and a role, as a screen reader finds it."""
    s = Session(build, {"Lingua": "2000"})
    try:
        named = {"push button", "check box", "radio button", "combo box", "text", "menu item", "panel"}
        unnamed = [f"{n.getRoleName()} under {n.parent.name!r}" for n in descendants(s.main)
                   if n.getRoleName() in named and not n.name]
        expect(not unnamed, f"controls without a name: {unnamed}")
        # On Linux a combo box is named by its value; its label reaches it through a relation.
        for name in ("Port", "BAUD:", "Parity", "DATA Bit", "STOP Bit"):
            label = find(s.main, "label", name)
            expect(label is not None, f"label {name}")
            targets = [r.getTarget(0) for r in label.getRelationSet()
                       if r.getRelationType() == pyatspi.RELATION_LABEL_FOR]
            expect(targets and targets[0].getRoleName() == "combo box", f"label {name} names its combo box")
        for role, name in (("text", "File"), ("text", "BIN file:"), ("text", "Fw on board:"),
                           ("push button", "DOWNLOAD"), ("push button", "EXIT"), ("check box", "Turbo"),
                           ("radio button", "from RAMCARD"), ("menu item", "Printer Test...")):
            expect(find(s.main, role, name) is not None, f"{role} {name}")

        # A screen reader's Toggle changes values without a click: the reactions still run.
        def states(name):
            st = find(s.main, "check box", name).getState()
            return st.contains(pyatspi.STATE_CHECKED), st.contains(pyatspi.STATE_SENSITIVE)

        def after(toggle, what, expected):
            click(find(s.main, *toggle))  # doAction(0) is Toggle for these
            wait_for(what, lambda: expected(), 10)

        after(("check box", "CheckSum"), "CheckSum ticked", lambda: states("CheckSum") == (True, True))
        set_path(s, "/srv/FW.BIN")
        after(("radio button", "EXTERN FONTS"), "the file box emptied, CheckSum cleared and disabled",
              lambda: not text_of(find(s.main, "text", "File")) and states("CheckSum") == (False, False))
        after(("radio button", "FIRMWARE"), "CheckSum enabled", lambda: states("CheckSum") == (False, True))
        after(("check box", "CheckSum"), "CheckSum ticked", lambda: states("CheckSum") == (True, True))
        after(("radio button", "from RAMCARD"), "CheckSum cleared and disabled by the RAM card",
              lambda: states("CheckSum") == (False, False))
    finally:
        s.close()


CASES = {"accessibility": accessibility, "demo": demo, "firmware": firmware, "external-fonts": external_fonts, "parallel": parallel_standard_fonts,
         "queries": queries, "hang-up": hang_up}

if __name__ == "__main__":
    build, case = sys.argv[1], sys.argv[2]
    try:
        CASES[case](build)
    except Failure as e:
        print(f"FAIL {case}: {e}")
        sys.exit(1)
    print(f"PASS {case}")
