#!/usr/bin/python3
"""The real velmora-cli against printer-sim, one case of the table per run:

    velmora_cli_test.py BUILD_DIR CASE
"""
import fcntl
import hashlib
import json
import shutil
import os
import pty
import re
import signal
import socket
import sqlite3
import struct
import termios
import threading
import subprocess
import sys
import tempfile
import time
from functools import reduce

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pg_server  # noqa: E402

FAST = ["--turbo", "--line", "57600,N,8,1"]


class Bench:
    def __init__(self, build):
        self.build = build
        self.home = tempfile.mkdtemp(prefix="velmora-cli-")
        # No stored language: the locale's decides (Italian here; English where a case says so).
        self.env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES")}
        self.env.update(XDG_DATA_HOME=os.path.join(self.home, "data"), XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        LANG="it_IT.UTF-8")
        self.sims = []

    def ports(self):
        return os.path.join(self.env["XDG_DATA_HOME"], "Velmora", "ports")

    def sim(self, com=1, *args):
        """A printer-sim linked as COMn; returns once it says it listens (its links are made)."""
        report = os.path.join(self.home, f"report{com}.json")
        store = os.path.join(self.home, f"images{com}")
        sim = subprocess.Popen(
            [os.path.join(self.build, "tools", "printer-sim"), "--data", self.env["XDG_DATA_HOME"], "--com", str(com),
             "--report", report, "--store", store, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.sims.append(sim)
        for _ in range(args.count("--lpt") + 1):
            expect("listening" in sim.stdout.readline(), f"printer-sim on COM{com} did not start")
        return report, store

    def file(self, name, data):
        with open(os.path.join(self.home, name), "wb") as f:
            f.write(data)
        return f.name

    def printer_fifo(self, name):
        """A FIFO standing in for a parallel printer, read as it goes; returns its path and what it took so far."""
        path = os.path.join(self.home, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.mkfifo(path)
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
        got = []

        def read():
            while True:
                try:
                    block = os.read(fd, 65536)
                except BlockingIOError:
                    block = None
                if block:
                    got.append(block)
                else:
                    time.sleep(0.01)
        threading.Thread(target=read, daemon=True).start()
        return path, lambda: (time.sleep(0.2), b"".join(got))[1]

    def cli(self, *args):
        return subprocess.Popen([os.path.join(self.build, "cli", "velmora-cli"), *args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def on_terminal(self, columns, *args, lang=None):
        """velmora-cli with its stderr on a terminal of that width; returns it and a function giving what it drew."""
        master, slave = pty.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        env = dict(self.env, LANG=lang) if lang else self.env
        p = subprocess.Popen([os.path.join(self.build, "cli", "velmora-cli"), *args], env=env,
                             stdout=subprocess.PIPE, stderr=slave, text=True)
        os.close(slave)
        drawn = []
        reader = threading.Thread(target=lambda: drain(master, drawn), daemon=True)
        reader.start()
        return p, lambda: (reader.join(10), b"".join(drawn).decode())[1]

    def run(self, *args):
        p = self.cli(*args)
        out, err = p.communicate(timeout=240)
        return p.returncode, out, err

    def close(self):
        for s in self.sims:
            s.terminate()
            s.communicate(timeout=10)
        self.sims = []


def drain(fd, into):
    try:
        while chunk := os.read(fd, 4096):
            into.append(chunk)
    except OSError:  # the terminal is gone
        pass


def progress_lines(drawn):
    """What a terminal showed of the progress: each redraw, without the line clearing."""
    return [part.replace("\x1b[K", "") for part in re.split(r"[\r\n]", drawn) if part.startswith("[")]


def downloads(report):
    with open(report) as f:
        return json.load(f)["downloads"]


def image(store, n, code):
    with open(os.path.join(store, f"image-{n}-{code}.bin"), "rb") as f:
        return f.read()


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def firmware_with_checksum(b):
    report, store = b.sim()
    data = os.urandom(3001)
    p, drawn = b.on_terminal(100, "download", b.file("FW.BIN", data), "--checksum", "--verbose", *FAST)
    status, err = p.wait(240), drawn()
    expect(status == 0 and "Spegnere e riaccendere la stampante" in err, f"end: {status} {err}")
    # What will go out, said first; with --verbose each header with its time; the waits count down.
    checksum = reduce(lambda a, b: a ^ b, data)
    expect(re.search(r"FW\.BIN, 3001 byte, a COM1 \(/dev/pts/\d+\) @ 56000,N,8,1: firmware sulla scheda, con checksum, "
                     rf"Turbo sì; intestazione \?Z3&3001,{checksum}\r\n", err), f"start: {err[:300]!r}")
    expect(re.search(rf"\n +0\.\d\d s  intestazione \?Z3&3001,{checksum}\r\n", err), f"header: {err[:400]!r}")
    expect("attesa di 8 s per la stampante: 7 s" in err and "attesa finale di 25 s: 1 s" in err, "countdowns")
    expect("QString" not in err and "QObject" not in err, f"nothing but the command's own words: {err[:300]!r}")
    # Time left counts the 25-second end wait, from the first redraw on; the bar is 20 places, a # for each 5 %.
    bars = [re.match(r"\[(#*)(\.*)\] (\d+)% .* (\d+) s alla fine$", x) for x in progress_lines(err) if "alla fine" in x]
    # (The first estimate rests on the first chunks' pace, which a busy machine slows: no bound above.)
    expect(bars and min(int(m[4]) for m in bars) == 25, f"time left: {[m[4] for m in bars]}")
    wrong = [m[0] for m in bars if len(m[1] + m[2]) != 20 or len(m[1]) != int(m[3]) // 5]
    expect(not wrong, f"the bar: {wrong[:1]}")
    d = downloads(report)
    expect([(x["code"], x["length"], x["checksum"]) for x in d] == [("3", 3001, "ok")], f"header: {d}")
    expect(image(store, 1, "3")[:3001] == data, "the image, byte for byte")


def external_fonts(b):
    report, _ = b.sim()
    status, out, err = b.run("download", b.file("E.SHC", os.urandom(5001)), "--operation", "external-fonts",
                             *FAST, "--json")
    events = [json.loads(line) for line in out.splitlines()]
    expect(events[0]["schema"] == 1 and all("schema" not in e for e in events[1:]), "the schema, once")
    times = [e.pop("time") for e in events]
    expect(times == sorted(times) and 35 < times[-1] < 50, f"times: {times[:3]}..{times[-1]}")
    # printer-sim is a pty, which shows no queue: sent, not confirmed.
    expect(status == 0 and events[-1] == {"event": "result", "command": "download", "exit": 0, "outcome": "sent",
                                          "confirmed": False, "message": "Spegnere e riaccendere la stampante",
                                          "sent": 5001, "taken": 5001, "total": 5001, "midImage": False}, f"result: {events[-1:]}")
    expect({"event": "phase", "phase": "printer-wait", "seconds": 10} in events, "the wait after the header")
    expect({"event": "header", "header": "?Z:&5001"} in events and events[0]["turbo"] is True, f"start: {events[0]}")
    expect([(x["code"], x["received"]) for x in downloads(report)] == [(":", 5001)], "one part, no pad byte")
    # The manual page documents every event and field a run prints, and nothing a run never prints.
    emitted = events + [json.loads(line) for args in (
        ["download", b.file("B.BIN", b"ab"), "--port", "COM5"], ["download", b.file("C.SHF", b"ab"), "--port", "COM1"],
        ["download", b.file("Z.BIN", b"")], ["query", "--port", "COM5"],
        ["query", "--port", "COM1", "--line", "57600,N,8,1"], ["check-release", b.file("R.BIN", b"Release: 1\0"),
        "--port", "COM1", "--line", "57600,N,8,1"], ["check-release", b.file("N.BIN", b"none")], ["ports"],
        ["ports", "--probe", "--line", "57600,N,8,1"], ["ports", "--link", "COM3=/dev/null"], ["ports", "--unlink", "COM3"],
        ["ports", "--link", "COM1=/dev/null"], ["history"],
        ["download", "--port", "COM0", b.file("D.BIN", b"ab")]) for line in b.run(*args, "--json")[1].splitlines()]
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "cli", "velmora-cli.1")) as f:
        documented = [json.loads(line.replace("\\-", "-")) for line in f if line.startswith('{"event"')]
    kind = lambda e: (e["event"], e.get("command"))
    for e in emitted:
        keys = set(e) - {"time", "schema"}
        expect(any(kind(d) == kind(e) and keys <= set(d) for d in documented), f"undocumented: {e}")
    for d in documented:
        seen = set().union(*[set(e) for e in emitted if kind(e) == kind(d)] or [set()])
        expect(not seen or set(d) - {"time", "schema"} <= seen | {"time"}, f"never printed: {set(d) - seen}")


def query_and_releases(b):
    b.sim(1, "--model", "PX-1\x1b]2;TITLE\x07", "--release", "1.07")
    status, out, _ = b.run("query", "--port", "COM1", "--line", "57600,N,8,1")
    expect(status == 0 and out == "model: PX-1\\x1b]2;TITLE\\x07\nrelease: 1.07\nflash: FLASH 4M 29F040\n",
           f"query, control characters escaped: {status} {out!r}")
    # The raw trace: each byte each way, with its time and port.
    trace = os.path.join(b.home, "trace.txt")
    status, _, _ = b.run("query", "--port", "COM1", "--line", "57600,N,8,1", "--trace-file", trace)
    with open(trace) as f:
        lines = f.read().splitlines()
    expect(status == 0 and re.fullmatch(r" +\d+\.\d{6} COM1   > 21 30 +\|!0\|", lines[0]) and
           any(re.search(r"COM1   < .*\|1\.07", line) for line in lines), f"--trace-file: {lines[:4]}")
    # Who answers where: COM1 at the chosen line; nothing but the handshake and the model query went to it.
    status, out, _ = b.run("ports", "--probe", "--json", "--line", "57600,N,8,1")
    found = json.loads(out.splitlines()[-1])["found"]
    expect(status == 0 and [(f["port"], f["line"], f["model"]) for f in found] ==
           [("COM1", "57600,N,8,1", "PX-1\x1b]2;TITLE\x07")], f"probe: {status} {out}")
    # Naming a device: --link makes the link, --unlink takes only it; someone else's entry only with --replace.
    device = os.path.realpath(os.path.join(b.ports(), "COM1"))
    # Never to what no name may use, nor to a device another name leads to, nor with a control character.
    for target, words in (("/dev/null", "not a terminal device"), (device, "COM1 leads there already"),
                          (b.home + "/none", "No such file"), (device + "\nCOM5 /dev/ttyS4", "a control character")):
        status, _, err = b.run("ports", "--link", f"COM3={target}", "--lang", "en")
        expect(status == 4 and words in err and not os.path.lexists(os.path.join(b.ports(), "COM3")),
               f"--link COM3={target!r}: {status} {err!r}")
    os.rename(os.path.join(b.ports(), "COM1"), os.path.join(b.ports(), "COM1.away"))
    status, out, _ = b.run("ports", "--link", f"COM3={device}", "--lang", "en")
    expect(status == 0 and out == f"COM3 leads to {device}\n" and os.readlink(os.path.join(b.ports(), "COM3")) == device,
           f"--link: {status} {out!r}")
    status, out, _ = b.run("query", "--port", "COM3", "--line", "57600,N,8,1")
    expect(status == 0 and out.startswith("model: PX-1"), f"COM3 reaches the printer: {status} {out!r}")
    status, out, _ = b.run("ports", "--unlink", "COM3", "--lang", "en")
    expect(status == 0 and out == "COM3 leads to /dev/ttyS2 again\n" and not os.path.lexists(os.path.join(b.ports(), "COM3"))
           and os.path.exists(device), f"--unlink: {status} {out!r}")
    os.rename(os.path.join(b.ports(), "COM1.away"), os.path.join(b.ports(), "COM1"))
    other_master, other = pty.openpty()
    status, _, err = b.run("ports", "--link", f"COM1={os.ttyname(other)}", "--lang", "en")
    expect(status == 4 and "--replace replaces it" in err and os.path.realpath(os.path.join(b.ports(), "COM1")) == device,
           f"someone else's entry: {status} {err!r}")
    # A device that no name points to, by its path.
    device = os.path.realpath(os.path.join(b.ports(), "COM1"))
    os.rename(os.path.join(b.ports(), "COM1"), os.path.join(b.ports(), "COM1.away"))
    status, out, _ = b.run("query", "--port", device, "--line", "57600,N,8,1", "--json")
    expect(status == 0 and json.loads(out.splitlines()[-1])["flash"] == "FLASH 4M 29F040", f"query {device}: {out!r}")
    os.rename(os.path.join(b.ports(), "COM1.away"), os.path.join(b.ports(), "COM1"))
    # Stored choices name COM4, where nothing is: --no-stored takes the built-in COM1.
    os.makedirs(os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora"))
    with open(os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora", "Velmora.conf"), "w") as f:
        f.write("[Properties]\nPorta=3\n")
    for args, want in ((["query"], 4), (["query", "--no-stored"], 0)):
        status, _, _ = b.run(*args)
        expect(status == want, f"{args}: {status}")
    os.remove(f.name)
    path = b.file("FW.BIN", b"MZ Release: 1.05\0rest")
    status, out, _ = b.run("check-release", path)
    expect(status == 7 and out == "file: 1.05\nprinter: 1.07\nequal: no\n", f"different: {status} {out}")
    row = sqlite3.connect(os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite")).execute(
        "SELECT file_release, release, outcome FROM jobs WHERE kind = 'release-check' ORDER BY id DESC").fetchone()
    expect(row == ("1.05", "1.07", "different"), f"the release check's row: {row}")
    for name, data in (("NOREL.BIN", b"MZ no marker"), ("EMPTYREL.BIN", b"MZ Release: \0"), ("END.BIN", b"Release:  ")):
        status, out, _ = b.run("check-release", b.file(name, data), "--json")
        expect(status == 8 and json.loads(out.splitlines()[-1])["error"] == "file-no-release", f"{name}: {out}")
    b.file("FW.BIN", b"MZ Release: 1.07\0rest")
    status, out, _ = b.run("check-release", path, "--json")
    expect(status == 0 and json.loads(out.splitlines()[-1])["equal"] is True, f"equal: {status} {out}")
    b.close()
    b.sim(1, "--silent")
    status, out, err = b.run("check-release", path, "--lang", "en", "--json")
    result = json.loads(out.splitlines()[-1])
    expect(status == 6 and "WARNING: printer OFF-Line" in out and result["error"] == "printer-no-answer",
           f"silent: {status} {out}")


def hang_up(b):
    # The pty takes the whole image at once; a 2400-baud line cannot carry it in under 83 s, so a hang-up
    # after 3000 bytes is a failure, not the printer restarting after a complete load.
    report, _ = b.sim(1, "--baud", "2400", "--hang-up-after", "3000")
    status, _, err = b.run("download", b.file("FW.BIN", os.urandom(20000)), "--turbo", "--line", "2400,N,8,1")
    expect(status == 5 and "COM1" in err and "la stampante ha chiuso la linea" in err and "terminato" not in err,
           f"hang-up: {status} {err}")
    expect(downloads(report)[0]["received"] < 20000, "the printer did not get the whole image")


def interrupted(b):
    report, _ = b.sim(1)
    p, drawn = b.on_terminal(30, "download", b.file("FW.BIN", os.urandom(300000)), "--no-turbo", "--line",
                             "57600,N,8,1", lang="en_GB.UTF-8")  # the locale speaks English
    deadline = time.time() + 30
    while time.time() < deadline and not any(x["received"] > 2000 for x in downloads(report)):
        time.sleep(0.2)
    p.send_signal(signal.SIGINT)
    out, _ = p.communicate(timeout=10)
    time.sleep(0.5)
    received = downloads(report)[0]["received"]
    time.sleep(2)
    expect(p.returncode == 130, f"status {p.returncode}")
    expect(downloads(report)[0]["received"] == received < 300000, "nothing more on the wire after Ctrl+C")
    said = re.fullmatch(r"COM1: interrupted after (\d+) of 300000 bytes; nothing more was sent; the printer holds "
                        r"part of an image: switch it off and on before the next download\n", out)
    expect(said and received <= int(said.group(1)) < 300000, f"what was sent, said: {out!r}")
    drawn_text = drawn()
    expect("Turn printer off / on" in drawn_text and "waits for the rest" in drawn_text,
           f"the printer left mid-image, said: {drawn_text[-400:]!r}")
    # A narrow terminal: each redraw fits its line, so none wraps into a new one.
    lines = progress_lines(drawn_text)
    expect(len(lines) > 10 and max(map(len, lines)) <= 29, f"progress on 30 columns: {lines[:3]}")


def eight_at_once(b):
    sims = [b.sim(com) for com in range(1, 9)]
    files = [os.urandom(5000 + 1000 * n) for n in range(8)]
    runs = [b.cli("download", b.file(f"F{n}.BIN", files[n]), "--port", f"COM{n + 1}", *FAST, *["--quiet"][:n < 1])
            for n in range(8)]
    printer, printed = b.printer_fifo("lpt.out")
    os.symlink(printer, os.path.join(b.ports(), "LPT1"))
    lpt = b.cli("download", b.file("L.BIN", files[0]), "--port", "LPT1", "--turbo")
    # A USB parallel adapter by its path is sent to as LPT1.
    usb, usb_printed = b.printer_fifo("usb/lp0")
    usb_run = b.cli("download", b.file("U.BIN", files[1]), "--port", usb, "--turbo", "--json")
    # The same device twice, by the same name or another: refused before anything is sent; the first goes on.
    time.sleep(1)
    for port, target in (("COM1", None), ("LPT1", None), ("LPT1", os.readlink(os.path.join(b.ports(), "COM2")))):
        if target:
            os.remove(os.path.join(b.ports(), "LPT1"))
            os.symlink(target, os.path.join(b.ports(), "LPT1"))
        status, out, _ = b.run("download", b.file("X.BIN", b"xx"), "--port", port, *FAST, "--json")
        result = json.loads(out.splitlines()[-1])
        # A terminal under LPT1 is no printer, whoever holds it.
        expect(status == 4 and result["error"] == ("port-not-printer" if target else "port-busy"),
               f"second on {port} ({target}): {status} {out}")
    # Held by another program: said so first, then the window's words for it.
    status, _, err = b.run("download", b.file("X.BIN", b"xx"), "--port", "COM2", *FAST)
    expect(status == 4 and re.search(r"COM2 \(/dev/pts/\d+\): .*\) \u2014 ATTENZIONE! La porta COM è già aperta", err),
           f"busy, said: {err!r}")
    lpt.communicate(timeout=120)
    expect(lpt.returncode == 0 and printed() == b"?Z4&5000\n" + files[0], "LPT1: one header, one image")
    out, _ = usb_run.communicate(timeout=120)
    expect(usb_run.returncode == 0 and usb_printed() == b"?Z4&6000\n" + files[1] and
           json.loads(out.splitlines()[0])["port"] == "LPT1", f"/dev/usb/lp0 by its path: {usb_run.returncode}")
    for n, run in enumerate(runs):
        out, err = run.communicate(timeout=120)
        expect(run.returncode == 0, f"COM{n + 1}: {run.returncode}")
        # --quiet: the result line on stdout, nothing else.
        expect(n or (out == "COM1: inviato, 5000 di 5000 byte; la linea non dice quanto la stampante ha preso\n"
                     and err == ""), f"--quiet: {out!r} {err!r}")
        expect(image(sims[n][1], 1, "4")[:len(files[n])] == files[n], f"COM{n + 1}: the image, byte for byte")
    # Eight writers side by side, not one row lost: each download's row complete, with its file's SHA-256.
    _, out, _ = b.run("history", "--json", "--outcome", "sent")
    rows = {j["port"]: j for j in map(json.loads, out.splitlines()) if j["event"] == "job"}
    expect(all(rows.get(f"COM{n + 1}", {}).get("sha256") == hashlib.sha256(files[n]).hexdigest() and
               rows[f"COM{n + 1}"]["sent"] == len(files[n]) for n in range(8)), f"the record: {sorted(rows)}")


def bad_usage(b):
    path = b.file("F.BIN", b"abcd")
    for args in (["download"], ["download", path, "--line", "57601,N,8,1"], ["download", path, "--port", "COM11"],
                 ["download", path, "--checksum", "--boot", "ram"], ["download", path, "--bogus"], ["nonsense"],
                 ["download", path, "--checksum", "--operation", "external-fonts"], ["query", "extra"],
                 ["ports", "extra"], ["download", path, path], ["query", "--port", "LPT1"],
                 ["query", "--line", "57601,N,8,1"], ["download", path, "--boot", "flash"],
                 ["download", path, "--lang", "de"], ["ports", "--quiet", "--verbose"],
                 ["update", path, "--verify-timeout", "nan"], ["update", path, "--verify-timeout", "inf"],
                 ["history", "--outcome", "bogus"]):
        # --quiet hides progress, never why a command was refused.
        for quiet in ([], ["--quiet"]):
            status, _, err = b.run(*args, *quiet)
            expect(status == 2 and err, f"{args + quiet}: {status}")
    # A font file behind a firmware header is refused, unless asked for.
    fonts = b.file("F.SHC", b"abcd")
    status, _, err = b.run("download", fonts, "--operation", "firmware")
    expect(status == 2 and "F.SHC is no firmware file (*.BIN)" in err, f"mismatch: {status} {err}")
    status, _, _ = b.run("download", fonts, "--any-extension", "--port", "LPT1")
    expect(status == 4, f"--any-extension: {status}")
    # A name of no operation goes out, as the window sends it.
    status, _, err = b.run("download", b.file("FW.HEX", b"abcd"), "--operation", "firmware", "--port", "LPT1")
    expect(status == 4 and "FW.HEX" in err, f"FW.HEX: {status} {err}")
    # A stored external-font operation does not put a firmware behind a font header.
    os.makedirs(os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora"), exist_ok=True)
    with open(os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora", "Velmora.conf"), "w") as f:
        f.write("[Properties]\nOperazione=2\n")
    status, _, err = b.run("download", path)
    expect(status == 2 and "F.BIN is no external-fonts file (*.SHC)" in err, f"stored operation: {status} {err}")
    # A port that leads nowhere: the cause, never "already open"; with --quiet one line each on stderr and stdout.
    # --no-stored leaves the service record alone, unless --record.
    record = sqlite3.connect(os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite"))
    rows = lambda: record.execute("SELECT COUNT(*) FROM jobs").fetchone()[0]
    before = rows()
    b.run("download", path, "--no-stored", "--record", "--port", "COM5")
    expect(rows() == before + 1, "--record")
    status, out, err = b.run("download", path, "--no-stored", "--port", "COM5", "--quiet")
    expect(rows() == before + 1, "--no-stored wrote to the record")
    expect(status == 4 and re.fullmatch(r"COM5: niente inviato: COM5 \(/dev/ttyS4\): [^\n]+\n", out) and
           err.count("\n") == 1 and "ATTENZIONE" not in err, f"--quiet: {out!r} {err!r}")
    # A refused file announces nothing before its refusal; the printer commands end with a result line too.
    status, out, err = b.run("download", b.home + "/NOPE.BIN", "--no-stored", "--port", "COM5")
    expect(status == 3 and "byte" not in err and out.startswith("COM5: niente inviato"), f"NOPE.BIN: {out!r} {err!r}")
    for command in (["query"], ["check-release", b.file("R.BIN", b"Release: 1.0\0")]):
        status, out, _ = b.run(*command, "--no-stored", "--port", "COM5")
        expect(status == 4 and re.fullmatch(r"COM5 \(/dev/ttyS4\): [^\n]+\n", out), f"{command}: {status} {out!r}")
    # A greyed Turbo box as stored paces as normal, as the window paces it, and the start line says so.
    with open(f.name, "w") as f:
        f.write("[Properties]\nChkTurbo=2\n")
    status, out, _ = b.run("download", path, "--port", "COM5", "--json")
    start = json.loads(out.splitlines()[0])
    expect(status == 4 and start["event"] == "start" and start["turbo"] is False, f"stored ChkTurbo=2: {start}")
    os.remove(f.name)
    status, _, err = b.run("download", path, "--bogus")
    expect("Unknown option 'bogus'" in err and "velmora-cli --help" in err, f"unknown option: {err}")
    status, out, _ = b.run("download", path, "--bogus", "--json")
    expect(status == 2 and json.loads(out.splitlines()[-1])["exit"] == 2, f"--json keeps its word: {out}")
    for command in (["download", path], ["query"], ["check-release", path]):
        status, out, err = b.run(*command, "--port", "COM0")
        expect(status == 2 and "no such port: COM0 (COM1 to COM10, LPT1, or a serial device's path)" in err, f"{command} COM0: {err}")
    os.makedirs(b.ports(), exist_ok=True)
    os.symlink("/dev/null", os.path.join(b.ports(), "COM2"))
    # Each command's help comes from its parser; the manual page names every option it lists.
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "cli", "velmora-cli.1")) as f:
        manual = f.read().replace("\\-", "-")
    for command in ("download", "query", "check-release", "ports", "update"):
        status, out, _ = b.run(command, "-h" if command == "download" else "--help")
        options = set(re.findall(r"^\s+(--[a-z-]+)", out, re.M))
        expect(status == 0 and out.startswith(f"Usage: velmora-cli {command}") and "--json" in options,
               f"{command} --help: {out}")
        expect(all(o in manual for o in options), f"{command}: options the manual page lacks: "
               f"{[o for o in options if o not in manual]}")
    # --version wherever it stands, and nothing else done.
    status, out, err = b.run("download", path, "--port", "COM0", "--version")
    expect(status == 0 and re.fullmatch(r"velmora-cli \S+\n", out) and err == "", f"--version: {out!r} {err!r}")
    # The window's program says its version without a display, and opens nothing.
    env = {k: v for k, v in b.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    app = subprocess.run([os.path.join(b.build, "app", "velmora"), "--version"], env=env, capture_output=True,
                         text=True, timeout=20)
    expect(app.returncode == 0 and app.stdout == out.replace("velmora-cli", "velmora"), f"velmora --version: {app}")
    # The exit statuses: the help's table, and the same statuses in the README and the manual page.
    status, out, _ = b.run("--help")
    listed = re.findall(r"^  (\d+) ", out.split("Exit status:")[1], re.M)
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md")) as f:
        readme = re.findall(r"^\| (\d+)[ ,]", f.read(), re.M)
    section = manual.split(".SH EXIT STATUS")[1].split(".SH")[0]
    in_manual = re.findall(r"^\.BR? (\d+)", section, re.M)
    expect(status == 0 and listed == readme == in_manual and listed[0] == "0" and "130" in listed,
           f"exit statuses: help {listed}, README {readme}, manual {in_manual}")
    status, out, err = b.run("ports", "--lang", "en")
    expect(status == 0 and err == "" and len(out.splitlines()) >= 11, f"ports: {err!r}")
    expect("unusable: not a terminal device" in out.splitlines()[1], f"ports: COM2 to /dev/null: {out}")


def special_files(b):
    """Files and devices that are not what they claim: refused at once, named, nothing created, no hang."""
    fifo = os.path.join(b.home, "F.BIN")
    os.mkfifo(fifo)
    lpt = os.path.join(b.ports(), "LPT1")
    os.makedirs(b.ports())
    for args, status, words in (
            (["download", fifo], 3, "è una FIFO"), (["check-release", fifo, "--port", "COM1"], 3, "è una FIFO"),
            (["download", "/dev/zero", "--lang", "en"], 3, "is not a regular file: it is a device"),
            (["check-release", b.file("E.BIN", b""), "--port", "COM1", "--lang", "en"], 3, "is empty"),
            (["download", sparse(b, "x%1y%2.BIN", 3 << 30), "--lang", "en"], 3,
             "x%1y%2.BIN is too big (3221225472 bytes)"),
            (["download", b.file("A\nB.BIN", b"ab"), "--port", "LPT1"], 4, "A\\x0aB.BIN, 2 byte, a LPT1 ("),
            (["download", b.file("R\udcff.BIN", b"ab"), "--port", "LPT1"], 4, "R\\xff.BIN, 2 byte, a LPT1 ("),
            (["download", sparse(b, "BIG.SHC", 3014657), "--operation", "external-fonts", "--json"], 3,
             '"headers":[]'),
            (["download", sparse(b, "BIG.SHC", 3014657), "--operation", "external-fonts", "--json"], 3,
             '"error":"file-too-big"'),
            (["download", b.file("G.BIN", b"ab"), "--port", "LPT1", "--json"], 4, "port-missing"),
            (["download", b.file("G.BIN", b"ab"), "--port", "LPT1", "--json"], 4, "port-no-reader")):
        if words == "port-no-reader":
            os.remove(lpt)
            os.mkfifo(lpt)
        elif args[-1] == "LPT1" or words == "port-missing":
            if not os.path.islink(lpt):
                os.symlink(os.path.join(b.home, "gone.out"), lpt)
        got, out, err = b.run(*args)
        expect(got == status and words in out + err, f"{args}: {got} {out} {err}")
    expect(not os.path.exists(os.path.join(b.home, "gone.out")), "a missing LPT1 is never created")
    files = [f for (f,) in sqlite3.connect(os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite")).execute(
        "SELECT file FROM jobs")]
    expect(os.path.join(b.home, "R\\xff.BIN") in files, f"a name the locale cannot hold, recorded as typed: {files}")
    # A FIFO in place of the settings file is never opened: the built-in defaults, said once.
    os.makedirs(os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora"))
    os.mkfifo(conf := os.path.join(b.env["XDG_CONFIG_HOME"], "Velmora", "Velmora.conf"))
    p = b.cli("query", "--port", "COM7", "--lang", "en")
    _, err = p.communicate(timeout=20)
    expect(p.returncode == 4 and err.count("are not used: a FIFO stands in its place") == 1, f"FIFO: {err}")
    os.remove(conf)
    # Ctrl+C acts at once in a large file's release search and on an LPT1 that takes nothing more.
    huge = sparse(b, "HUGE.BIN", 64 << 30)
    os.remove(lpt)
    os.mkfifo(lpt)
    reader = os.open(lpt, os.O_RDONLY | os.O_NONBLOCK)  # never read: the FIFO fills and stays full
    for args, after in ((["check-release", huge, "--port", "COM1"], 0.5), (["update", huge, "--port", "COM1"], 0.5),
                        (["download", b.file("L.BIN", os.urandom(200000)), "--port", "LPT1", "--turbo"], 10)):
        p = b.cli(*args)
        time.sleep(after)
        p.send_signal(signal.SIGINT)
        signalled = time.time()
        p.communicate(timeout=20)
        expect(p.returncode == 130 and time.time() - signalled < 2, f"{args[0]}: {p.returncode} after "
                                                                     f"{time.time() - signalled:.1f} s")
    os.close(reader)
    # A dropped SSH session ends a download as Ctrl+C does, and frees the port at once.
    b.sim(1)
    p = b.cli("download", b.file("H.BIN", os.urandom(3000)), *FAST, "--json")
    time.sleep(1)
    p.send_signal(signal.SIGHUP)
    out, _ = p.communicate(timeout=10)
    expect(p.returncode == 129 and json.loads(out.splitlines()[-1])["exit"] == 129, f"SIGHUP: {p.returncode} {out}")
    status, _, _ = b.run("query", "--port", "COM1")  # the printer still waits for its data: it may not answer
    expect(status in (0, 6), f"the port is free again: {status}")


def update_three_printers(b):
    """One command updates an older printer (verified), skips one at the release, and catches one that keeps its
    old release after the load (not verified, exit 9); the images the two loaded printers took are the file."""
    stores = [b.sim(1, "--release", "1.05")[1], b.sim(2, "--release", "1.07")[1],
              b.sim(3, "--release", "1.05", "--keep-release")[1], b.sim(4, "--release", "1.10", "--keep-release")[1]]
    data = os.urandom(1000) + b"Release: 1.07\0" + os.urandom(1001)
    path = b.file("NEW.BIN", data)
    # COM3 keeps answering its old release: it is asked until the time is up. COM4 has a later one: a downgrade,
    # loaded only when allowed.
    status, out, _ = b.run("update", path, "--port", "COM1,COM2,COM3,COM4", *FAST, "--json", "--verify-timeout", "40",
                           "--allow-downgrade")
    events = [json.loads(line) for line in out.splitlines()]
    rows = {row["port"]: row for row in events[-1]["printers"]}
    expect(status == 9 and events[-1]["exit"] == 9 and events[-1]["release"] == "1.07", f"update: {status} {out[-400:]}")
    expect([(rows[p]["state"], rows[p].get("after"), rows[p].get("downgrade")) for p in ("COM1", "COM2", "COM3", "COM4")]
           == [("verified", "1.07", None), ("skipped", None, None), ("not-verified", "1.05", None),
               ("not-verified", "1.10", True)], f"rows: {rows}")
    expect(image(stores[0], 1, "4")[:len(data)] == data and image(stores[2], 1, "4")[:len(data)] == data,
           "the loaded images, byte for byte")
    expect(not os.listdir(stores[1]), "the printer at the release is not loaded")
    expect(all("port" in e for e in events if e["event"] in ("phase", "progress", "message", "printer")),
           "each printer's events name its port")
    # Without --json: the result on stdout, a line a printer. A downgrade is refused unless allowed; a port another
    # program holds is named so.
    holder = os.open(os.path.realpath(os.path.join(b.ports(), "COM2")), os.O_RDWR | os.O_NOCTTY)
    fcntl.flock(holder, fcntl.LOCK_EX | fcntl.LOCK_NB)
    status, out, err = b.run("update", path, "--port", "COM2,COM4", *FAST, "--lang", "en")
    os.close(holder)
    expect(status == 9 and out == "COM2: port in use by another program\n"
           "COM4: PX-9000 1.10, downgrade refused: the file's release is older than the printer's; --allow-downgrade "
           "loads it\n", f"update, said: {status} {out!r} {err!r}")
    rows = sqlite3.connect(os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite")).execute(
        "SELECT port, outcome, cause FROM jobs WHERE kind = 'update' ORDER BY id DESC LIMIT 1").fetchall()
    expect(rows == [("COM4", "skipped", "downgrade")], f"the refused downgrade in the record: {rows}")
    # Ctrl+C while loading: how far each printer got, a line each.
    big = b.file("BIG.BIN", b"Release: 1.07\0" + os.urandom(200000))
    p = b.cli("update", big, "--port", "COM1,COM3", "--line", "57600,N,8,1", "--no-turbo", "--force", "--lang", "en")
    time.sleep(12)
    p.send_signal(signal.SIGINT)
    out, _ = p.communicate(timeout=20)
    expect(p.returncode == 130 and re.fullmatch(
        r"(COM[13]: PX-9000 1\.0[57], interrupted after \d+ of 200014 bytes; nothing more was sent; the printer holds part"
        r" of an image: switch it off and on\n){2}", out), f"update interrupted: {p.returncode} {out!r}")
    # Refused before any printer is asked: one device under two names, a file without a release.
    os.symlink(os.path.realpath(os.path.join(b.ports(), "COM1")), os.path.join(b.ports(), "COM9"))
    status, _, err = b.run("update", path, "--port", "COM1,COM9")
    expect(status == 2 and "named twice" in err, f"one device twice: {status} {err}")
    status, _, err = b.run("update", path, "--port", "COM1,COM2", "--serial", "SN-1")
    expect(status == 2 and "one serial number a port" in err, f"serials short of the ports: {status} {err}")
    for name, data, want in (("OLD.BIN", b"no marker", 8), ("BLANK.BIN", b"MZ Release:   \0", 8),
                             ("/proc/sys/vm/drop_caches", None, 3)):
        status, _, _ = b.run("update", b.file(name, data) if data else name, "--port", "COM1", "--any-extension")
        expect(status == want, f"{name}: {status}")


def unread_output(b):
    """Output that nobody reads (a pipe of one page, never read) neither paces the transfer nor holds off a
    signal: the printer gets the whole image, and SIGTERM in the end wait ends the command at once."""
    report, _ = b.sim(1)
    data = os.urandom(30000)
    r, w = os.pipe()
    fcntl.fcntl(w, 1031, 4096)  # F_SETPIPE_SZ: about 50 of the hundred-odd events fit
    p = subprocess.Popen([os.path.join(b.build, "cli", "velmora-cli"), "download", b.file("U.BIN", data), *FAST,
                          "--json"], env=b.env, stdout=w, stderr=subprocess.DEVNULL)
    os.close(w)
    deadline = time.time() + 60
    while time.time() < deadline and not any(x["received"] >= len(data) for x in downloads(report)):
        time.sleep(0.2)
    expect(downloads(report)[0]["received"] == len(data), f"the printer got {downloads(report)[0]['received']}")
    p.send_signal(signal.SIGTERM)
    try:
        p.wait(timeout=5)
    finally:
        os.close(r)
    expect(p.returncode == 143, f"SIGTERM with nobody reading: {p.returncode}")
    # A reader gone before the first line (a pipe into a closed `head`): the download goes on whole, and its
    # status is its own, not SIGPIPE's.
    report, _ = b.sim(2)
    r, w = os.pipe()
    os.close(r)
    p = subprocess.run([os.path.join(b.build, "cli", "velmora-cli"), "download", b.file("V.BIN", data), "--port",
                        "COM2", *FAST],
                       env=b.env, stdout=w, stderr=w, timeout=120)
    os.close(w)
    got = downloads(report)[-1]["received"] if downloads(report) else 0
    expect(p.returncode == 0 and got == len(data), f"no reader at all: {p.returncode}, the printer got {got}")


def service_record(b):
    """The record under faults: damaged, locked by another process, a download killed; each download goes on
    whole with its usual status and says once what was not recorded."""
    stores = [b.sim(com)[1] for com in (1, 2, 3)]
    record = os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite")
    os.makedirs(os.path.dirname(record), exist_ok=True)
    with open(record, "wb") as f:
        f.write(b"not a database " * 500)
    data = [os.urandom(3000 + n) for n in range(3)]
    a = b.cli("download", b.file("A.BIN", data[0]), "--port", "COM1", *FAST, "--lang", "en", "--serial", "SN-A1")
    time.sleep(1)  # A finds the damage and sets it aside; the others find a new record
    c = b.cli("download", b.file("C.BIN", data[2]), "--port", "COM3", *FAST)
    time.sleep(1)
    # Another process holds the record past its wait when B starts: B is not recorded, and says so once.
    lock = sqlite3.connect(record, timeout=10)
    lock.execute("BEGIN EXCLUSIVE")
    bee = b.cli("download", b.file("B.BIN", data[1]), "--port", "COM2", *FAST, "--lang", "en", "--json")
    time.sleep(4.5)
    lock.rollback()
    lock.close()
    c.kill()  # in its 8-second wait, the header out: its row never completed
    c.wait()
    out, _ = bee.communicate(timeout=60)
    warnings = [e for e in map(json.loads, out.splitlines()) if e["event"] == "warning"]
    expect(bee.returncode == 0 and [w["error"] for w in warnings] == ["record-failed"] and "locked" in warnings[0]["text"],
           f"locked: {bee.returncode} {warnings}")
    out, err = a.communicate(timeout=60)
    expect(a.returncode == 0 and err.count("set aside as") == 1 and "not recorded" not in err, f"damaged: {err!r}")
    expect([image(stores[n], 1, "4")[:len(data[n])] == data[n] for n in (0, 1)] == [True, True], "byte for byte")
    # The killed download's row says at once that its header went out: the printer is left mid-image.
    rows = sqlite3.connect(record).execute(
        "SELECT port, outcome, file_sha256, headers, mid_image FROM jobs ORDER BY id").fetchall()
    expect(rows == [("COM1", "sent", hashlib.sha256(data[0]).hexdigest(), "?Z4&3000", 0),
                    ("COM3", "did-not-finish", None, "?Z4&3002", 1)], f"the rows: {rows}")
    expect(any(name.startswith("history.sqlite.damaged-") for name in os.listdir(os.path.dirname(record))),
           "the damaged record set aside")
    # Found by the printer's serial number and by the bench, with both in its JSON row.
    jobs = [json.loads(line) for line in b.run("history", "--serial", "SN-A1", "--bench", socket.gethostname(),
                                                  "--json")[1].splitlines()][:-1]
    expect([(j["port"], j["serial"], j["bench"], len(j["uid"])) for j in jobs] == [("COM1", "SN-A1", socket.gethostname(), 36)]
           and b.run("history", "--bench", "elsewhere", "--json")[1].count('"event":"job"') == 0, f"by serial: {jobs}")
    status, out, _ = b.run("history", "--csv")
    expect(status == 0 and out.count("\n") == 3 and out.startswith("id,started,"), f"csv: {out!r}")  # text mode: CRLF read as LF
    # The human lines in the chosen language; the ids stay in --json and --csv.
    said = {lang: b.run("history", "--lang", lang)[1] for lang in ("it", "en")}
    expect("inviato" in said["it"] and "non terminato" in said["it"] and ", stampante a metà immagine" in said["it"] and
           " sent " in said["en"] and "did not finish" in said["en"] and ", printer mid-image" in said["en"],
           f"history's words: {said}")
    # The record read-only (a read-only mount: permissions do not stop root): the download goes on, said once.
    if subprocess.run(["unshare", "-rm", "true"], capture_output=True).returncode != 0:
        print("the read-only record not tried: no mount namespace here")
        return
    mount = f"mount --bind '{record}' '{record}' && mount -o remount,ro,bind '{record}' && exec \"$0\" \"$@\""
    p = subprocess.run(["unshare", "-rm", "sh", "-c", mount, os.path.join(b.build, "cli", "velmora-cli"), "download",
                        b.file("D.BIN", data[0]), "--port", "COM1", *FAST, "--json"], env=b.env, capture_output=True,
                       text=True, timeout=120)
    warnings = [e["error"] for e in map(json.loads, p.stdout.splitlines()) if e["event"] == "warning"]
    expect(p.returncode == 0 and warnings == ["record-failed"] and image(stores[0], 2, "4")[:len(data[0])] == data[0],
           f"read-only: {p.returncode} {warnings} {p.stderr[-300:]!r}")


def shop_record(b):
    """Two benches copy their rows to one shop's record on a real PostgreSQL server; a server stopped, killed
    mid-send, refusing the login or never answering costs a download nothing but a sentence, and no row is lost or
    doubled once it answers again."""
    if not pg_server.available():
        print("no PostgreSQL here: skipped")
        sys.exit(77)
    pg = pg_server.PgServer()
    try:
        other = Bench(b.build)
        benches = {"bench-a": b, "bench-b": other}
        for name, bench in benches.items():
            config = os.path.join(bench.env["XDG_CONFIG_HOME"], "Velmora")
            os.makedirs(config, exist_ok=True)
            with open(os.path.join(config, "Velmora.conf"), "w") as f:
                f.write(f"[Record]\nBench={name}\n")
            status, out, _ = bench.run("record", "--shop", pg.uri(), "--lang", "en")
            expect(status == 0 and "answers: yes" in out, f"{name}: record --shop: {status} {out!r}")
        # Eight downloads at once on bench a, one on bench b.
        data = {name: os.urandom(3000) for name in benches}
        ports = {"bench-a": range(1, 9), "bench-b": range(1, 2)}
        stores = {(name, com): bench.sim(com)[1] for name, bench in benches.items() for com in ports[name]}
        running = [(name, bench.cli("download", bench.file(f"A{com}.BIN", data[name]), "--port", f"COM{com}", *FAST,
                                    "--serial", f"SN-{name}-{com}", "--quiet"))
                   for name, bench in benches.items() for com in ports[name]]
        for name, p in running:
            _, err = p.communicate(timeout=120)
            expect(p.returncode == 0 and not err, f"{name}: download: {p.returncode} {err!r}")
        jobs = [json.loads(line) for line in b.run("history", "--shop", "--json")[1].splitlines()][:-1]
        expect(sorted((j["bench"], j["sha256"], j["outcome"], j["serial"]) for j in jobs) ==
               sorted((n, hashlib.sha256(data[n]).hexdigest(), "sent", f"SN-{n}-{c}") for n in benches for c in ports[n]),
               f"the shop: {jobs}")
        got = b.run("history", "--shop", "--serial", "SN-bench-b-1", "--json")[1].count('"event":"job"')
        expect(got == 1, f"the shop by serial: {got}")
        # The server stopped: the download is whole, at its usual time, and says so once; then the rows go.
        pg.stop()
        started = time.time()
        status, out, err = b.run("download", b.file("B.BIN", data["bench-a"]), "--port", "COM1", *FAST, "--json")
        took = time.time() - started
        warnings = [e for e in map(json.loads, out.splitlines()) if e["event"] == "warning"]
        expect(status == 0 and [w["error"] for w in warnings] == ["shop-unreachable"] and took < 40 and
               image(stores[("bench-a", 1)], 2, "4")[:3000] == data["bench-a"],
               f"server stopped: {status} {took:.1f} s {warnings}")
        pg.start()
        # A full disk on the server (its own error, raised as the server raises it): the rows wait, said.
        pg.sql("CREATE FUNCTION no_room() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'could not "
               "extend file' USING ERRCODE = 'disk_full'; END $$", "shop")
        pg.sql("CREATE TRIGGER no_room BEFORE INSERT OR UPDATE ON velmora_jobs FOR EACH ROW EXECUTE FUNCTION no_room()", "shop")
        status, out, _ = b.run("record", "--status", "--json")
        result = json.loads(out.splitlines()[-1])
        expect(status == 11 and "could not extend file" in result["why"] and result["waiting"] == 1, f"full: {result}")
        pg.sql("DROP TRIGGER no_room ON velmora_jobs", "shop")
        status, out, _ = b.run("record", "--status", "--json")
        result = json.loads(out.splitlines()[-1])
        expect(status == 0 and result["answers"] and result["waiting"] == 0 and result["sent"] == 1, f"status: {result}")
        # Killed while sending: three thousand rows waiting, the server killed under them; nothing lost or doubled.
        record = os.path.join(b.env["XDG_DATA_HOME"], "Velmora", "history.sqlite")
        local = sqlite3.connect(record)
        columns = [c[1] for c in local.execute("PRAGMA table_info(jobs)") if c[1] not in ("id", "uid")]
        for n in range(3000):
            local.execute(f"INSERT INTO jobs (uid, {', '.join(columns)}) SELECT ?, {', '.join(columns)} FROM jobs "
                          "WHERE id = 1", (f"copy-{n}",))
        local.execute("UPDATE jobs SET rev = rev + 1")
        local.commit()
        sender = b.cli("record", "--status")
        time.sleep(0.4)
        pg.stop("immediate")
        sender.communicate(timeout=60)
        pg.start()
        status, _, _ = b.run("record", "--status")
        count = pg.sql("SELECT count(*), count(DISTINCT uid) FROM velmora_jobs WHERE host = 'bench-a'", "shop")
        rows = local.execute("SELECT count(*), sum(rev > shop_rev) FROM jobs").fetchone()
        expect(status == 0 and count == f"{rows[0]}|{rows[0]}" and rows[1] == 0, f"after the kill: {count} {rows}")
        # The least rights the README gives a bench: its rows go, and it cannot change another bench's.
        pg.sql("CREATE ROLE bench3 LOGIN", "shop")
        for grant in ("GRANT USAGE ON SCHEMA public TO bench3", "GRANT SELECT ON velmora_meta TO bench3",
                      "GRANT SELECT, INSERT, UPDATE ON velmora_jobs TO bench3",
                      "ALTER TABLE velmora_jobs ENABLE ROW LEVEL SECURITY",
                      "CREATE POLICY velmora_read ON velmora_jobs FOR SELECT USING (true)",
                      "CREATE POLICY velmora_insert ON velmora_jobs FOR INSERT WITH CHECK (sent_by = current_user)",
                      "CREATE POLICY velmora_update ON velmora_jobs FOR UPDATE USING (sent_by = current_user)"):
            pg.sql(grant, "shop")
        third = Bench(b.build)
        try:
            third.run("record", "--shop", pg.uri("bench3"))
            third.run("download", third.file("N.BIN", b""), "--port", "COM1")  # refused at once, and recorded
            status, out, _ = third.run("record", "--status", "--json")
            mine = pg.sql("SELECT count(*) FROM velmora_jobs WHERE sent_by = 'bench3'", "shop")
            theirs = subprocess.run(["psql", "-h", pg.socket, "-U", "bench3", "-d", "shop", "-XAtc",
                                     "UPDATE velmora_jobs SET note = 'x' WHERE host = 'bench-b'"],
                                    capture_output=True, text=True).stdout.strip()
            expect(status == 0 and mine == "1" and theirs == "UPDATE 0", f"least rights: {status} {mine} {theirs!r}")
        finally:
            third.close()
        # A shop's record of a later version is read, never written.
        pg.sql("UPDATE velmora_meta SET value = '9' WHERE key = 'schema'", "shop")
        status, out, _ = b.run("record", "--status", "--json")
        expect(status == 11 and "(schema 9)" in json.loads(out.splitlines()[-1])["why"], f"later: {out[-300:]}")
        pg.sql("UPDATE velmora_meta SET value = '1' WHERE key = 'schema'", "shop")
        # A wrong password, and a server that takes the connection and never answers: a sentence each, no
        # password anywhere.
        passfile = b.file("pgpass", f"*:*:*:bench2:wrong-secret\n".encode())
        os.chmod(passfile, 0o600)
        quiet = socket.socket(socket.AF_UNIX)
        deaf = tempfile.mkdtemp(prefix="velmora-deaf-")
        quiet.bind(os.path.join(deaf, ".s.PGSQL.5432"))
        quiet.listen(8)
        # The wrong password on bench b, the deaf server on bench a, side by side.
        for bench, uri in ((other, pg.uri("bench2")), (b, f"postgresql://velmora@/shop?host={deaf}")):
            bench.run("record", "--shop", uri)
        started = time.time()
        running = [subprocess.Popen([os.path.join(bench.build, "cli", "velmora-cli"), "download",
                                     bench.file("C.BIN", data["bench-a"]), "--port", "COM1", *FAST, "--json"],
                                    env=dict(bench.env, PGPASSFILE=passfile), stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, text=True) for bench in (other, b)]
        for bench, p in zip((other, b), running):
            out, err = p.communicate(timeout=120)
            took = time.time() - started
            status = bench.run("record", "--status")[1]
            warnings = [e["error"] for e in map(json.loads, out.splitlines()) if e["event"] == "warning"]
            expect(p.returncode == 0 and warnings == ["shop-unreachable"] and took < 40,
                   f"{status!r}: {p.returncode} {took:.1f} s {warnings} {err[-200:]!r}")
            with open(os.path.join(bench.env["XDG_DATA_HOME"], "Velmora", "history.sqlite"), "rb") as f:
                expect(b"wrong-secret" not in (out + err + status).encode() + f.read(), "a password shown")
        quiet.close()
        shutil.rmtree(deaf, ignore_errors=True)
    finally:
        pg.close()
        other.close()


def sparse(b, name, size):
    path = b.file(name, b"")
    os.truncate(path, size)
    return path


CASES = {f.__name__.replace("_", "-"): f for f in (firmware_with_checksum, external_fonts, query_and_releases, hang_up,
                                                   interrupted, eight_at_once, bad_usage, special_files,
                                                   update_three_printers, unread_output, service_record, shop_record)}

if __name__ == "__main__":
    bench = Bench(sys.argv[1])
    try:
        CASES[sys.argv[2]](bench)
    except AssertionError as e:
        print(f"FAIL {sys.argv[2]}: {e}")
        sys.exit(1)
    finally:
        bench.close()
    print(f"PASS {sys.argv[2]}")
