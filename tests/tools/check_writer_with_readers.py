#!/usr/bin/env python3
"""The Jet writer's tricky parts, read back by mdbtools and by mdb-reader:
memos inline, on one LVAL page and chained over several, each at its size
boundary; compressed and uncompressed text; NULLs and empty values; a table
spanning hundreds of pages (reference usage maps); an empty table; a table
definition over several pages. Also the
tool's refusal of bad sources without an output file.

  check_writer_with_readers.py MAKE_SIGN_DATABASE NODE_MODULES
"""

import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

TOOL, NODE_MODULES = sys.argv[1:3]
HERE = os.path.dirname(os.path.abspath(__file__))
NULL_MARK = "@"  # mdb-export's NULL, a value none of the rows holds
# mdb-sql keeps a readline history in $HOME/.mdbhistory; without HOME it
# keeps none, and a test run leaves nothing in the user's home.
NO_HOME = {name: value for name, value in os.environ.items() if name != "HOME"}

# (case, note, label, number); None is NULL. Memo sizes in stored bytes: up
# to 64 stay in the row, up to 4076 take one LVAL row, longer ones chain.
MEMO_ROWS = [
    ("empty values", "", "", 0),
    ("NULL everywhere", None, None, None),
    ("inline memo at 64 bytes, compressed", "m" * 62, "abc", 1),
    ("LVAL memo at 65 bytes, compressed", "m" * 63, "abc", 2),
    ("LVAL memo of 4076 bytes", "汉" * 2038, "汉字", 3),
    ("chained memo of 4078 bytes", "汉" * 2039, "汉字", 4),
    ("chained memo over three pages", "长" * 5000, "长", 5),
    ("compressed memo of 1024 characters", "x" * 1024, "x", 6),
    ("uncompressed memo of 1025 characters", "y" * 1025, "y", 7),
    ("mixed text switching modes", "ab汉字cdefgh" * 300, "ab汉字cdefgh", 8),
    ("character with a zero low byte", "一abc一", "一abc一", 9),
    ("surrounding blanks kept", "  内容  ", "  标题  ", 10),
    ("longest text value", "短", "满" * 255, 11),
    ("lowest long", "-", "-", -2147483648),
    ("highest long", "+", "+", 2147483647),
]
MANY_ROWS = 70000  # about 600 data pages: more than one inline usage map covers
# 200 columns: a table definition of three pages.
WIDE_COLUMNS = ["column_number_%03d" % i for i in range(200)]
WIDE_ROWS = [["v%d" % i for i in range(200)], [("值%d" % i if i % 2 else None) for i in range(200)]]


def escape(value):
    if value is None:
        return "\\N"
    return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def description():
    lines = ["table\tmemos", "column\tcase\ttext", "column\tnote\tmemo", "column\tlabel\ttext",
             "column\tnumber\tlong"]
    for row in MEMO_ROWS:
        lines.append("row\t" + "\t".join(escape(v) for v in row))
    lines += ["table\tmany", "column\tn\tlong", "column\ts\ttext\t20"]
    lines += ["row\t%d\tvalue %d 值" % (i, i) for i in range(MANY_ROWS)]
    lines += ["table\tempty", "column\tx\ttext"]
    lines += ["table\twide"] + ["column\t%s\ttext\t10" % c for c in WIDE_COLUMNS]
    lines += ["row\t" + "\t".join(escape(v) for v in row) for row in WIDE_ROWS]
    return "\n".join(lines) + "\n"


def expected_many():
    return [[i, "value %d 值" % i] for i in range(MANY_ROWS)]


def run_tool(*arguments):
    return subprocess.run([TOOL, *arguments], capture_output=True, text=True, check=False)


class Database:
    directory = tempfile.TemporaryDirectory()
    path = os.path.join(directory.name, "tricky.mdb")

    @classmethod
    def build(cls):
        if not os.path.exists(cls.path):
            source = os.path.join(cls.directory.name, "tricky.txt")
            with open(source, "w", encoding="utf-8") as f:
                f.write(description())
            result = run_tool("--tables", source, "-o", cls.path)
            if result.returncode != 0:
                raise AssertionError(result.stderr)
        return cls.path


def export(table):
    out = subprocess.run(["mdb-export", "-0", NULL_MARK, Database.build(), table], capture_output=True,
                         text=True, check=True).stdout
    rows = list(csv.reader(io.StringIO(out)))
    return rows[0], [[None if v == NULL_MARK else v for v in row] for row in rows[1:]]


class MdbtoolsReadsTheTrickyParts(unittest.TestCase):
    def test_memos_and_texts(self):
        header, rows = export("memos")
        self.assertEqual(header, ["case", "note", "label", "number"])
        self.assertEqual(len(rows), len(MEMO_ROWS))
        for row, want in zip(rows, MEMO_ROWS):
            with self.subTest(case=want[0]):
                # mdb-export prints a zero-length value like NULL; mdb-reader
                # below tells the two apart.
                self.assertEqual(row, [None if v in (None, "") else str(v) for v in want])

    def test_table_over_many_pages(self):
        header, rows = export("many")
        self.assertEqual(rows, [[str(n), s] for n, s in expected_many()])

    def test_empty_table(self):
        header, rows = export("empty")
        self.assertEqual((header, rows), (["x"], []))

    def test_definition_over_several_pages(self):
        self.assertEqual(export("wide"), (WIDE_COLUMNS, WIDE_ROWS))

    def test_sql_reaches_a_row_on_the_last_page(self):
        out = subprocess.run(["mdb-sql", "-H", "-F", "-P", Database.build()],
                             input="Select n from many where s like '%value 69999 值%'\n",
                             capture_output=True, text=True, check=True, env=NO_HOME).stdout
        self.assertEqual(out.split(), ["69999"])


class MdbReaderReadsTheTrickyParts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        out = subprocess.run(["node", os.path.join(HERE, "read_with_mdb_reader.mjs"), Database.build(),
                              NODE_MODULES], capture_output=True, text=True, check=True).stdout
        cls.data = json.loads(out)["data"]

    def test_memos_and_texts(self):
        rows = self.data["memos"]["rows"]
        self.assertEqual(len(rows), len(MEMO_ROWS))
        for row, want in zip(rows, MEMO_ROWS):
            with self.subTest(case=want[0]):
                self.assertEqual(row, list(want))

    def test_table_over_many_pages(self):
        self.assertEqual(self.data["many"]["rowCount"], MANY_ROWS)
        self.assertEqual(self.data["many"]["rows"], expected_many())

    def test_empty_table(self):
        self.assertEqual(self.data["empty"]["rows"], [])

    def test_definition_over_several_pages(self):
        wide = self.data["wide"]
        self.assertEqual([name for name, _ in wide["columns"]], WIDE_COLUMNS)
        self.assertEqual(wide["rows"], WIDE_ROWS)


GOOD_SIGN = "001\t标题\t正文\n"
GOOD_STROKE = "天\t4\n"


class ToolRefusesBadSources(unittest.TestCase):
    """Each bad record: exit status 1, a message naming the line and the
    record, and no output file; an existing output stays untouched."""

    CASES = [
        # (case, strokes, signs, words the message must hold)
        ("id above 383", GOOD_STROKE, "384\t标题\t正文\n", ["signs.txt:1", '"384"']),
        ("id of two digits", GOOD_STROKE, "12\t标题\t正文\n", ["signs.txt:1", '"12"']),
        ("id not a number", GOOD_STROKE, "# c\n0a1\t标题\t正文\n", ["signs.txt:2", '"0a1"']),
        ("duplicate id", GOOD_STROKE, GOOD_SIGN + GOOD_SIGN, ["signs.txt:2", '"001"', "line 1"]),
        ("title outside GBK", GOOD_STROKE, "002\t标题😀\t正文\n", ["signs.txt:1", '"002"', "title"]),
        ("text outside GBK", GOOD_STROKE, "003\t标题\t正文\u20a9\n", ["signs.txt:1", '"003"', "text"]),
        ("title too long", GOOD_STROKE, "004\t" + "长" * 256 + "\t正文\n", ["signs.txt:1", '"004"', "256"]),
        ("text too long", GOOD_STROKE, "005\t标题\t" + "长" * 4001 + "\n", ["signs.txt:1", '"005"', "8002"]),
        ("text one byte too long", GOOD_STROKE, "005\t标题\t" + "长" * 4000 + "a\n", ["signs.txt:1", '"005"', "8001"]),
        ("missing field", GOOD_STROKE, "006\t标题\n", ["signs.txt:1"]),
        ("duplicate character", "天\t4\n地\t6\n天\t4\n", GOOD_SIGN, ["strokes.txt:3", '"天"', "line 1"]),
        ("character outside GBK", "\U00020000\t7\n", GOOD_SIGN, ["strokes.txt:1", "GBK"]),
        ("negative count", "天\t-4\n", GOOD_SIGN, ["strokes.txt:1", '"天"', '"-4"']),
        ("count not a number", "天\t4a\n", GOOD_SIGN, ["strokes.txt:1", '"天"', '"4a"']),
        ("empty count", "天\t\n", GOOD_SIGN, ["strokes.txt:1", '"天"']),
        ("two characters", "天地\t4\n", GOOD_SIGN, ["strokes.txt:1", '"天地"']),
        ("form of two characters", "天\t4\t天地\n", GOOD_SIGN, ["strokes.txt:1", '"天"', '"天地"']),
    ]

    def test_bad_records(self):
        for case, strokes, signs, words in self.CASES:
            with self.subTest(case=case), tempfile.TemporaryDirectory() as directory:
                stroke_path = os.path.join(directory, "strokes.txt")
                sign_path = os.path.join(directory, "signs.txt")
                output = os.path.join(directory, "KelmFile.dll")
                with open(stroke_path, "w", encoding="utf-8") as f:
                    f.write(strokes)
                with open(sign_path, "w", encoding="utf-8") as f:
                    f.write(signs)
                result = run_tool("--strokes", stroke_path, "--signs", sign_path, "-o", output)
                self.assertEqual(result.returncode, 1)
                for word in words:
                    self.assertIn(word, result.stderr)
                self.assertEqual(sorted(os.listdir(directory)), ["signs.txt", "strokes.txt"])

    def test_existing_output_survives_a_refusal(self):
        with tempfile.TemporaryDirectory() as directory:
            stroke_path = os.path.join(directory, "strokes.txt")
            sign_path = os.path.join(directory, "signs.txt")
            output = os.path.join(directory, "KelmFile.dll")
            with open(stroke_path, "w", encoding="utf-8") as f:
                f.write(GOOD_STROKE)
            with open(sign_path, "w", encoding="utf-8") as f:
                f.write(GOOD_SIGN)
            self.assertEqual(run_tool("--strokes", stroke_path, "--signs", sign_path, "-o", output).returncode, 0)
            with open(output, "rb") as f:
                before = f.read()
            with open(sign_path, "w", encoding="utf-8") as f:
                f.write(GOOD_SIGN + "999\tx\ty\n")
            self.assertEqual(run_tool("--strokes", stroke_path, "--signs", sign_path, "-o", output).returncode, 1)
            with open(output, "rb") as f:
                self.assertEqual(f.read(), before)
            self.assertEqual(sorted(os.listdir(directory)), ["KelmFile.dll", "signs.txt", "strokes.txt"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
