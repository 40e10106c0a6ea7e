#!/usr/bin/env python3
"""Derives the oracle check's tables of classical tones and rhymes, and checks
that the oracle's verses copy no line of the Tang and Song poems.

Source: the npm package chinese-poetry (MIT), installed outside the build's
node_modules (npm install --prefix /work/npm-extra/poetry chinese-poetry, or
name its folder with --package). The build and the tests never need it: they
read the tables this tool writes.

data/verse_tones.txt: for each character, level (平), oblique (仄) or either
(两). dist/strains/json marks every character of the poems of
dist/quantangshi (Tang and Song, aligned by id) level or oblique; each mark
is a vote for the character in its simplified form (OpenCC's TSCharacters,
one character at a time, Debian's libopencc-data). A character with at least
MIN_VOTES votes is level or oblique when at least SURE_SHARE of them agree,
either otherwise. Fewer votes: Unihan's kCantonese (Debian's unicode-data)
decides: tones 1 and 4 without a final -p, -t, -k are level, the others
(the entering tone among them) oblique. Where the votes and kCantonese (a
single reading) disagree, the character may be either: the marks often
follow one reading of a character whatever its sense. The characters read two ways in
verse are judged in context by data/verse_two_readings.txt, a reviewed table
the check reads beside this one.

data/verse_rhymes.txt: the thirty level-tone groups of the 平水韵 (上平 一东 ..
十五删, 下平 一先 .. 十五咸). Seeded by dist/mengxue/shenglvqimeng.json, which
is laid out by these groups (the rhyme of each of its sentences), together
with tools/verse_rhyme_additions.txt (reviewed by hand).

tests/divination/verse_originality.txt: the digest of the verses this tool
found to share no run of six characters with a Tang or Song poem (every
record of data/signs.txt and data/lots.txt that is not on
data/oracle_pending.txt); the oracle check fails when the verses changed
since.

Usage:
  tools/derive_verse_tables.py [--package DIR] tables
  tools/derive_verse_tables.py [--package DIR] originality [--record] [FILE ...]
      check the verses of FILE (default: the committed sources, pending
      records left out); --record writes the digest file (only when clean)
"""

import argparse
import bz2
import collections
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..'))
TONES = os.path.join(ROOT, 'data', 'verse_tones.txt')
RHYMES = os.path.join(ROOT, 'data', 'verse_rhymes.txt')
ADDITIONS = os.path.join(HERE, 'verse_rhyme_additions.txt')
ORIGINALITY = os.path.join(ROOT, 'tests', 'divination', 'verse_originality.txt')
PENDING = os.path.join(ROOT, 'data', 'oracle_pending.txt')
SOURCES = (('signs', os.path.join(ROOT, 'data', 'signs.txt')), ('lots', os.path.join(ROOT, 'data', 'lots.txt')))
DEFAULT_PACKAGE = '/work/npm-extra/poetry/node_modules/chinese-poetry'
UNIHAN_READINGS = '/usr/share/unicode/Unihan_Readings.txt.bz2'
OPENCC = '/usr/share/opencc'
MIN_VOTES = 4
SURE_SHARE = 0.8
RUN = 6
GROUPS = ('一东', '二冬', '三江', '四支', '五微', '六鱼', '七虞', '八齐', '九佳', '十灰',
          '十一真', '十二文', '十三元', '十四寒', '十五删',
          '一先', '二萧', '三肴', '四豪', '五歌', '六麻', '七阳', '八庚', '九青', '十蒸',
          '十一尤', '十二侵', '十三覃', '十四盐', '十五咸')
HAN = re.compile('[\u4e00-\u9fff]')


class DerivationError(Exception):
    pass


def traditional_to_simplified():
    """traditional character -> its simplified form (first candidate)."""
    source = os.path.join(OPENCC, 'TSCharacters.ocd2')
    if not os.path.exists(source):
        raise DerivationError(f'{source} is missing (install opencc and libopencc-data)')
    with tempfile.TemporaryDirectory() as folder:
        text = os.path.join(folder, 'ts.txt')
        subprocess.run(['opencc_dict', '-i', source, '-o', text, '-f', 'ocd2', '-t', 'text'], check=True)
        table = {}
        for line in open(text, encoding='utf-8'):
            key, values = line.rstrip('\n').split('\t')
            table[key] = values.split()[0]
    return table


def poems(package):
    """(id, paragraphs) of every Tang and Song poem."""
    paths = sorted(glob.glob(os.path.join(package, 'dist', 'quantangshi', 'poet.*.json')))
    if not paths:
        raise DerivationError(f'no poems under {package}/dist/quantangshi (install chinese-poetry)')
    for path in paths:
        for poem in json.load(open(path, encoding='utf-8')):
            yield poem['id'], poem.get('paragraphs') or []


def strains(package):
    marks = {}
    for path in glob.glob(os.path.join(package, 'dist', 'strains', 'json', 'poet.*.json')):
        for poem in json.load(open(path, encoding='utf-8')):
            marks[poem['id']] = poem.get('strains') or []
    if not marks:
        raise DerivationError(f'no tone marks under {package}/dist/strains/json')
    return marks


def cantonese_tones():
    """character -> set of '平'/'仄' from kCantonese."""
    tones = {}
    with bz2.open(UNIHAN_READINGS, 'rt', encoding='utf-8') as source:
        for line in source:
            if '\tkCantonese\t' not in line:
                continue
            code, _, value = line.rstrip('\n').split('\t')
            found = set()
            for syllable in value.split():
                tone, plain = syllable[-1], syllable[:-1]
                entering = plain.endswith(('p', 't', 'k'))
                found.add('平' if tone in '14' and not entering else '仄')
            tones[chr(int(code[2:], 16))] = found
    return tones


def derive_tones(package, simplify):
    marks = strains(package)
    votes = collections.defaultdict(lambda: [0, 0])
    aligned = skipped = 0
    for poem_id, paragraphs in poems(package):
        lines = marks.get(poem_id)
        if not lines:
            continue
        text, pattern = ''.join(paragraphs), ''.join(lines)
        if len(text) != len(pattern):
            skipped += 1
            continue
        aligned += 1
        for char, mark in zip(text, pattern):
            if mark in '平仄' and HAN.match(char):
                votes[simplify.get(char, char)][0 if mark == '平' else 1] += 1
    cantonese = cantonese_tones()
    table, disagree = {}, 0
    wanted = set(votes)  # and every character GBK encodes
    for code in range(0x4e00, 0xa000):
        char = chr(code)
        try:
            char.encode('gbk')
            wanted.add(char)
        except UnicodeEncodeError:
            pass
    for char in sorted(wanted):
        level, oblique = votes.get(char, (0, 0))
        second = cantonese.get(char, set())
        if level + oblique >= MIN_VOTES:
            share = level / (level + oblique)
            tone = '平' if share >= SURE_SHARE else '仄' if share <= 1 - SURE_SHARE else '两'
            if len(second) == 1 and tone != '两' and tone not in second:
                # The marks often follow one reading of the character
                # whatever its sense: where Cantonese reads it the other way
                # it may be either, unless the reviewed table says otherwise.
                disagree += 1
                tone = '两'
        elif second:
            tone = second.pop() if len(second) == 1 else '两'
        elif level + oblique:
            tone = '平' if level > oblique else '仄' if oblique > level else '两'
        else:
            continue
        table[char] = (tone, level, oblique)
    return table, aligned, skipped, disagree


def seed_rhymes(package, simplify):
    """group -> characters: the rhyme of each sentence of 声律启蒙."""
    path = os.path.join(package, 'dist', 'mengxue', 'shenglvqimeng.json')
    book = json.load(open(path, encoding='utf-8'))
    chapters = [c for volume in book['content'] for c in volume['content']]
    if len(chapters) != len(GROUPS):
        raise DerivationError(f'{path}: {len(chapters)} chapters, expected {len(GROUPS)}')
    seeds = {}
    for group, chapter in zip(GROUPS, chapters):
        name = re.sub(r'\s', '', chapter['chapter'])
        if ''.join(simplify.get(c, c) for c in name) != group:
            raise DerivationError(f'{path}: chapter {name} where {group} was expected')
        found = []
        for paragraph in chapter['paragraphs']:
            for sentence in re.split('。', paragraph):
                clauses = [c for c in re.split('[，；]', sentence) if c]
                # Three clauses (X对Y，Z对W，…): the last two rhyme; else the last.
                ends = clauses[1:] if len(clauses) == 3 else clauses[-1:]
                for clause in ends:
                    char = simplify.get(clause[-1], clause[-1])
                    if HAN.match(char) and char not in found:
                        found.append(char)
        seeds[group] = found
    return seeds


def read_additions():
    """(additions, removals): group -> characters, as the reviewed file lists them."""
    additions, removals = {}, {}
    for line in open(ADDITIONS, encoding='utf-8'):
        words = line.split('#', 1)[0].split()
        if not words:
            continue
        target = removals if words[0] == '删' else additions
        if words[0] == '删':
            words = words[1:]
        if len(words) != 2 or words[0] not in GROUPS:
            raise DerivationError(f'{ADDITIONS}: {line.strip()!r} is not a group and characters')
        target.setdefault(words[0], []).extend(c for c in words[1] if HAN.match(c))
    return additions, removals


def write_tables(package):
    simplify = traditional_to_simplified()
    table, aligned, skipped, disagree = derive_tones(package, simplify)
    version = json.load(open(os.path.join(package, 'package.json'))).get('version', '?')
    with open(TONES, 'w', encoding='utf-8') as out:
        out.write('# Classical tone of each character: 平 level, 仄 oblique (the entering tone\n'
                  '# among them), 两 read either way. Derived by tools/derive_verse_tables.py from\n'
                  f'# npm chinese-poetry {version} (dist/strains/json over dist/quantangshi, {aligned}\n'
                  f'# poems aligned, {skipped} left out), simplified by OpenCC TSCharacters; under\n'
                  f'# {MIN_VOTES} votes Unihan kCantonese decides. Do not edit: derive anew.\n'
                  '# char<TAB>tone<TAB>level votes<TAB>oblique votes\n')
        for char, (tone, level, oblique) in table.items():
            out.write(f'{char}\t{tone}\t{level}\t{oblique}\n')
    seeds, (additions, removals) = seed_rhymes(package, simplify), read_additions()
    owner = {}
    with open(RHYMES, 'w', encoding='utf-8') as out:
        out.write('# The thirty level-tone rhyme groups of the 平水韵. Derived by\n'
                  f'# tools/derive_verse_tables.py from npm chinese-poetry {version}\n'
                  '# (dist/mengxue/shenglvqimeng.json, the rhyme of each sentence) and the\n'
                  '# reviewed tools/verse_rhyme_additions.txt. Do not edit: derive anew.\n'
                  '# group<TAB>characters\n')
        for group in GROUPS:
            chars = [c for c in dict.fromkeys(seeds[group] + additions.get(group, []))
                     if c not in removals.get(group, [])]
            for char in chars:
                owner.setdefault(char, []).append(group)
            out.write(f'{group}\t{"".join(chars)}\n')
    level_less = [c for c in owner if table.get(c, ('平',))[0] == '仄']
    print(f'{TONES}: {len(table)} characters; strong votes against kCantonese: {disagree}')
    print(f'{RHYMES}: {sum(len(v) for v in seeds.values())} seeded, '
          f'{sum(len(v) for v in additions.values())} added, {sum(len(v) for v in removals.values())} '
          f'seeds removed, {len(owner)} characters, '
          f'{sum(1 for g in owner.values() if len(g) > 1)} in two groups')
    if level_less:
        print(f'rhyme characters the tone table reads oblique only: {"".join(level_less)}')


def read_pending():
    pending = {'signs': set(), 'lots': set()}
    if os.path.exists(PENDING):
        for line in open(PENDING, encoding='utf-8'):
            line = line.split('#', 1)[0].split()
            if len(line) == 2:
                pending[line[0]].add(line[1])
    return pending


def verses_of(path, skip=frozenset()):
    """[(where, line)] of the four lines of each record's verse."""
    found = []
    for number, raw in enumerate(open(path, encoding='utf-8'), 1):
        fields = raw.rstrip('\n').split('\t')
        if raw.startswith('#') or len(fields) != 3 or fields[0] in skip:
            continue
        verse = re.match(r'^([^。]*)。', fields[2])
        for line in re.split('[，；]', verse.group(1) if verse else ''):
            found.append((f'{path}:{number}', line))
    return found


def verse_digest(lines):
    return hashlib.sha256('\n'.join(sorted(line for _, line in lines)).encode('utf-8')).hexdigest()


def find_copies(lines, clauses):
    """{(where, line): run} for each line sharing a run of RUN characters with
    one of `clauses` (simplified text)."""
    wanted = collections.defaultdict(list)
    for where, line in lines:
        for start in range(len(line) - RUN + 1):
            wanted[line[start:start + RUN]].append((where, line))
    found = {}
    for clause in clauses:
        for start in range(len(clause) - RUN + 1):
            for key in wanted.get(clause[start:start + RUN], ()):
                found[key] = clause[start:start + RUN]
    return found


def corpus_clauses(package):
    table = str.maketrans(traditional_to_simplified())
    for _, paragraphs in poems(package):
        for paragraph in paragraphs:
            yield from re.split('[，。；？！、：]', paragraph.translate(table))


def copied_runs(package, lines):
    """[(where, line, run)] for each line with a run of RUN characters in a poem."""
    found = find_copies(lines, corpus_clauses(package))
    return [(where, line, run) for (where, line), run in sorted(found.items())]


def originality(package, files, record):
    if files:
        lines = [item for path in files for item in verses_of(path)]
    else:
        pending = read_pending()
        lines = [item for kind, path in SOURCES for item in verses_of(path, pending[kind])]
    copies = copied_runs(package, lines)
    for where, line, run in copies:
        print(f'{where}: verse line {line} shares {run} with a Tang or Song poem')
    print(f'originality: {len(lines)} verse lines, {len(copies)} copied')
    if record and not files:
        if copies:
            print('not recorded: copied lines remain')
            return 1
        with open(ORIGINALITY, 'w', encoding='utf-8') as out:
            out.write('# Digest (sha256 of the sorted verse lines, one a line) of the verses\n'
                      '# tools/derive_verse_tables.py originality found to share no run of six\n'
                      '# characters with a Tang or Song poem of npm chinese-poetry: the records of\n'
                      '# data/signs.txt and data/lots.txt not on data/oracle_pending.txt.\n'
                      f'{verse_digest(lines)}\t{len(lines)}\n')
        print(f'recorded in {ORIGINALITY}')
    return 1 if copies else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--package', default=DEFAULT_PACKAGE)
    sub = parser.add_subparsers(dest='command', required=True)
    sub.add_parser('tables')
    check = sub.add_parser('originality')
    check.add_argument('--record', action='store_true')
    check.add_argument('files', nargs='*')
    args = parser.parse_args()
    try:
        if args.command == 'tables':
            write_tables(args.package)
            return 0
        return originality(args.package, args.files, args.record)
    except (DerivationError, OSError, ValueError) as error:
        print(f'derive_verse_tables: {error}', file=sys.stderr)
        return 2


if __name__ == '__main__':
    sys.exit(main())
