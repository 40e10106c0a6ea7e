#!/usr/bin/env python3
"""Checks the generated sign database against its text sources with two
readers written by other people: mdbtools' command-line tools and the npm
package mdb-reader. Fails when either disagrees with the sources.

  check_sign_database.py DATABASE STROKES SIGNS NODE_MODULES
"""

import csv
import io
import json
import os
import re
import subprocess
import sys
import unittest

DATABASE, STROKES, SIGNS, NODE_MODULES = sys.argv[1:5]
HERE = os.path.dirname(os.path.abspath(__file__))
KEY, CYCLES = 2555, 7


def source_lines(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n").rstrip("\r")
            if line and not line.startswith("#"):
                yield line.split("\t")


STROKE_COUNTS = {fields[0]: int(fields[1]) for fields in source_lines(STROKES)}
SIGN_RECORDS = {i: (title, text) for i, title, text in source_lines(SIGNS)}


def descramble(stored):
    """The program's descrambling, written out again from its description:
    hexadecimal pairs, then per cycle a chained forward pass with the key's
    high byte and a chained backward pass with its low byte."""
    b = bytearray(bytes.fromhex(stored))
    high, low, n = KEY >> 8, KEY & 0xFF, len(b)
    for _ in range(CYCLES):
        if n < 2:
            break
        for i in range(1, n):
            b[i] = ((b[i - 1] + b[i]) & 0xFF) ^ high
        for i in range(n - 2, -1, -1):
            b[i] = ((b[i + 1] + b[i]) & 0xFF) ^ low
    return bytes(b).decode("gbk")


# mdb-sql keeps a readline history in $HOME/.mdbhistory; without HOME it
# keeps none, and a test run leaves nothing in the user's home.
TOOL_ENV = {name: value for name, value in os.environ.items() if name != "HOME"}


def run(*command, stdin=None):
    result = subprocess.run(command, input=stdin, capture_output=True, text=True, check=False, env=TOOL_ENV)
    if result.returncode != 0:
        raise AssertionError("%s failed: %s" % (" ".join(command), result.stderr))
    return result.stdout


def mdb_sql(statement):
    """Rows of a statement run by mdb-sql, as lists of fields."""
    out = run("mdb-sql", "-H", "-F", "-P", "-d", "\t", DATABASE, stdin=statement + "\n")
    return [line.split("\t") for line in out.splitlines() if line.strip()]


def grouped_counts(rows):
    """character -> count from bihua rows (hanzi, num); a row applies to every
    character of its value. Returns the map and the characters seen twice."""
    counts, twice = {}, []
    for hanzi, num in rows:
        for ch in hanzi:
            if ch in counts:
                twice.append(ch)
            counts[ch] = int(num)
    return counts, twice


class MdbtoolsReadsTheSources(unittest.TestCase):
    def test_version_is_jet4(self):
        self.assertEqual(run("mdb-ver", DATABASE).strip(), "JET4")

    def test_tables_are_listed(self):
        self.assertEqual(run("mdb-tables", "-1", DATABASE).split(), ["bihua", "vandrel"])
        self.assertIn("MSysObjects", run("mdb-tables", "-1", "-S", DATABASE).split())

    def test_schema_gives_the_column_types(self):
        schema = run("mdb-schema", DATABASE)
        for column, kind in [("hanzi", r"Text \(255\)"), ("num", "Long Integer"), ("id", r"Text \(3\)"),
                             ("title", r"Text \(255\)"), ("content", "Memo/Hyperlink")]:
            self.assertRegex(schema, r"\[%s\]\s+%s" % (column, kind))

    def test_export_of_bihua_holds_every_character_once_with_its_count(self):
        rows = list(csv.reader(io.StringIO(run("mdb-export", DATABASE, "bihua"))))
        self.assertEqual(rows[0], ["hanzi", "num"])
        counts, twice = grouped_counts(rows[1:])
        self.assertEqual(twice, [])
        self.assertEqual(counts, STROKE_COUNTS)

    def test_export_of_vandrel_reproduces_the_signs(self):
        rows = list(csv.reader(io.StringIO(run("mdb-export", DATABASE, "vandrel"))))
        self.assertEqual(rows[0], ["id", "title", "content"])
        stored = {i: (title, descramble(content)) for i, title, content in rows[1:]}
        self.assertEqual(stored, SIGN_RECORDS)

    def test_stroke_statement_finds_the_count(self):
        sample = sorted(STROKE_COUNTS)[::400] + list("天地人发龙爱")
        for ch in sample:
            with self.subTest(character=ch):
                rows = mdb_sql("Select num from bihua where hanzi like '%" + ch + "%'")
                self.assertEqual(rows[:1], [[str(STROKE_COUNTS[ch])]])

    def test_stroke_statement_finds_nothing_for_a_character_not_listed(self):
        self.assertEqual(mdb_sql("Select num from bihua where hanzi like '%☆%'"), [])

    def test_sign_statement_reads_title_and_content(self):
        for sign_id, (title, text) in SIGN_RECORDS.items():
            with self.subTest(id=sign_id):
                rows = mdb_sql("Select top 1 title,content from vandrel where id ='" + sign_id + "'")
                self.assertEqual(len(rows), 1)
                self.assertEqual(rows[0][0], title)
                self.assertEqual(descramble(rows[0][1]), text)

    def test_sign_statement_finds_nothing_for_an_id_without_a_sign(self):
        self.assertEqual(mdb_sql("Select top 1 title,content from vandrel where id ='384'"), [])


class MdbReaderReadsTheSources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        out = run("node", os.path.join(HERE, "read_with_mdb_reader.mjs"), DATABASE, NODE_MODULES)
        cls.database = json.loads(out)

    def test_tables(self):
        self.assertEqual(self.database["tables"], ["bihua", "vandrel"])
        self.assertIn("MSysObjects", self.database["systemTables"])
        self.assertIsNone(self.database["password"])

    def test_bihua(self):
        bihua = self.database["data"]["bihua"]
        self.assertEqual(bihua["columns"], [["hanzi", "text"], ["num", "long"]])
        self.assertEqual(bihua["rowCount"], len(bihua["rows"]))
        counts, twice = grouped_counts(bihua["rows"])
        self.assertEqual(twice, [])
        self.assertEqual(counts, STROKE_COUNTS)

    def test_vandrel(self):
        vandrel = self.database["data"]["vandrel"]
        self.assertEqual(vandrel["columns"], [["id", "text"], ["title", "text"], ["content", "memo"]])
        stored = {i: (title, descramble(content)) for i, title, content in vandrel["rows"]}
        self.assertEqual(stored, SIGN_RECORDS)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
