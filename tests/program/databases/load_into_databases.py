#!/usr/bin/env python3
"""Loads what the program writes for other databases into real ones and
compares every table with the program's own export of it.

For each database file: the SQL form of each dialect (--format=sql:DIALECT,
the tables made and filled) is loaded into SQLite (Python's module), into a
PostgreSQL and into a MariaDB server started here on sockets in a scratch
folder, and each table's rows are read back and compared, as a multiset of
typed values, with the JSON Lines export of the same table; each column's
type in the server must hold the kind of values the export gives it.

A server that cannot be started is skipped with a message (exit 0 when
nothing at all could be compared is still a skip, told on stdout); any
mismatch or load failure fails the test. Servers are stopped at the end,
also on failure.

usage: load_into_databases.py PROGRAM MKDB SHARED_FOLDER FIXTURE_DESCRIPTIONS_FOLDER
"""

import base64
import datetime
import decimal
import glob
import json
import os
import pwd
import re
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time

PROGRAM, MKDB, SHARED, FIXTURES = sys.argv[1:5]
SKIP_CODE = 77

# Files the reader cannot open without a password, or has no tables in.
NOT_LOADED = ("with-password", "office-agile", "encryption/")


def run(args, **kw):
    return subprocess.run(args, capture_output=True, **kw)


# ----------------------------------------------------------------- servers

class Postgres:
    name = "postgres"

    def __init__(self, scratch):
        self.dir = os.path.join(scratch, "pg")
        self.user = None
        self.started = False

    def _as_user(self, args):
        # initdb refuses to run as root: the server runs as an ordinary user.
        if os.geteuid() == 0:
            return ["runuser", "-u", self.user, "--"] + args
        return args

    def start(self):
        for tool in ("initdb", "pg_ctl", "psql"):
            if not shutil.which(tool) and not glob.glob("/usr/lib/postgresql/*/bin/" + tool):
                return "no " + tool
        bins = sorted(glob.glob("/usr/lib/postgresql/*/bin"))
        if bins:
            os.environ["PATH"] = bins[-1] + os.pathsep + os.environ["PATH"]
        os.makedirs(self.dir)
        if os.geteuid() == 0:
            self.user = "nobody"
            info = pwd.getpwnam(self.user)
            for d in (os.path.dirname(self.dir), self.dir):
                os.chmod(d, 0o777)
            os.chown(self.dir, info.pw_uid, info.pw_gid)
        data = os.path.join(self.dir, "data")
        r = run(self._as_user(["initdb", "-D", data, "-A", "trust", "-U", "postgres", "-E", "UTF8",
                               "--locale=C"]))
        if r.returncode != 0:
            return "initdb failed: " + r.stderr.decode(errors="replace")[-300:]
        r = run(self._as_user(["pg_ctl", "-D", data, "-w", "-t", "60", "-l", os.path.join(self.dir, "log"),
                               "-o", "-k " + self.dir + " -c listen_addresses='' -c fsync=off", "start"]))
        if r.returncode != 0:
            return "pg_ctl start failed: " + r.stderr.decode(errors="replace")[-300:]
        self.started = True
        return None

    def stop(self):
        if self.started:
            run(self._as_user(["pg_ctl", "-D", os.path.join(self.dir, "data"), "-m", "immediate", "stop"]))

    def psql(self, database, sql=None, script=None):
        args = ["psql", "-h", self.dir, "-U", "postgres", "-d", database, "-X", "-q", "-A", "-t",
                "-v", "ON_ERROR_STOP=1"]
        if script:
            args += ["-f", script]
        else:
            args += ["-c", sql]
        return run(args)

    def fresh(self, n):
        db = "load%d" % n
        r = self.psql("postgres", "CREATE DATABASE %s ENCODING 'UTF8' TEMPLATE template0" % db)
        if r.returncode != 0:
            raise RuntimeError(r.stderr.decode(errors="replace"))
        return db

    def load(self, db, script):
        r = self.psql(db, script=script)
        return None if r.returncode == 0 else r.stderr.decode(errors="replace")[-800:]

    def columns(self, db, table):
        r = self.psql(db, "SELECT json_agg(json_build_array(column_name, data_type) ORDER BY ordinal_position) "
                      "FROM information_schema.columns WHERE table_name = %s" % quote_string(table))
        return [tuple(c) for c in json.loads(r.stdout.decode() or "[]") or []]

    def rows(self, db, table, columns):
        # bytea comes as its hex text; everything else in its JSON form.
        parts = []
        for name, kind in columns:
            ident = '"' + name.replace('"', '""') + '"'
            parts.append("encode(%s, 'hex')" % ident if kind == "bytea" else ident)
        sql = "SELECT json_build_array(%s) FROM \"%s\"" % (", ".join(parts), table.replace('"', '""'))
        r = self.psql(db, sql)
        if r.returncode != 0:
            raise RuntimeError(r.stderr.decode(errors="replace"))
        return [json.loads(line, parse_float=decimal.Decimal) for line in r.stdout.decode().splitlines() if line]


class MariaDb:
    name = "mysql"

    def __init__(self, scratch):
        self.dir = os.path.join(scratch, "my")
        self.socket = os.path.join(self.dir, "sock")
        self.process = None

    def start(self):
        server = shutil.which("mariadbd") or shutil.which("mysqld")
        install = shutil.which("mariadb-install-db") or shutil.which("mysql_install_db")
        self.client = shutil.which("mariadb") or shutil.which("mysql")
        if not (server and install and self.client):
            return "no MariaDB server, installer or client"
        data = os.path.join(self.dir, "data")
        os.makedirs(data)
        user = pwd.getpwuid(os.geteuid()).pw_name
        r = run([install, "--no-defaults", "--datadir=" + data, "--user=" + user, "--auth-root-authentication-method=normal",
                 "--skip-test-db"])
        if r.returncode != 0:
            return "mariadb-install-db failed: " + r.stderr.decode(errors="replace")[-300:]
        self.log = open(os.path.join(self.dir, "log"), "wb")
        self.process = subprocess.Popen(
            [server, "--no-defaults", "--datadir=" + data, "--socket=" + self.socket, "--skip-networking",
             "--user=" + user, "--pid-file=" + os.path.join(self.dir, "pid"), "--innodb-flush-log-at-trx-commit=0",
             "--max-allowed-packet=64M"], stdout=self.log, stderr=self.log)
        for _ in range(300):
            if self.process.poll() is not None:
                return "mariadbd ended: see " + self.log.name
            if os.path.exists(self.socket) and self.sql("", "SELECT 1").returncode == 0:
                return None
            time.sleep(0.2)
        return "mariadbd did not answer within a minute"

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()

    def sql(self, db, sql=None, script=None):
        args = [self.client, "--no-defaults", "--socket=" + self.socket, "-u", "root", "-N", "-B", "--raw",
                "--default-character-set=utf8mb4"]
        if db:
            args.append(db)
        if script:
            with open(script, "rb") as f:
                return run(args, stdin=f)
        return run(args + ["-e", sql])

    def fresh(self, n):
        db = "load%d" % n
        r = self.sql("", "CREATE DATABASE %s CHARACTER SET utf8mb4 COLLATE utf8mb4_bin" % db)
        if r.returncode != 0:
            raise RuntimeError(r.stderr.decode(errors="replace"))
        return db

    def load(self, db, script):
        r = self.sql(db, script=script)
        return None if r.returncode == 0 else r.stderr.decode(errors="replace")[-800:]

    def columns(self, db, table):
        r = self.sql(db, "SELECT column_name, column_type FROM information_schema.columns WHERE table_schema = "
                     "DATABASE() AND table_name = %s ORDER BY ordinal_position" % quote_string(table, True))
        return [tuple(line.split("\t", 1)) for line in r.stdout.decode().splitlines() if line]

    def rows(self, db, table, columns):
        parts = []
        for name, kind in columns:
            ident = "`" + name.replace("`", "``") + "`"
            if "blob" in kind or "binary" in kind:
                ident = "HEX(%s)" % ident
            elif kind.startswith("float"):
                # JSON writes a FLOAT with six digits; the double it widens to is exact.
                ident = "CAST(%s AS DOUBLE)" % ident
            parts.append(ident)
        sql = "SELECT JSON_ARRAY(%s) FROM `%s`" % (", ".join(parts), table.replace("`", "``"))
        r = self.sql(db, sql)
        if r.returncode != 0:
            raise RuntimeError(r.stderr.decode(errors="replace"))
        return [json.loads(line, parse_float=decimal.Decimal) for line in r.stdout.decode().splitlines() if line]


class Sqlite:
    name = "sqlite"

    def __init__(self, scratch):
        self.dir = os.path.join(scratch, "sqlite")

    def start(self):
        os.makedirs(self.dir)
        return None

    def stop(self):
        pass

    def fresh(self, n):
        return os.path.join(self.dir, "load%d.db" % n)

    def load(self, db, script):
        try:
            with open(script, encoding="utf-8", newline="") as f:
                connection = sqlite3.connect(db)
                connection.executescript(f.read())
                check = connection.execute("PRAGMA foreign_key_check").fetchall()
                integrity = connection.execute("PRAGMA integrity_check").fetchall()
                connection.close()
        except sqlite3.Error as e:
            return str(e)
        if integrity != [("ok",)]:
            return "integrity_check: %r" % integrity
        if check:
            return "foreign_key_check: %r" % check[:5]
        return None

    def columns(self, db, table):
        connection = sqlite3.connect(db)
        out = [(r[1], r[2]) for r in connection.execute('PRAGMA table_info("%s")' % table.replace('"', '""'))]
        connection.close()
        return out

    def rows(self, db, table, columns):
        connection = sqlite3.connect(db)
        names = ", ".join('"%s"' % c.replace('"', '""') for c, _ in columns)
        out = [list(r) for r in connection.execute('SELECT %s FROM "%s"' % (names, table.replace('"', '""')))]
        connection.close()
        return out


def quote_string(text, mysql=False):
    text = text.replace("'", "''")
    if mysql:
        text = text.replace("\\", "\\\\")
    return "'" + text + "'"


# --------------------------------------------------------- comparing values

def family(server, kind):
    kind = kind.lower()
    if server == "sqlite":
        return {"integer": "int", "real": "float", "numeric": "decimal", "blob": "binary"}.get(kind, "text")
    if kind in ("boolean", "tinyint(1)"):
        return "bool"
    if kind.startswith(("smallint", "integer", "int", "bigint", "tinyint", "mediumint")):
        return "int"
    if kind.startswith(("numeric", "decimal")):
        return "decimal"
    if kind.startswith(("real", "double", "float")):
        return "float"
    if kind.startswith(("timestamp", "datetime", "date")):
        return "time"
    if kind in ("bytea",) or "blob" in kind or "binary" in kind:
        return "binary"
    if kind == "uuid":
        return "uuid"
    return "text"


def iso(text):
    text = text.replace("T", " ")
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text


def number(value):
    return decimal.Decimal(str(value)) if not isinstance(value, decimal.Decimal) else value


def expected_form(value, fam):
    """The export's JSON value in the form the server's column family gives back."""
    if value is None:
        return None
    if isinstance(value, bool):
        return int(value) if fam in ("int",) else value
    if isinstance(value, list):
        # Multi-value and attachment fields hold their items (or the files'
        # names) joined by ';'.
        return ";".join(v["name"] if isinstance(v, dict) else str(v) for v in value)
    if fam == "binary":
        return base64.b64decode(value)
    if fam == "time":
        return iso(value)
    if fam == "uuid":
        return value.strip("{}").lower()
    if fam in ("int", "decimal"):
        return number(value)
    if fam == "float":
        return float(value)
    if isinstance(value, str) and re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?", value):
        # A date in a database without a date type (SQLite): its ISO text.
        return iso(value)
    return value


def server_form(value, fam, kind, server):
    if value is None:
        return None
    if fam == "bool":
        return bool(value)
    if fam == "binary":
        return bytes(value) if isinstance(value, bytes) else bytes.fromhex(value)
    if fam == "time":
        return iso(str(value))
    if fam == "uuid":
        return str(value).lower()
    if fam in ("int", "decimal"):
        return number(value)
    if fam == "float":
        value = float(value)
        # Single columns hold four bytes: compared at that width on both sides.
        if kind.lower().startswith(("real", "float")) and server != "sqlite":
            value = struct.unpack("f", struct.pack("f", value))[0]
        return value
    return value


def canonical(value):
    """One text per value whatever type each side read it as."""
    if value is None:
        return None
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, decimal.Decimal)):
        d = decimal.Decimal(value)
        return "0" if d == 0 else format(d.normalize(), "f")
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, bytes):
        return "0x" + value.hex()
    return value


def single(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def is_single(kind, server):
    return server != "sqlite" and kind.lower().startswith(("real", "float"))


def want_value(value, fam, kind, server):
    e = expected_form(value, fam)
    if e is None:
        return None
    if fam == "float" and is_single(kind, server):
        e = single(e)
    if fam == "decimal" and server == "sqlite":
        # SQLite keeps a NUMERIC value in a double: 15 digits survive.
        e = float(e)
        if e == int(e) and abs(e) < 2**53:
            e = int(e)
    if fam == "time" and len(e) > 26:
        # Extended dates keep 100 ns; the servers keep microseconds.
        e = iso(e[:26])
    if fam == "int" and isinstance(e, bool):
        e = int(e)
    return canonical(e)


def got_value(value, fam, kind, server):
    g = server_form(value, fam, kind, server)
    if g is None:
        return None
    if fam == "decimal" and server == "sqlite":
        g = float(g)
        if g == int(g) and abs(g) < 2**53:
            g = int(g)
    return canonical(g)


def key(row):
    return json.dumps(row)


def compare_table(server, db, table, expected_rows, problems):
    columns = server.columns(db, table)
    if not columns:
        problems.append("%s: table %s was not made" % (server.name, table))
        return
    got_rows = server.rows(db, table, columns)
    if len(got_rows) != len(expected_rows):
        problems.append("%s: table %s has %d rows, the export %d" % (server.name, table, len(got_rows),
                                                                    len(expected_rows)))
        return
    want, have = [], []
    names = [c for c, _ in columns]
    for expected in expected_rows:
        if list(expected.keys()) != names:
            problems.append("%s: table %s has columns %r, the export %r" % (server.name, table, names,
                                                                           list(expected.keys())))
            return
    fams = [family(server.name, kind) for _, kind in columns]
    for c, (name, kind) in enumerate(columns):
        values = [r[name] for r in expected_rows if r[name] is not None]
        # A column of Booleans, numbers or dates must be so in the server too.
        if values and all(isinstance(v, bool) for v in values) and fams[c] not in ("bool", "int"):
            problems.append("%s: %s.%s holds Booleans in a %s column" % (server.name, table, name, kind))
        elif values and all(isinstance(v, (int, decimal.Decimal)) and not isinstance(v, bool) for v in values) \
                and fams[c] not in ("int", "decimal", "float"):
            problems.append("%s: %s.%s holds numbers in a %s column" % (server.name, table, name, kind))
    for r in expected_rows:
        want.append(key([want_value(r[n], fams[c], columns[c][1], server.name) for c, n in enumerate(names)]))
    for g in got_rows:
        have.append(key([got_value(g[c], fams[c], columns[c][1], server.name) for c in range(len(names))]))
    want.sort()
    have.sort()
    if want != have:
        for w, h in zip(want, have):
            if w != h:
                problems.append("%s: table %s differs: export %s, database %s" % (server.name, table, w[:300],
                                                                                 h[:300]))
                break


# ------------------------------------------------------------------ the run

def tables_of(path):
    r = run([PROGRAM, "--list-tables", path])
    if r.returncode != 0:
        return None
    return [t for t in r.stdout.decode("utf-8", errors="replace").splitlines() if t]


def export(path, table, target, form):
    r = run([PROGRAM, "/SILENT", path, target, "--format=" + form, "/TABLES=" + table, "/OVERWRITE=1"])
    return r.returncode == 0


def main():
    scratch = tempfile.mkdtemp(prefix="varnex-load-")
    databases = []
    # The writer-made fixtures: each description is written as the file its
    # format makes.
    for description in sorted(glob.glob(os.path.join(FIXTURES, "*.json"))):
        with open(description, encoding="utf-8") as f:
            ace = json.load(f).get("format") == "ace"
        target = os.path.join(scratch, os.path.basename(description)[:-5] + (".accdb" if ace else ".mdb"))
        r = run([MKDB, description, target])
        if r.returncode != 0:
            print("MISMATCH the fixture writer failed on %s: %s" % (description, r.stderr.decode()[-300:]))
            return 1
        databases.append(target)
    corpus = os.path.join(SHARED, "corpus")
    if os.path.isdir(corpus):
        for path in sorted(glob.glob(os.path.join(corpus, "**", "*.*db"), recursive=True)):
            if not any(word in path for word in NOT_LOADED):
                databases.append(path)
    else:
        print("no sample corpus at %s: the writer-made fixtures only" % corpus)

    servers = []
    for kind in (Sqlite, Postgres, MariaDb):
        server = kind(scratch)
        try:
            reason = server.start()
        except Exception as e:  # a server that cannot start is skipped, never fatal
            reason = str(e)
        if reason:
            print("SKIP %s: %s" % (server.name, reason))
            server.stop()
        else:
            servers.append(server)
    problems = []
    loaded = {s.name: 0 for s in servers}
    try:
        n = 0
        for path in databases:
            tables = tables_of(path)
            if tables is None:
                problems.append("%s: the tables could not be listed" % path)
                continue
            work = os.path.join(scratch, "db%d" % n)
            os.makedirs(work)
            expected = {}
            for k, table in enumerate(tables):
                target = os.path.join(work, "t%d.jsonl" % k)
                if not export(path, table, target, "jsonl"):
                    problems.append("%s: table %s: JSON Lines export failed" % (path, table))
                    continue
                with open(target, encoding="utf-8") as f:
                    expected[table] = [json.loads(line, parse_float=decimal.Decimal, object_pairs_hook=dict)
                                       for line in f if line.strip()]
            for server in servers:
                n += 1
                script = os.path.join(work, server.name + ".sql")
                with open(script, "wb") as out:
                    r = subprocess.run([PROGRAM, "/SILENT", path, "-", "--format=sql:" + server.name], stdout=out,
                                       stderr=subprocess.PIPE)
                if r.returncode != 0:
                    problems.append("%s: sql:%s export failed: %s" % (path, server.name, r.stderr.decode()[-300:]))
                    continue
                db = server.fresh(n)
                error = server.load(db, script)
                if error:
                    problems.append("%s: %s refused the script: %s" % (path, server.name, error))
                    continue
                for table in tables:
                    if table in expected:
                        before = len(problems)
                        compare_table(server, db, table, expected[table], problems)
                        if len(problems) == before:
                            loaded[server.name] += 1
                        else:
                            problems[-1] = path + ": " + problems[-1]
    finally:
        for server in servers:
            server.stop()
        shutil.rmtree(scratch, ignore_errors=True)
    for name, count in loaded.items():
        print("%s: %d tables loaded and equal to the export" % (name, count))
    for p in problems:
        print("MISMATCH " + p)
    if problems:
        return 1
    if not servers:
        print("SKIP: no database could be started")
        return SKIP_CODE
    return 0


if __name__ == "__main__":
    sys.exit(main())
