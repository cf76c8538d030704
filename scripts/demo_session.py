#!/usr/bin/python3
"""The window demo: a firmware download with checksum, the release check and an interrogation against
printer-sim, with screenshots. It fails unless the simulated printer took the whole image with a right
checksum after the 8-second wait. Run inside xvfb-run and dbus-run-session: demo_session.py BUILD_DIR"""
import hashlib
import json
import os
import re
import subprocess
import sys
import time

from atspi_session import Session, click, descendants, find, text_of, wait_for

build = sys.argv[1]
shots = os.environ.get("DEMO_SHOTS", os.getcwd())
os.makedirs(shots, exist_ok=True)


def shot(name):
    subprocess.run(["import", "-window", "root", "-trim", "+repage", os.path.join(shots, name)], check=False)
    print(f"screenshot: {os.path.join(shots, name)}")


# A window manager gives frames and titles, as an operator sees the windows.
wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1)
s = Session(build, {"Check": "1", "BaudRate": "5"})  # 57600: the line runs at 56000 baud
try:
    image = os.urandom(5000) + b"Release: 1.05\0" + os.urandom(1000)
    s.set_path(s.file("DEMO.BIN", image))
    time.sleep(0.5)
    shot("main-window.png")

    def ports_window(item, title, search, close, name):
        """The ports window from its menu item: the printer found, a screenshot, closed again."""
        click(wait_for("the ports menu item", lambda: find_item(item)))
        window = wait_for("the ports window", lambda: find(s.app, "dialog", title))
        click(s.button(search, window))
        wait_for("the search's end", lambda: any(n.getRoleName() == "label" and ("answered" in n.name or "risposto" in n.name)
                                                 for n in descendants(window)), 30)
        time.sleep(0.5)
        shot(name)
        click(s.button(close, window))

    def find_item(name):
        return find(s.main, "menu item", name)
    ports_window("Porte...", "Porte", "Trova la stampante", "Chiudi", "ports-window.png")
    click(s.button("DOWNLOAD"))
    print("downloading: 8 s before the data, then the 25-second end wait ...")

    # The dialog's second line: the time left it says at its first redraw with bytes, against the real end.
    def time_left():
        for n in descendants(s.app):
            m = n.getRoleName() == "label" and re.fullmatch(r"\d+/\d+ B · \d+ B/s · mancano (\d+):(\d\d)", n.name or "")
            if m:
                return time.time(), int(m.group(1)) * 60 + int(m.group(2)), n.name
        return None
    first_at, said, line = wait_for("the bytes and the time left", time_left, 30)
    time.sleep(0.5)
    shot("progress-dialog.png")
    print("message:", " / ".join(s.alert(90)))
    real = time.time() - first_at
    print(f"time left at the first redraw with bytes: {said} s said ({line!r}), {real:.1f} s real")
    if abs(said - real) > 0.15 * real:
        sys.exit(f"FAIL: the time left said, {said} s, is not within 15 % of {real:.1f} s")
    click(s.button("Controllo versioni firmware"))
    wait_for("the printer's release", lambda: text_of(find(s.main, "text", "FW su scheda:")))
    click(wait_for("the menu item", lambda: find(s.main, "menu item", "Test Stampante...")))
    window = wait_for("the interrogation window", lambda: find(s.app, "dialog", " Interroga Stampante"))
    click(s.button("TEST", window))
    wait_for("the replies", lambda: text_of(find(window, "text", "FLASH:")))
    shot("interrogation.png")
    click(s.button("Quit", window))
    click(wait_for("the English menu item", lambda: find(s.main, "menu item", "English")))
    wait_for("English captions", lambda: find(s.main, "push button", "Check firmware releases"))
    time.sleep(0.5)
    shot("main-window-en.png")
    ports_window("Ports...", "Ports", "Find the printer", "Close", "ports-window-en.png")
    print("printer-sim report:")
    with open(s.report) as f:
        print(f.read())
    checksum = 0
    for b in image:
        checksum ^= b
    got = [(d["code"], d["length"], d["announcedChecksum"], d["checksum"], d["received"], d["firstDataTime"] - d["headerTime"] >= 7.9)
           for d in s.downloads()]
    want = [("3", len(image), checksum, "ok", len(image) + len(image) % 2, True)]
    if got != want:
        sys.exit(f"FAIL: the printer's report: want {want}, got {got}")
    print("the report holds the whole image, its checksum right, after the 8-second wait")
    # The same printer from the command line, then the service record: both downloads, each with the file's SHA-256.
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(s.home, "data"), XDG_CONFIG_HOME=os.path.join(s.home, "config"))
    cli = os.path.join(build, "cli", "velmora-cli")
    subprocess.run([cli, "download", s.file("CLI.BIN", image), "--port", "COM1", "--turbo", "--line", "57600,N,8,1",
                    "--quiet"], env=env, check=True, stdout=subprocess.DEVNULL)
    jobs = [json.loads(line) for line in subprocess.run([cli, "history", "--json"], env=env, capture_output=True,
                                                        text=True, check=True).stdout.splitlines()]
    sha = hashlib.sha256(image).hexdigest()
    got = sorted((j["face"], j["kind"], j["sha256"] == sha) for j in jobs if j["event"] == "job" and j["kind"] == "download")
    if got != [("command line", "download", True), ("window", "download", True)]:
        sys.exit(f"FAIL: the service record: {got}")
    print("the service record holds both downloads, the window's and the command line's, with the file's SHA-256")
    # Three printers updated at once from the update window: the one on COM1 and two more.
    s.sim(2, "--release", "1.03")
    s.sim(3, "--release", "1.05", "--model", "PX-7000")
    s.set_path(s.file("NEW.BIN", os.urandom(20000) + b"Release: 1.07\0" + os.urandom(20000)))
    click(wait_for("the update menu item", lambda: find_item("Update printers...")))
    update = wait_for("the update window", lambda: find(s.app, "dialog", "Update printers"))
    wait_for("the file's release", lambda: find(update, "label", "Release in the file: 1.07"))
    click(s.button("Find the printers", update))
    wait_for("the search's end", lambda: find(update, "label", "3 printers answered."), 30)
    click(s.button("Start", update))
    wait_for("three printers loading", lambda: sum(" B · " in (n.name or "") for n in descendants(update)
                                                    if n.getRoleName() == "label") == 3, 60)
    time.sleep(0.3)
    shot("update-window.png")
    click(s.button("Cancel all", update))
    print("the update window loaded three printers at once")
finally:
    s.close()
    wm.terminate()
