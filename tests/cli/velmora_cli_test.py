#!/usr/bin/python3
"""The real velmora-cli against printer-sim, one case of the table per run:

    velmora_cli_test.py BUILD_DIR CASE
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

FAST = ["--turbo", "--line", "57600,N,8,1"]


class Bench:
    def __init__(self, build):
        self.build = build
        self.home = tempfile.mkdtemp(prefix="velmora-cli-")
        self.env = dict(os.environ, XDG_DATA_HOME=os.path.join(self.home, "data"),
                        XDG_CONFIG_HOME=os.path.join(self.home, "config"), LC_ALL="C.UTF-8")
        self.sims = []

    def sim(self, com=1, *args):
        report = os.path.join(self.home, f"report{com}.json")
        store = os.path.join(self.home, f"images{com}")
        self.sims.append(subprocess.Popen(
            [os.path.join(self.build, "tools", "printer-sim"), "--data", self.env["XDG_DATA_HOME"], "--com", str(com),
             "--report", report, "--store", store, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        deadline = time.time() + 10
        while not os.path.exists(report) and time.time() < deadline:
            time.sleep(0.05)
        return report, store

    def file(self, name, data):
        with open(os.path.join(self.home, name), "wb") as f:
            f.write(data)
        return f.name

    def cli(self, *args):
        return subprocess.Popen([os.path.join(self.build, "cli", "velmora-cli"), *args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def run(self, *args):
        p = self.cli(*args)
        out, err = p.communicate(timeout=240)
        return p.returncode, out, err

    def close(self):
        for s in self.sims:
            s.terminate()
            s.wait(10)
        self.sims = []


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
    status, out, err = b.run("download", b.file("FW.BIN", data), "--checksum", *FAST)
    expect(status == 0 and "Spegnere e riaccendere la stampante" in err, f"end: {status} {err}")
    d = downloads(report)
    expect([(x["code"], x["length"], x["checksum"]) for x in d] == [("3", 3001, "ok")], f"header: {d}")
    expect(image(store, 1, "3")[:3001] == data, "the image, byte for byte")


def external_fonts_in_two_parts(b):
    report, _ = b.sim()
    status, out, err = b.run("download", b.file("E.SHC", os.urandom(1376257)), "--operation", "external-fonts",
                             *FAST, "--json")
    events = [json.loads(line) for line in out.splitlines()]
    expect(status == 0 and events[-1] == {"event": "result", "command": "download", "exit": 0,
                                          "outcome": "completed", "message": "Spegnere e riaccendere la stampante"},
           f"result: {events[-1:]}")
    expect({"event": "phase", "phase": "waiting 25 s between the two parts"} in events, "the pause between parts")
    expect([(x["code"], x["received"]) for x in downloads(report)] == [(":", 1376256), (";", 1)], "two parts")


def query_and_releases(b):
    b.sim(1, "--model", "PX-1", "--release", "1.07")
    status, out, _ = b.run("query", "--port", "COM1")
    expect(status == 0 and out == "model: PX-1\nrelease: 1.07\nflash: FLASH 4M 29F040\n", f"query: {status} {out}")
    path = b.file("FW.BIN", b"MZ Release: 1.05\0rest")
    status, out, _ = b.run("check-release", path)
    expect(status == 7 and out == "file: 1.05\nprinter: 1.07\nequal: no\n", f"different: {status} {out}")
    b.file("FW.BIN", b"MZ Release: 1.07\0rest")
    status, out, _ = b.run("check-release", path, "--json")
    expect(status == 0 and json.loads(out.splitlines()[-1])["equal"] is True, f"equal: {status} {out}")
    b.close()
    b.sim(1, "--silent")
    status, _, err = b.run("check-release", path, "--lang", "en")
    expect(status == 6 and "WARNING: printer OFF-Line" in err, f"silent: {status} {err}")


def hang_up(b):
    b.sim(1, "--hang-up-after", "20000")
    status, _, err = b.run("download", b.file("FW.BIN", os.urandom(300000)), *FAST)
    expect(status == 5 and "COM1" in err and "Download terminato." not in err, f"hang-up: {status} {err}")


def interrupted(b):
    report, _ = b.sim(1)
    p = b.cli("download", b.file("FW.BIN", os.urandom(300000)), "--no-turbo", "--line", "57600,N,8,1")
    deadline = time.time() + 30
    while time.time() < deadline and not any(x["received"] > 2000 for x in downloads(report)):
        time.sleep(0.2)
    p.send_signal(signal.SIGINT)
    p.communicate(timeout=10)
    time.sleep(0.5)
    received = downloads(report)[0]["received"]
    time.sleep(2)
    expect(p.returncode == 130, f"status {p.returncode}")
    expect(downloads(report)[0]["received"] == received < 300000, "nothing more on the wire after Ctrl+C")


def four_at_once(b):
    sims = [b.sim(com) for com in (1, 2, 3, 4)]
    files = [os.urandom(5000 + 1000 * n) for n in range(4)]
    runs = [b.cli("download", b.file(f"F{n}.BIN", files[n]), "--port", f"COM{n + 1}", *FAST) for n in range(4)]
    # The same port twice: refused, the first goes on unharmed.
    time.sleep(1)
    status, _, err = b.run("download", b.file("X.BIN", b"xx"), "--port", "COM1", *FAST)
    expect(status == 4 and "ATTENZIONE! La porta COM" in err, f"second on COM1: {status} {err}")
    for n, run in enumerate(runs):
        run.communicate(timeout=120)
        expect(run.returncode == 0, f"COM{n + 1}: {run.returncode}")
        expect(image(sims[n][1], 1, "4")[:len(files[n])] == files[n], f"COM{n + 1}: the image, byte for byte")


def bad_usage(b):
    path = b.file("F.BIN", b"abcd")
    for args in (["download"], ["download", path, "--line", "57601,N,8,1"], ["download", path, "--port", "COM11"],
                 ["download", path, "--checksum", "--boot", "ram"], ["download", path, "--bogus"], ["nonsense"],
                 ["query", "--port", "LPT1"], ["download", path, "--lang", "de"]):
        status, _, err = b.run(*args)
        expect(status == 2 and err, f"{args}: {status}")
    status, _, err = b.run("download", os.path.join(b.home, "missing.BIN"))
    expect(status == 3 and "File vuoto o inesistente !!" in err, f"missing file: {status} {err}")


CASES = {f.__name__.replace("_", "-"): f for f in (firmware_with_checksum, external_fonts_in_two_parts,
                                                   query_and_releases, hang_up, interrupted, four_at_once, bad_usage)}

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
