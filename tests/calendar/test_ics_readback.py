"""Reads the iCalendar export of 1901-2050 back with Debian's python3-icalendar
and checks every event against the program's calendar as `vandrel-tool
calendar` prints it: one festival event on every day with a lunar festival,
one term event on every solar term day, each birthday on a day whose lunar
date is the birthday's (or the one our rule keeps), names with commas,
semicolons, backslashes, line breaks and long text unchanged, descriptions
with the day's lunar date and 干支, lines of at most
75 octets that each are whole UTF-8, CRLF line ends, UIDs that are unique and
the same in a second export. Also: a file that is not an iCalendar file is
not replaced.

Usage: test_ics_readback.py VANDREL_TOOL WORK_DIR"""
import datetime
import os
import subprocess
import sys

import icalendar

tool, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
failures = []


def check(condition, message):
    if not condition and len(failures) < 20:
        failures.append(message)


def run(*arguments):
    return subprocess.run([tool, *arguments], capture_output=True, check=False)


# Names that need escaping or folding. The long one mixes one-, two- and
# three-octet characters so that the folds fall at every offset of them.
BIRTHDAYS = [
    ("妈妈, 生日; 快乐\\好", 4, True, 8),  # leap fourth month: 2020, else the regular one
    ("爸爸\n第二行\r\n第三行", 12, False, 30),  # 腊月三十, else 廿九
    ("é" + "长寿面，寿桃;a,b" * 12, 11, True, 15),  # leap eleventh month: 2033 only
    ("外婆", 2, True, 30),  # 闰二月三十: both rules at once in most years
]


def birthday_arguments():
    arguments = []
    for name, month, leap, day in BIRTHDAYS:
        arguments += ["--birthday", name, str(month), str(day)] + (["--leap"] if leap else [])
    return arguments


ics = os.path.join(work, "all.ics")
if os.path.exists(ics):
    os.remove(ics)
done = run("ics", "1901-01-01", "2050-12-31", *birthday_arguments(), "-o", ics)
if done.returncode != 0:
    sys.exit(f"ics failed ({done.returncode}): {done.stderr.decode()}")
data = open(ics, "rb").read()

# The calendar: date -> (lunar code, lunar festival, solar term).
calendar = {}
listing = run("calendar", "1901-01-01", "2050-12-31")
for line in listing.stdout.decode().splitlines():
    fields = line.split("\t")
    # The last field, the day's 干支 of year, month and day, once the calendar has it.
    gan_zhi = fields[9].split(" ") if len(fields) > 9 else []
    calendar[datetime.date.fromisoformat(fields[0])] = (int(fields[1]), fields[4], fields[5], fields[2], fields[3],
                                                        gan_zhi)
check(len(calendar) == 54787, f"{len(calendar)} days in the calendar")

# Lines: CRLF, at most 75 octets, each whole UTF-8.
check(data.endswith(b"\r\n"), "the file does not end in CRLF")
physical = data.split(b"\r\n")[:-1]
for number, line in enumerate(physical, 1):
    check(b"\r" not in line and b"\n" not in line, f"line {number}: a bare line break")
    check(len(line) <= 75, f"line {number}: {len(line)} octets")
    try:
        line.decode("utf-8")
    except UnicodeDecodeError:
        failures.append(f"line {number}: a character split by a fold")
check(sum(1 for line in physical if line.startswith(b" ")) > 0, "no line was folded")

# Text values escaped as RFC 5545 3.3.11 asks: a lenient reader would take an
# unescaped comma or semicolon too, so the unfolded lines are read here.
for line in data.replace(b"\r\n ", b"").decode("utf-8").split("\r\n"):
    name, _, value = line.partition(":")
    if name not in ("SUMMARY", "DESCRIPTION"):
        continue
    i = 0
    while i < len(value):
        if value[i] == "\\":
            check(value[i + 1:i + 2] in ("\\", ";", ",", "n"), f"bad escape in {line!r}")
            i += 2
            continue
        check(value[i] not in ",;" and ord(value[i]) >= 0x20, f"unescaped {value[i]!r} in {line!r}")
        i += 1

parsed = icalendar.Calendar.from_ical(data)
check(str(parsed.get("version")) == "2.0", "VERSION")
check(parsed.get("prodid") is not None, "PRODID")

# Lunar years and the leap months and month lengths in them, from the calendar.
lunar_year = {}
codes_in_year = {}
year = 1900
for day in sorted(calendar):
    code = calendar[day][0]
    if code == 101:
        year += 1
    lunar_year[day] = year
    codes_in_year.setdefault(year, set()).add(code)

festival_days = {day for day, entry in calendar.items() if entry[1]}
term_days = {day for day, entry in calendar.items() if entry[2]}
seen_festivals, seen_terms, uids = set(), set(), set()
# A line break comes back as a line feed, whatever it was.
def read_back(name):
    return name.replace("\r\n", "\n")


birthdays_seen = {read_back(name): [] for name, *_ in BIRTHDAYS}
for event in parsed.walk("VEVENT"):
    start, end = event.get("dtstart").dt, event.get("dtend").dt
    uid = str(event.get("uid"))
    summary, description = str(event.get("summary")), str(event.get("description"))
    check(type(start) is datetime.date, f"{uid}: DTSTART is not a date")
    check(end == start + datetime.timedelta(days=1), f"{uid}: DTEND is not the next day")
    check(event.get("dtstamp") is not None, f"{uid}: no DTSTAMP")
    check(uid not in uids, f"{uid}: UID twice")
    uids.add(uid)
    code, festival, term, month_name, day_name, gan_zhi = calendar.get(start, (0, "", "", "", "", []))
    # The description gives the day's lunar date: the calendar's day name, and
    # its month name (the calendar shortens a leap month's, 闰二 for 闰二月).
    check(day_name in description and month_name.rstrip("月") in description, f"{uid}: {description}")
    # ... and the day's 干支.
    check(len(gan_zhi) < 3 or f"{gan_zhi[0]}年 {gan_zhi[1]}月 {gan_zhi[2]}日" in description, f"{uid}: {description}")
    category = str(event.get("categories").to_ical().decode())
    if category == "节日":
        check(summary == festival, f"{start}: festival {summary}, calendar {festival}")
        seen_festivals.add(start)
    elif category == "节气":
        check(summary == term, f"{start}: term {summary}, calendar {term}")
        seen_terms.add(start)
    elif category == "生日":
        check(summary in birthdays_seen, f"{start}: birthday name came back as {summary!r}")
        birthdays_seen.setdefault(summary, []).append((start, code))
    else:
        failures.append(f"{uid}: category {category}")
check(seen_festivals == festival_days, f"festival events {len(seen_festivals)}, festival days {len(festival_days)}")
check(seen_terms == term_days, f"term events {len(seen_terms)}, term days {len(term_days)}")

# Each birthday once in every lunar year that has its day in the table: on
# its lunar date, or where the year lacks that date (by the calendar's own
# days) on the one our rule keeps.
for name, month, leap, day in BIRTHDAYS:
    expected = {}
    for year, codes in codes_in_year.items():
        sign = -1 if leap and -(month * 100 + 1) in codes else 1
        kept_day = 29 if day == 30 and sign * (month * 100 + 30) not in codes else day
        if sign * (month * 100 + kept_day) in codes:
            expected[year] = sign * (month * 100 + kept_day)
    events = birthdays_seen.get(read_back(name), [])
    found = {lunar_year[start]: code for start, code in events}
    check(len(found) == len(events), f"{name!r}: two events in one lunar year")
    check(found == expected, f"{name!r}: {sorted(set(found.items()) ^ set(expected.items()))[:5]}")

# A second export of one year gives the same UIDs to the same events.
again = os.path.join(work, "2024.ics")
if os.path.exists(again):
    os.remove(again)
run("ics", "2024-01-01", "2024-12-31", *birthday_arguments(), "-o", again)
again_uids = {str(e.get("uid")) for e in icalendar.Calendar.from_ical(open(again, "rb").read()).walk("VEVENT")}
check(again_uids and again_uids <= uids, "the UIDs of a second export differ")

# A file that is not an iCalendar file stays as it was.
notes = os.path.join(work, "notes.txt")
with open(notes, "w", encoding="utf-8") as f:
    f.write("my notes\n")
refused = run("ics", "2024-01-01", "2024-01-31", "-o", notes)
check(refused.returncode == 3, f"writing over notes.txt: status {refused.returncode}")
check(open(notes, encoding="utf-8").read() == "my notes\n", "notes.txt was changed")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print(f"{len(uids)} events, {len(physical)} lines: festivals {len(seen_festivals)}, terms {len(seen_terms)}, "
      f"birthdays {sum(len(v) for v in birthdays_seen.values())}")
