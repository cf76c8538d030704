"""A PostgreSQL 15 server of the tests' own: a temporary cluster on a Unix socket, run as an unprivileged user
(initdb refuses root), stopped at the end. Nothing is mocked."""
import os
import shutil
import subprocess
import tempfile
import time

BIN = "/usr/lib/postgresql/15/bin"


def available():
    return os.path.exists(os.path.join(BIN, "initdb"))


class PgServer:
    def __init__(self):
        self.base = tempfile.mkdtemp(prefix="velmora-pg-")
        self.data = os.path.join(self.base, "data")
        self.socket = os.path.join(self.base, "sock")
        os.makedirs(self.socket)
        self.as_user = []
        if os.getuid() == 0:  # the server runs as nobody; root reaches its socket all the same
            for path in (self.base, self.socket):
                os.chown(path, 65534, 65534)
            self.as_user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        self._run(os.path.join(BIN, "initdb"), "-D", self.data, "-U", "velmora", "-A", "trust", "--no-sync")
        with open(os.path.join(self.data, "pg_hba.conf"), "w") as f:
            f.write("local all bench2 scram-sha-256\nlocal all all trust\n")
        self.start()
        self.sql("CREATE DATABASE shop")
        self.sql("CREATE ROLE bench2 LOGIN PASSWORD 'right-one'")

    def _run(self, *args, check=True):
        return subprocess.run([*self.as_user, *args], cwd="/", capture_output=True, text=True, check=check,
                              env=dict(os.environ, LC_ALL="C"))

    def start(self):
        self._run(os.path.join(BIN, "pg_ctl"), "-D", self.data, "-l", os.path.join(self.base, "log"), "-w", "-o",
                  f"-k {self.socket} -c listen_addresses='' -c fsync=off", "start")

    def stop(self, mode="fast"):
        self._run(os.path.join(BIN, "pg_ctl"), "-D", self.data, "-m", mode, "-w", "stop", check=False)

    def uri(self, user="velmora"):
        return f"postgresql://{user}@/shop?host={self.socket}"

    def sql(self, statement, db="postgres"):
        out = subprocess.run(["psql", "-h", self.socket, "-U", "velmora", "-d", db, "-XAtq", "-c", statement],
                             capture_output=True, text=True, check=True)
        return out.stdout.strip()

    def close(self):
        self.stop("immediate")
        shutil.rmtree(self.base, ignore_errors=True)


if __name__ == "__main__":
    # For a test program of another language: the URI on stdout, the server stopped when stdin closes.
    import sys
    if not available():
        sys.exit(77)
    server = PgServer()
    try:
        print(server.uri(), flush=True)
        sys.stdin.read()
    finally:
        server.close()
