"""Writes the first day of every lunar month of 1901-01-01..2050-12-31 as
Debian's python3-lunardate sees it: lines "YYYY-MM-DD month", the month
negative for a leap month. Run through tests/calendar/peers/generate.sh."""
import datetime
import os
import sys

from lunardate import LunarDate

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
day = datetime.date(1901, 1, 1)
last = datetime.date(2050, 12, 31)
lines = []
previous = None
while day <= last:
    lunar = LunarDate.fromSolarDate(day.year, day.month, day.day)
    month = -lunar.month if lunar.isLeapMonth else lunar.month
    if previous is None:
        start = day - datetime.timedelta(days=lunar.day - 1)
        lines.append(f"{start.isoformat()} {month}")
    elif lunar.day == 1:
        lines.append(f"{day.isoformat()} {month}")
    elif lunar.day != previous + 1:
        raise SystemExit(f"lunardate skips a day at {day}")
    previous = lunar.day
    day += datetime.timedelta(days=1)
with open(os.path.join(out, "lunardate.months.txt"), "w", encoding="ascii") as f:
    f.write("\n".join(lines) + "\n")
