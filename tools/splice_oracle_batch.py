#!/usr/bin/env python3
"""Splices rewritten records into the oracle's sources.

    tools/splice_oracle_batch.py signs|lots BATCH [BATCH ...]

Each BATCH is a file of records in the rewritten form (as the oracle check
describes them) that a reviewer has marked by BATCH.REVIEWED beside it. The
records replace those of the same id in data/signs.txt or data/lots.txt, and
their ids leave data/oracle_pending.txt. The oracle check then runs on the
whole sources and the verses are checked against the Tang and Song poems
(tools/derive_verse_tables.py originality --record, which needs the npm
package chinese-poetry); when either fails, the sources and the pending list
are left as they were."""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..'))
PENDING = os.path.join(ROOT, 'data', 'oracle_pending.txt')
CHECK = os.path.join(ROOT, 'tests', 'divination', 'test_oracle_source.py')
ORIGINALITY = os.path.join(ROOT, 'tests', 'divination', 'verse_originality.txt')
SOURCES = {'signs': os.path.join(ROOT, 'data', 'signs.txt'), 'lots': os.path.join(ROOT, 'data', 'lots.txt')}


def records(path):
    found = {}
    for line in open(path, encoding='utf-8'):
        line = line.rstrip('\n')
        if line and not line.startswith('#'):
            found[line.split('\t', 1)[0]] = line
    return found


def run(arguments):
    result = subprocess.run([sys.executable] + arguments, capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in SOURCES:
        print(__doc__.strip(), file=sys.stderr)
        return 1
    kind, batches = sys.argv[1], sys.argv[2:]
    new = {}
    for batch in batches:
        if not os.path.exists(batch + '.REVIEWED'):
            print(f'{batch}: not marked reviewed ({batch}.REVIEWED is missing)', file=sys.stderr)
            return 1
        status, output = run([CHECK, '--partial', f'--{kind}', batch])
        if status:
            print(f'{batch}: the oracle check fails:\n{output}', file=sys.stderr)
            return 1
        for record_id, line in records(batch).items():
            if record_id in new:
                print(f'{batch}: id {record_id} is in two batches', file=sys.stderr)
                return 1
            new[record_id] = line
    source = SOURCES[kind]
    saved = {path: open(path, encoding='utf-8').read() for path in (source, PENDING, ORIGINALITY)}
    unknown = set(new) - set(records(source))
    if unknown:
        print(f'ids not in {source}: {" ".join(sorted(unknown))}', file=sys.stderr)
        return 1
    lines = []
    for line in saved[source].split('\n'):
        record_id = line.split('\t', 1)[0]
        lines.append(new.get(record_id, line) if not line.startswith('#') else line)
    pending = [line for line in saved[PENDING].split('\n')
               if not re.fullmatch(rf'{kind}\s+({"|".join(map(re.escape, new))})\s*', line)]
    with open(source, 'w', encoding='utf-8') as out:
        out.write('\n'.join(lines))
    with open(PENDING, 'w', encoding='utf-8') as out:
        out.write('\n'.join(pending))
    status, output = run([os.path.join(HERE, 'derive_verse_tables.py'), 'originality', '--record'])
    if not status:
        status, output = run([CHECK, '--signs', SOURCES['signs'], '--lots', SOURCES['lots'],
                              '--pending', PENDING, '--originality', ORIGINALITY])
    if status:
        for path, text in saved.items():
            with open(path, 'w', encoding='utf-8') as out:
                out.write(text)
        print(f'not spliced: the whole sources fail:\n{output}', file=sys.stderr)
        return 1
    print(f'spliced {len(new)} {kind} into {source}; {len(new)} ids left {PENDING}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
