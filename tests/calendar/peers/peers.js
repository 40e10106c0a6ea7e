// Writes the answers of the npm calendars for every day 1901-01-01..2050-12-31:
//   lunar-javascript.months.txt  first day of every lunar month (lunar-javascript)
//   lunar-javascript.terms.txt   every solar term day (lunar-javascript)
//   date-chinese.terms.txt       every solar term day (date-chinese)
// Line formats: "YYYY-MM-DD month" (month negative for a leap month) and
// "YYYY-MM-DD term" (term 1..24, 1 = 小寒 .. 24 = 冬至). Run from the project
// root through tests/calendar/peers/generate.sh.
'use strict';
const fs = require('fs');
const path = require('path');
const { Solar } = require('lunar-javascript');
const CalendarChinese = require('date-chinese').CalendarChinese;

const out = process.argv[2] || __dirname;
const TermNames = ['小寒', '大寒', '立春', '雨水', '惊蛰', '春分', '清明', '谷雨', '立夏', '小满', '芒种', '夏至',
                   '小暑', '大暑', '立秋', '处暑', '白露', '秋分', '寒露', '霜降', '立冬', '小雪', '大雪', '冬至'];
const pad = (n, w) => String(n).padStart(w, '0');
const iso = (y, m, d) => `${pad(y, 4)}-${pad(m, 2)}-${pad(d, 2)}`;

function* days() {
  for (let t = Date.UTC(1901, 0, 1); t <= Date.UTC(2050, 11, 31); t += 86400000) {
    const d = new Date(t);
    yield [d.getUTCFullYear(), d.getUTCMonth() + 1, d.getUTCDate()];
  }
}

// lunar-javascript: month starts and solar terms, day by day.
const months = [];
const terms = [];
let previous = null;
for (const [y, m, d] of days()) {
  const lunar = Solar.fromYmd(y, m, d).getLunar();
  const month = lunar.getMonth();
  const day = lunar.getDay();
  if (previous === null || day === 1) {
    // The first line starts the month in progress on 1901-01-01.
    if (previous === null && day !== 1) {
      const start = new Date(Date.UTC(y, m - 1, d) - (day - 1) * 86400000);
      months.push(`${iso(start.getUTCFullYear(), start.getUTCMonth() + 1, start.getUTCDate())} ${month}`);
    } else {
      months.push(`${iso(y, m, d)} ${month}`);
    }
  } else if (day !== previous + 1) {
    throw new Error(`lunar-javascript skips a day at ${iso(y, m, d)}`);
  }
  previous = day;
  const term = TermNames.indexOf(lunar.getJieQi());
  if (term >= 0)
    terms.push(`${iso(y, m, d)} ${term + 1}`);
}
fs.writeFileSync(path.join(out, 'lunar-javascript.months.txt'), months.join('\n') + '\n');
fs.writeFileSync(path.join(out, 'lunar-javascript.terms.txt'), terms.join('\n') + '\n');

// date-chinese: term k (1..24) lies at solar longitude ((k + 20) mod 24) * 15
// degrees, 1 being the start of spring (315 degrees).
const cal = new CalendarChinese();
const seen = new Map();
for (let gyear = 1900; gyear <= 2051; ++gyear) {
  for (let k = 1; k <= 24; ++k) {
    cal.fromJDE(cal.solarTerm(k, gyear));
    const g = cal.toGregorian();
    if (g.year < 1901 || g.year > 2050)
      continue;
    const longitude = ((k + 20) % 24) * 15;
    const term = ((longitude - 285) / 15 + 24) % 24 + 1;
    seen.set(iso(g.year, g.month, g.day), term);
  }
}
const dcTerms = [...seen.entries()].sort().map(([date, term]) => `${date} ${term}`);
fs.writeFileSync(path.join(out, 'date-chinese.terms.txt'), dcTerms.join('\n') + '\n');
