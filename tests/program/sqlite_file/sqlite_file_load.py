#!/usr/bin/env python3
"""--format=sqlite, written by the program and by the library for each
writer-made fixture and each database of the sample corpus (when
../shared is there): the file must pass PRAGMA integrity_check and
PRAGMA foreign_key_check, hold exactly the listed tables, and every table
must equal, row for row and value for value in SQLite's types, the JSON
Lines export of it. Values are compared the way the SQL scripts' loading
test compares them (tests/program/databases/load_into_databases.py).

usage: sqlite_file_load.py PROGRAM MKDB SHARED_FOLDER FIXTURE_DESCRIPTIONS_FOLDER LIBRARY
"""

import ctypes
import decimal
import glob
import json
import os
import shutil
import sqlite3
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "databases"))
import load_into_databases as loading  # noqa: E402  (reads PROGRAM MKDB SHARED FIXTURES from argv)

PROGRAM, MKDB, SHARED, FIXTURES, LIBRARY = sys.argv[1:6]


def databases(scratch):
    found = []
    for description in sorted(glob.glob(os.path.join(FIXTURES, "*.json"))):
        with open(description, encoding="utf-8") as f:
            ace = json.load(f).get("format") == "ace"
        target = os.path.join(scratch, os.path.basename(description)[:-5] + (".accdb" if ace else ".mdb"))
        r = loading.run([MKDB, description, target])
        if r.returncode != 0:
            raise RuntimeError("the fixture writer failed on %s: %s" % (description, r.stderr.decode()[-300:]))
        found.append(target)
    corpus = os.path.join(SHARED, "corpus")
    if os.path.isdir(corpus):
        for path in sorted(glob.glob(os.path.join(corpus, "**", "*.*db"), recursive=True)):
            if not any(word in path for word in loading.NOT_LOADED):
                found.append(path)
    else:
        print("SKIP the sample corpus: none at %s; the writer-made fixtures only" % corpus)
    return found


def checked(db, tables):
    """What is wrong with the file as a whole, or None."""
    connection = sqlite3.connect(db)
    try:
        integrity = connection.execute("PRAGMA integrity_check").fetchall()
        keys = connection.execute("PRAGMA foreign_key_check").fetchall()
        made = [r[0] for r in connection.execute("SELECT name FROM sqlite_master WHERE type = 'table'"
                                                 " AND name NOT LIKE 'sqlite%' ORDER BY rowid")]
        relationships = sum(len(connection.execute('PRAGMA foreign_key_list("%s")' % t.replace('"', '""'))
                                .fetchall()) for t in made)
    finally:
        connection.close()
    if integrity != [("ok",)]:
        return "integrity_check: %r" % integrity[:5], 0
    if keys:
        return "foreign_key_check: %r" % keys[:5], 0
    if made != tables:
        return "the tables %r, listed %r" % (made, tables), 0
    return None, relationships


def through_library(library, path, target):
    args = [b"varnex_d", path.encode(), target.encode(), b"--format=sqlite", b"/OVERWRITE=1"]
    argv = (ctypes.c_char_p * len(args))(*args)
    return library.Varnex_Converter(0, len(args), argv)


def main():
    scratch = tempfile.mkdtemp(prefix="varnex-sqlite-")
    library = ctypes.CDLL(LIBRARY)
    library.Varnex_Converter.argtypes = [ctypes.c_int32, ctypes.c_int32, ctypes.POINTER(ctypes.c_char_p)]
    library.Varnex_Converter.restype = ctypes.c_int32
    server = loading.Sqlite(scratch)
    problems = []
    compared = relationships = files = 0
    try:
        for n, path in enumerate(databases(scratch)):
            tables = loading.tables_of(path)
            if tables is None:
                problems.append("%s: the tables could not be listed" % path)
                continue
            work = os.path.join(scratch, "db%d" % n)
            os.makedirs(work)
            expected = {}
            for k, table in enumerate(tables):
                target = os.path.join(work, "t%d.jsonl" % k)
                if not loading.export(path, table, target, "jsonl"):
                    problems.append("%s: table %s: JSON Lines export failed" % (path, table))
                    continue
                with open(target, encoding="utf-8") as f:
                    expected[table] = [json.loads(line, parse_float=decimal.Decimal, object_pairs_hook=dict)
                                       for line in f if line.strip()]
            program_db = os.path.join(work, "program.sqlite")
            r = loading.run([PROGRAM, "/SILENT", path, program_db, "--format=sqlite"])
            if r.returncode != 0:
                problems.append("%s: the program failed (%d): %s" % (path, r.returncode, r.stderr.decode()[-300:]))
                continue
            library_db = os.path.join(work, "library.db")
            result = through_library(library, path, library_db)
            if result != 0:
                problems.append("%s: the library answered %d" % (path, result))
                continue
            for db in (program_db, library_db):
                files += 1
                problem, count = checked(db, tables)
                if problem:
                    problems.append("%s: %s: %s" % (path, os.path.basename(db), problem))
                    continue
                relationships += count
                for table in tables:
                    if table in expected:
                        before = len(problems)
                        loading.compare_table(server, db, table, expected[table], problems)
                        if len(problems) == before:
                            compared += 1
                        else:
                            problems[-1] = "%s: %s: %s" % (path, os.path.basename(db), problems[-1])
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d SQLite files, %d tables equal to the export, %d foreign keys declared" % (files, compared,
                                                                                      relationships))
    for p in problems:
        print("MISMATCH " + p)
    return 1 if problems or files == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
