#!/usr/bin/env python3
"""Derives data/strokes.txt: every ideograph that GBK (code page 936) encodes,
the traditional form whose strokes are counted, and that form's stroke count.

Traditional form: the one a reader writes for the character's everyday sense,
as OpenCC converts a single character to the Taiwan standard (Debian's opencc
and libopencc-data): the first candidate of STCharacters, then TWVariants.
Each character is converted on its own, so no phrase rule applies. A
character whose everyday sense is split between several traditional
characters takes the form that tools/stroke_exceptions.txt chooses, where it
is listed there.

Stroke count: Unihan's kTotalStrokes of the form (Debian's unicode-data). It
gives one count, or two where the zh-Hans and zh-Hant counts differ; the
second one, the traditional count, is used.

The GBK repertoire comes from the system's iconv (CP936), the same converter
the program uses.

Usage:
  tools/derive_strokes.py [OUTPUT]     write OUTPUT (default data/strokes.txt)
                                       and list every count that changes
  tools/derive_strokes.py --check [DATA]
                                       exit 1 when DATA (default
                                       data/strokes.txt) differs from a fresh
                                       derivation
Both also check the tables against OpenCC's own converter (opencc -c s2tw)
run one character per line, and every exception against the rules above.
"""

import bz2
import glob
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "data", "strokes.txt"))
EXCEPTIONS = os.path.join(HERE, "stroke_exceptions.txt")
UNIHAN = "/usr/share/unicode"
OPENCC = "/usr/share/opencc"
# Debian packages the sources come from, named in the output's header.
PACKAGES = ["unicode-data", "libopencc1.1", "libopencc-data"]


class DerivationError(Exception):
    pass


def read_total_strokes():
    """code point -> the traditional stroke count (the last kTotalStrokes value)."""
    paths = sorted(glob.glob(os.path.join(UNIHAN, "Unihan_*.txt.bz2")))
    if not paths:
        raise DerivationError("no Unihan files in %s (install unicode-data)" % UNIHAN)
    counts = {}
    for path in paths:
        with bz2.open(path, "rt", encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or "\tkTotalStrokes\t" not in line:
                    continue
                code, _, value = line.rstrip("\n").split("\t", 2)
                counts[int(code[2:], 16)] = int(value.split()[-1])
    return counts


def read_opencc_table(name, directory):
    """key -> candidates in OpenCC's order, from the package's binary
    dictionary exported to text by OpenCC's own opencc_dict."""
    source = os.path.join(OPENCC, name + ".ocd2")
    if not os.path.exists(source):
        raise DerivationError("%s is missing (install opencc and libopencc-data)" % source)
    text = os.path.join(directory, name + ".txt")
    subprocess.run(["opencc_dict", "-i", source, "-o", text, "-f", "ocd2", "-t", "text"], check=True)
    table = {}
    with open(text, encoding="utf-8") as f:
        for line in f:
            key, values = line.rstrip("\n").split("\t")
            table[key] = values.split(" ")
    return table


def opencc_s2tw(characters):
    """OpenCC's own Taiwan-standard conversion of each character on a line of
    its own: the reference the table reading must agree with."""
    result = subprocess.run(["opencc", "-c", os.path.join(OPENCC, "s2tw.json")],
                            input="\n".join(characters) + "\n", capture_output=True, text=True, check=True)
    converted = result.stdout.split("\n")[:len(characters)]
    return dict(zip(characters, converted))


def gbk_characters():
    """Every character that CP936 encodes in two bytes, in code order."""
    codes = []
    for lead in range(0x81, 0xFF):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFF)):
            codes.append(bytes([lead, trail]))
    blob = b"\n".join(codes) + b"\n"
    # -c drops what CP936 does not map; the line feeds keep the lines aligned.
    decoded = subprocess.run(["iconv", "-c", "-f", "CP936", "-t", "UTF-8"], input=blob,
                             stdout=subprocess.PIPE, check=False).stdout.decode("utf-8")
    result, seen = [], set()
    for text in decoded.split("\n")[:len(codes)]:
        if len(text) == 1 and ord(text) >= 0x80 and text not in seen:
            seen.add(text)
            result.append(text)
    return result


def read_exceptions(path):
    """character -> (form, reason, line number). Lines: character<TAB>form<TAB>reason."""
    exceptions = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            where = "%s:%d" % (os.path.basename(path), number)
            if len(fields) != 3 or len(fields[0]) != 1 or len(fields[1]) != 1 or not fields[2].strip():
                raise DerivationError("%s: expected character<TAB>form<TAB>reason" % where)
            if fields[0] in exceptions:
                raise DerivationError("%s: %s is listed twice" % (where, fields[0]))
            exceptions[fields[0]] = (fields[1], fields[2], where)
    return exceptions


def derive():
    """The rows (character, count, form) in GBK code order, and a report."""
    strokes = read_total_strokes()
    with tempfile.TemporaryDirectory() as directory:
        simplified_to_traditional = read_opencc_table("STCharacters", directory)
        taiwan_variants = read_opencc_table("TWVariants", directory)
    exceptions = read_exceptions(EXCEPTIONS)

    characters = [ch for ch in gbk_characters() if ord(ch) in strokes]  # symbols and letters have no strokes
    reference = opencc_s2tw(characters)
    rows, disagreements, problems = [], [], []
    for ch in characters:
        form = simplified_to_traditional.get(ch, [ch])[0]
        form = taiwan_variants.get(form, [form])[0]
        if form != reference[ch]:
            problems.append("%s: the tables give %s, opencc s2tw gives %s" % (ch, form, reference[ch]))
        if ord(form) not in strokes:
            problems.append("%s: its form %s has no kTotalStrokes" % (ch, form))
            continue
        chosen = form
        if ch in exceptions:
            chosen, reason, where = exceptions[ch]
            if ord(chosen) not in strokes:
                problems.append("%s: %s chooses %s, which has no kTotalStrokes" % (ch, where, chosen))
                continue
            candidates = simplified_to_traditional.get(ch, [ch]) + [form, ch]
            if chosen not in candidates:
                problems.append("%s: %s chooses %s, not one of OpenCC's %s" % (ch, where, chosen, " ".join(candidates)))
            if chosen != form:
                disagreements.append("%s %s %d (OpenCC %s %d): %s" % (ch, chosen, strokes[ord(chosen)], form,
                                                                    strokes[ord(form)], reason))
        rows.append((ch, strokes[ord(chosen)], chosen))
    unknown = sorted(set(exceptions) - set(characters))
    if unknown:
        problems.append("exceptions for characters outside the GBK ideographs: %s" % " ".join(unknown))
    if problems:
        raise DerivationError("\n".join(problems))
    agreeing = len(rows) - len(disagreements)
    report = ["%d characters; %d (%.2f %%) take OpenCC's Taiwan-standard form and its count, %d the exceptions' choice:"
              % (len(rows), agreeing, 100.0 * agreeing / len(rows), len(disagreements))]
    report += ["  " + d for d in disagreements]
    return rows, report


def package_versions():
    out = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${Version}\\n"] + PACKAGES,
                         capture_output=True, text=True, check=False).stdout
    return ", ".join(line for line in out.splitlines() if line)


def render(rows):
    lines = [
        "# The traditional form of every ideograph in GBK (code page 936) and its stroke count.",
        "# Generated by tools/derive_strokes.py from OpenCC's character tables (STCharacters,",
        "# then TWVariants; exceptions in tools/stroke_exceptions.txt) and Unihan's",
        "# kTotalStrokes (%s);" % package_versions(),
        "# do not edit by hand. character<TAB>count<TAB>traditional form, in GBK code order.",
    ]
    lines += ["%s\t%d\t%s" % row for row in rows]
    return "\n".join(lines) + "\n"


def read_rows(path):
    """character -> (count, form) of a stroke source; comment lines skipped."""
    rows = {}
    if not os.path.exists(path):
        return rows
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                fields = line.split("\t")
                rows[fields[0]] = (int(fields[1]), fields[2] if len(fields) > 2 else "?")
    return rows


def main(arguments):
    check = "--check" in arguments
    paths = [a for a in arguments if a != "--check"]
    path = paths[0] if paths else DATA
    try:
        rows, report = derive()
    except (DerivationError, subprocess.CalledProcessError, OSError) as e:
        print("derive_strokes: %s" % e, file=sys.stderr)
        return 1
    before = read_rows(path)
    after = {ch: (count, form) for ch, count, form in rows}
    changed = [(ch, before[ch], after[ch]) for ch, _, _ in rows if ch in before and before[ch][0] != after[ch][0]]
    differing = sorted(set(before) ^ set(after)) + [ch for ch, _, _ in rows if ch in before and before[ch] != after[ch]]

    if check:
        if not differing:
            print("derive_strokes: %s agrees with a fresh derivation (%d characters)" % (path, len(rows)))
            return 0
        print("derive_strokes: %s differs from a fresh derivation in %d characters; rerun tools/derive_strokes.py"
              % (path, len(differing)), file=sys.stderr)
        for ch in differing[:50]:
            print("  %s: committed %s, derived %s" % (ch, before.get(ch), after.get(ch)), file=sys.stderr)
        print("sources: %s" % package_versions(), file=sys.stderr)
        return 1

    for line in report:
        print(line)
    print("%d counts change against %s:" % (len(changed), path))
    for ch, (old, old_form), (new, form) in changed:
        print("  %s %d (%s) -> %d (%s)" % (ch, old, old_form, new, form))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(render(rows))
    print("derive_strokes: %d characters written to %s" % (len(rows), path))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
