#!/usr/bin/env python3
"""Form checks over the oracle's sources: the 384 signs and the shrine's lots.

    test_oracle_source.py [--signs FILE] [--lots FILE] [--partial]

Each record is one line `id<TAB>名称（等级）<TAB>text` (UTF-8); the text is

    L1，L2；L3，L4。典故：…。解曰：…。家宅：…。自身：…。 … 移徙：…。

with the twelve matters in the order of MATTERS. --partial checks one batch:
the id range need not be complete and the grade spread is not judged.
Prints one line per problem and a closing count line; exit status 1 on any.

Rhyme and tone are judged from Unihan's kMandarin reading (Debian
unicode-data) in the thirteen rhyme groups of Mandarin verse (十三辙); the
tables below list the few characters whose classical reading differs."""
import argparse
import bz2
import collections
import os
import re
import sys
import tempfile
import unicodedata

UNIHAN_READINGS = '/usr/share/unicode/Unihan_Readings.txt.bz2'
HAN = '[\u4e00-\u9fff]'
MATTERS = ('家宅', '自身', '求财', '婚姻', '六甲', '功名', '出行', '行人', '疾病', '诉讼', '失物', '移徙')
GRADES = ('上上签', '上吉签', '中吉签', '中平签', '下下签')
# Share of each grade, and how far a whole file may stray from it.
GRADE_SHARE = {'上上签': 0.10, '上吉签': 0.20, '中吉签': 0.30, '中平签': 0.25, '下下签': 0.15}
GRADE_TOLERANCE = 0.03

TITLE = re.compile(rf'^({HAN}{{4}})（({"|".join(GRADES)})）$')
MATTER_TEXT = '[^。：]{1,14}'
TEXT = re.compile(
    rf'^({HAN}{{7}})，({HAN}{{7}})；({HAN}{{7}})，({HAN}{{7}})。'
    rf'典故：({HAN}{{2,12}})。'
    r'解曰：([^：]+?。)'
    + ''.join(rf'{m}：({MATTER_TEXT})。' for m in MATTERS) + '$')

# Readings Unihan's single kMandarin value misses where verse uses another.
EXTRA_READINGS = {
    '看': ['kān'], '听': ['tìng'], '过': ['guō'], '思': ['sì'], '望': ['wáng'],
    '重': ['chóng'], '行': ['háng'], '还': ['huán'], '长': ['zhǎng'], '为': ['wèi'],
    '教': ['jiāo'], '论': ['lún'], '醒': ['xīng'], '忘': ['wáng'], '骑': ['jì'],
    '传': ['zhuàn'], '观': ['guàn'], '中': ['zhòng'], '应': ['yìng'], '兴': ['xìng'],
    '间': ['jiàn'], '冲': ['chòng'], '更': ['gèng'], '禁': ['jīn'], '胜': ['shēng'],
    '乘': ['shèng'], '分': ['fèn'], '量': ['liáng'], '相': ['xiàng'], '鲜': ['xiǎn'],
    '调': ['diào'], '朝': ['zhāo'], '数': ['shǔ'], '担': ['dàn'], '缝': ['fèng'],
    '将': ['jiàng'], '当': ['dàng'], '称': ['chèn'], '华': ['huà'], '王': ['wàng'],
    '燕': ['yān'], '妻': ['qì'], '闻': ['wèn'], '叹': ['tān'], '漫': ['mán'],
}
# Classical rhymes that the modern groups split (平水韵 麻/佳 and the like).
EXTRA_GROUPS = {'斜': {'A'}, '涯': {'I', 'AI'}, '车': {'U'}, '家': {'A'}, '遮': {'A'}}

FORBIDDEN = {
    'health': ('必愈', '即愈', '痊愈无疑', '不药而愈', '不必就医', '不用就医', '无须就医', '不必吃药', '不用吃药', '药到病除', '百病全消'),
    'pregnancy': ('生男', '生女', '得男', '得女', '弄璋', '弄瓦', '男胎', '女胎', '必生贵子', '必安产'),
    'money': ('稳赚', '横财', '暴富', '中奖', '包赚', '必发财', '一夜致富', '投资必'),
    'lawsuit': ('必胜诉', '胜诉', '官司必赢', '必赢', '稳操胜券'),
    'modern words': ('网上', '快递', '面试', '手机', '电脑', '股票', '公司', '微信', '考研'),
}
# Modern words may stand in the twelve answers; promises may stand nowhere.
MODERN_ALLOWED_IN_MATTERS = True
# The stories never tell of war and never name a strategist, adviser, general
# or warlord.
STORY_BANNED = (
    '诸葛', '孔明', '张良', '子房', '太公', '姜子牙', '孙武', '孙子', '孙膑', '田忌', '管仲',
    '范蠡', '萧何', '韩信', '岳飞', '关羽', '关公', '云长', '曹操', '刘备', '项羽', '周瑜',
    '司马懿', '鬼谷', '苏秦', '张仪', '廉颇', '蔺相如', '勾践', '伍子胥', '木兰', '班超',
    '卫青', '霍去病', '戚继光', '郑成功', '文天祥', '杨家', '穆桂英', '赵云', '张飞', '吕布',
    '吴起', '白起', '乐毅', '李广', '马援', '郭子仪', '薛仁贵', '秦琼', '尉迟', '于谦',
    '袁崇焕', '史可法', '魏征', '狄仁杰', '晏子', '晏婴', '商鞅', '李斯', '甘罗', '毛遂',
    '冯谖', '孟尝', '信陵', '荆轲', '张骞', '苏武', '寇准', '范仲淹', '王安石', '东方朔',
    '谢安', '陆逊', '庞统', '徐庶', '刘伯温', '刘基', '姚广孝', '檀道济', '祖逖',
    '兵', '战', '军', '攻', '伐', '征', '戍', '阵', '谋士', '丞相', '宰相', '将军', '元帅',
    '将帅', '大将', '名将', '武将', '国师', '军师', '纵横',
)

INITIALS = ('zh', 'ch', 'sh', 'b', 'p', 'm', 'f', 'd', 't', 'n', 'l', 'g', 'k', 'h',
            'j', 'q', 'x', 'r', 'z', 'c', 's')
Y_W = {'yi': 'i', 'ya': 'ia', 'ye': 'ie', 'yao': 'iao', 'you': 'iu', 'yan': 'ian',
       'yin': 'in', 'yang': 'iang', 'ying': 'ing', 'yong': 'iong', 'yu': 'ü', 'yue': 'üe',
       'yuan': 'üan', 'yun': 'ün', 'yo': 'o', 'wu': 'u', 'wa': 'ua', 'wo': 'uo', 'wai': 'uai',
       'wei': 'ui', 'wan': 'uan', 'wen': 'un', 'wang': 'uang', 'weng': 'ong'}
GROUPS = {
    'A': ('a', 'ia', 'ua'), 'O': ('o', 'e', 'uo'), 'IE': ('ie', 'üe', 'ue'),
    'I': ('i', 'ü', 'er', '-i'), 'U': ('u',), 'AI': ('ai', 'uai'), 'EI': ('ei', 'ui'),
    'AO': ('ao', 'iao'), 'OU': ('ou', 'iu'), 'AN': ('an', 'ian', 'uan', 'üan'),
    'EN': ('en', 'in', 'un', 'ün'), 'ANG': ('ang', 'iang', 'uang'),
    'ENG': ('eng', 'ing', 'ong', 'iong'),
}
FINAL_GROUP = {final: group for group, finals in GROUPS.items() for final in finals}


def load_readings():
    readings = {}
    with bz2.open(UNIHAN_READINGS, 'rt', encoding='utf-8') as source:
        for line in source:
            if '\tkMandarin\t' in line:
                code, _, value = line.rstrip('\n').split('\t')
                readings[chr(int(code[2:], 16))] = value.split()[0]
    return readings


def split_reading(syllable):
    """'zhòng' -> ('zhong', 4); tone 5 for the neutral tone."""
    tone, plain = 5, ''
    for char in unicodedata.normalize('NFD', syllable):
        mark = {'\u0304': 1, '\u0301': 2, '\u030c': 3, '\u0300': 4}.get(char)
        if mark:
            tone = mark
        elif char != '\u0308':
            plain += char
        else:
            plain = plain[:-1] + 'ü'
    return plain, tone


def rhyme_group(plain):
    if plain in Y_W:
        final = Y_W[plain]
    else:
        initial = next((i for i in INITIALS if plain.startswith(i)), '')
        final = plain[len(initial):]
        if initial in ('j', 'q', 'x') and final.startswith('u'):
            final = 'ü' + final[1:]
        if initial in ('zh', 'ch', 'sh', 'r', 'z', 'c', 's') and final == 'i':
            final = '-i'
        final = {'uei': 'ui', 'iou': 'iu', 'uen': 'un', 've': 'üe'}.get(final, final)
    return FINAL_GROUP.get(final)


def char_readings(char, readings):
    return [split_reading(s) for s in [readings.get(char, '')] + EXTRA_READINGS.get(char, []) if s]


def is_level(char, readings):
    return any(tone in (1, 2) for _, tone in char_readings(char, readings))


def is_oblique(char, readings):
    return any(tone in (3, 4) for _, tone in char_readings(char, readings))


def groups_of(char, readings, level_only):
    groups = {rhyme_group(plain) for plain, tone in char_readings(char, readings)
              if not level_only or tone in (1, 2)}
    return (groups | EXTRA_GROUPS.get(char, set())) - {None}


def check_verse(lines, readings):
    problems = []
    ends = [line[-1] for line in lines]
    common = groups_of(ends[1], readings, True) & groups_of(ends[3], readings, True)
    if not common:
        problems.append(f'lines 2 and 4 do not rhyme on a level tone: {ends[1]} / {ends[3]}')
    if ends[1] == ends[3] or (ends[0] in (ends[1], ends[3])):
        problems.append(f'a rhyme character is used twice: {"".join(ends)}')
    if not is_oblique(ends[2], readings):
        problems.append(f'line 3 ends on a level tone: {ends[2]}')
    return problems


def check_file(path, kind, readings, partial, seen):
    """Checks one source; `seen` gathers what must be unique over all files."""
    problems = []
    grades = {}
    for number, raw in enumerate(open(path, encoding='utf-8'), 1):
        raw = raw.rstrip('\n')
        if not raw or raw.startswith('#'):
            continue
        where = f'{path}:{number}'

        def problem(text):
            problems.append(f'{where}: {text}')

        fields = raw.split('\t')
        if len(fields) != 3:
            problem('expected id, title and text separated by tabs')
            continue
        record_id, title, text = fields
        low, high = (0, 383) if kind == 'signs' else (1, 100)
        if not re.fullmatch(r'\d{3}', record_id) or not low <= int(record_id) <= high:
            problem(f'id {record_id!r} is not {low:03d}..{high:03d}')
            continue
        if record_id in grades:
            problem(f'id {record_id} appears twice')
        title_match = TITLE.match(title)
        grades[record_id] = title_match.group(2) if title_match else None
        if not title_match:
            problem(f'title {title!r} is not a four-character name with one of the five grades')
        elif title_match.group(1) in seen['names'].setdefault(kind, {}):
            problem(f'name {title_match.group(1)} already used at {seen["names"][kind][title_match.group(1)]}')
        else:
            seen['names'][kind][title_match.group(1)] = where
        try:
            (title + text).encode('gbk')
        except UnicodeEncodeError as error:
            problem(f'not encodable in GBK: {error}')
        match = TEXT.match(text)
        if not match:
            missing = [m for m in MATTERS if f'{m}：' not in text]
            problem('text does not have the verse, 典故, 解曰 and the twelve matters in order'
                    + (f' (missing {"、".join(missing)})' if missing else ''))
            continue
        verse, story, reading = match.groups()[:4], match.group(5), match.group(6)
        answers = match.groups()[6:]
        if not 30 <= len(reading) <= 60:
            problem(f'reading has {len(reading)} characters, not 30..60')
        for text_problem in check_verse(verse, readings):
            problem(text_problem)
        for line in verse:
            if line in seen['lines']:
                problem(f'verse line {line} already used at {seen["lines"][line]}')
            seen['lines'][line] = where
        if story in seen['stories']:
            problem(f'story {story} already told at {seen["stories"][story]}')
        seen['stories'][story] = where
        for banned in STORY_BANNED:
            if banned in story:
                problem(f'story {story} names a strategist, adviser, general or war ({banned})')
        body = ''.join(verse) + story + reading
        for topic, words in FORBIDDEN.items():
            for word in words:
                if word in body or (topic != 'modern words' and any(word in a for a in answers)):
                    problem(f'forbidden ({topic}): {word}')
        # No run of eight characters shared by two records (verse and reading).
        plain = re.sub(f'[^\u4e00-\u9fff]', '', ''.join(verse) + reading)
        for start in range(len(plain) - 7):
            run = plain[start:start + 8]
            owner = seen['runs'].setdefault(run, where)
            if owner != where:
                problem(f'eight-character run {run} also at {owner}')
                break
    if not partial:
        low, high = (0, 383) if kind == 'signs' else (1, 100)
        missing = [f'{i:03d}' for i in range(low, high + 1) if f'{i:03d}' not in grades]
        if missing:
            problems.append(f'{path}: missing ids {", ".join(missing[:10])}{" ..." if len(missing) > 10 else ""}')
        counts = collections.Counter(grades.values())
        total = high - low + 1
        for grade, share in GRADE_SHARE.items():
            if abs(counts[grade] / total - share) > GRADE_TOLERANCE:
                problems.append(f'{path}: {counts[grade]} of {total} are {grade}, expected about {share:.0%}')
        order = [grades.get(f'{i:03d}') for i in range(low, high + 1)]
        for i in range(len(order) - 2):
            if order[i] == order[i + 1] == order[i + 2]:
                problems.append(f'{path}: three {order[i]} in a row from id {low + i:03d}: grades are not shuffled')
    return problems


GOOD = ('001\t锦鲤跃波（上上签）\t春潮初涨锦鳞肥，一跃波心溅日晖；险滩急浪浑闲事，满身金彩逐流飞。'
        '典故：孟母三迁择邻。解曰：时运亨通，如鱼得水，正当奋进。谦以持身，不可骄矜，则福泽绵长矣。'
        '家宅：平安，宜修旧。自身：得意。求财：正财可得。婚姻：可成。六甲：宜静养，勤产检。功名：有望。'
        '出行：顺利。行人：月内有信。疾病：宜就医调治。诉讼：宜和解。失物：寻于东北可得。移徙：吉。')
# Each row: what it breaks, the replacement made in GOOD, the problem expected.
SELF_TEST_ROWS = (
    ('sound record', None, None),
    ('grade outside the five', ('上上签', '上签'), 'title'),
    ('name of three characters', ('锦鲤跃波', '锦鲤跃'), 'title'),
    ('six-character line', ('春潮初涨锦鳞肥', '春潮初涨鳞肥'), 'verse, 典故'),
    ('a matter missing', ('婚姻：可成。', ''), 'missing 婚姻'),
    ('matters out of order', ('家宅：平安，宜修旧。自身：得意。', '自身：得意。家宅：平安，宜修旧。'), 'in order'),
    ('answer of fifteen characters', ('移徙：吉。', '移徙：吉吉吉吉吉吉吉吉吉吉吉吉吉吉吉。'), 'verse, 典故'),
    ('answer of fourteen characters', ('移徙：吉。', '移徙：吉吉吉吉吉吉吉吉吉吉吉吉吉吉。'), None),
    ('story of thirteen characters', ('孟母三迁择邻', '孟母三迁择邻孟母三迁择邻孟'), 'verse, 典故'),
    ('reading of 29 characters', ('则福泽绵长矣。', '矣。'), 'not 30..60'),
    ('reading of 61 characters', ('则福泽绵长矣。', '则福泽绵长矣' + '福' * 29 + '。'), 'not 30..60'),
    ('lines 2 and 4 not rhyming', ('逐流飞', '逐流行'), 'do not rhyme'),
    ('rhyme on an oblique tone', ('溅日晖', '溅日醉'), 'do not rhyme'),
    ('line 3 ending level', ('浑闲事', '浑闲时'), 'line 3'),
    ('rhyme character twice', ('逐流飞', '逐流晖'), 'twice'),
    ('line 1 ending on the rhyme character', ('锦鳞肥', '锦鳞飞'), 'twice'),
    ('story of a general', ('孟母三迁择邻', '岳飞精忠报国'), 'strategist'),
    ('story of war', ('孟母三迁择邻', '赤壁大战'), 'strategist'),
    ('promise of recovery', ('宜就医调治', '不药而愈'), 'health'),
    ('sex of the child', ('宜静养，勤产检', '必生男'), 'pregnancy'),
    ('windfall', ('正财可得', '横财可得'), 'money'),
    ('verdict', ('宜和解', '必胜诉'), 'lawsuit'),
    ('modern word in the verse', ('春潮初涨锦鳞肥', '春潮初涨网上肥'), 'modern'),
    ('not GBK', ('满身金彩', '满身金𠀀'), 'GBK'),
)


def self_test(readings):
    failures = 0
    for name, change, expected in SELF_TEST_ROWS:
        record = GOOD if change is None else GOOD.replace(*change, 1)
        found = _check_text(record + '\n', readings)
        ok = (not found) if expected is None else any(expected in p for p in found)
        if not ok:
            failures += 1
            print(f'self-test "{name}": expected {expected or "no problem"}, got {found}')
    # Uniqueness over records: a second record repeating GOOD's run and story.
    found = _check_text(GOOD + '\n' + GOOD.replace('001', '002', 1).replace('锦鲤跃波', '锦鲤跃龙') + '\n', readings)
    for expected in ('already told', 'eight-character run', 'verse line'):
        if not any(expected in p for p in found):
            failures += 1
            print(f'self-test "repeated record": expected {expected}, got {found}')
    print(f'self-test: {len(SELF_TEST_ROWS) + 1 - failures} passed, {failures} failed')
    return failures


def _check_text(text, readings):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'lots.txt')
        with open(path, 'w', encoding='utf-8') as out:
            out.write(text)
        found = check_file(path, 'lots', readings, True, {'names': {}, 'lines': {}, 'stories': {}, 'runs': {}})
    return [p.split(': ', 1)[1] for p in found]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--signs')
    parser.add_argument('--lots')
    parser.add_argument('--partial', action='store_true')
    args = parser.parse_args()
    readings = load_readings()
    failures = self_test(readings)
    seen = {'names': {}, 'lines': {}, 'stories': {}, 'runs': {}}
    problems = []
    for kind in ('signs', 'lots'):
        path = getattr(args, kind)
        if path:
            problems += check_file(path, kind, readings, args.partial, seen)
    for line in problems:
        print(line)
    print(f'oracle sources: {len(problems)} problems')
    return 1 if problems or failures else 0


if __name__ == '__main__':
    sys.exit(main())
