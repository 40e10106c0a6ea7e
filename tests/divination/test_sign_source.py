#!/usr/bin/env python3
"""Checks the oracle's sign source: python3 test_sign_source.py data/signs.txt

Each record is `id<TAB>title<TAB>text` (UTF-8). The title is the sign's
four-character name and its grade, 名称（上签|中签|下签）; the text is a verse of
four lines of seven characters followed by 解曰： and a reading of 40 to 90
characters. Prints one line per problem and a closing count line."""
import collections
import re
import sys

HAN = '[\u4e00-\u9fff]'
TEXT = re.compile(rf'^({HAN}{{7}})[，；]({HAN}{{7}})[，；。！]({HAN}{{7}})[，；]({HAN}{{7}})[。！？]解曰：(.+)$')
TITLE = re.compile(rf'^({HAN}{{4}})（(上签|中签|下签)）$')


def check(path):
    problems = []
    titles, lines, grades = {}, {}, {}
    for number, raw in enumerate(open(path, encoding='utf-8'), 1):
        raw = raw.rstrip('\n')
        if not raw or raw.startswith('#'):
            continue
        where = f'{path}:{number}'
        fields = raw.split('\t')
        if len(fields) != 3:
            problems.append(f'{where}: expected id, title and text separated by tabs')
            continue
        sign_id, title, text = fields
        if not re.fullmatch(r'\d{3}', sign_id) or int(sign_id) > 383:
            problems.append(f'{where}: id {sign_id!r} is not 000..383')
            continue
        if sign_id in grades:
            problems.append(f'{where}: id {sign_id} appears twice')
        match = TITLE.match(title)
        if not match:
            problems.append(f'{where}: title {title!r} is not a four-character name with its grade')
            grades[sign_id] = None
        else:
            name, grade = match.groups()
            grades[sign_id] = grade
            if name in titles:
                problems.append(f'{where}: title {name} already used at {titles[name]}')
            titles[name] = where
            if len(title) > 20:
                problems.append(f'{where}: title longer than 20 characters')
        verse = TEXT.match(text)
        if not verse:
            problems.append(f'{where}: text is not a 4 x 7 verse followed by 解曰： and a reading')
        else:
            for line in verse.groups()[:4]:
                if line in lines:
                    problems.append(f'{where}: verse line {line} already used at {lines[line]}')
                lines[line] = where
            reading = verse.group(5)
            if not 40 <= len(reading) <= 90:
                problems.append(f'{where}: reading has {len(reading)} characters, not 40..90')
        try:
            (title + text).encode('cp936')
        except UnicodeEncodeError as error:
            problems.append(f'{where}: not encodable in GBK: {error}')

    missing = [f'{i:03d}' for i in range(384) if f'{i:03d}' not in grades]
    if missing:
        problems.append(f'{path}: missing ids {", ".join(missing[:10])}{" ..." if len(missing) > 10 else ""}')
    else:
        order = [grades[f'{i:03d}'] for i in range(384)]
        counts = collections.Counter(order)
        # Roughly a quarter good, half middling, a quarter poor.
        for grade, low, high in (('上签', 80, 112), ('中签', 160, 224), ('下签', 80, 112)):
            if not low <= counts[grade] <= high:
                problems.append(f'{path}: {counts[grade]} signs of grade {grade}, expected {low}..{high}')
        # Spread over the ids: no three of a grade in a row, and no two good or
        # two poor signs side by side.
        for i in range(383):
            if order[i] == order[i + 1] and order[i] in ('上签', '下签'):
                problems.append(f'{path}: ids {i:03d} and {i + 1:03d} are both {order[i]}')
            if i < 382 and order[i] == order[i + 1] == order[i + 2]:
                problems.append(f'{path}: ids {i:03d}..{i + 2:03d} are all {order[i]}')
    return problems


def main():
    problems = check(sys.argv[1])
    for problem in problems:
        print(problem)
    print(f'sign source: {0 if problems else 1} passed, {1 if problems else 0} failed')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
