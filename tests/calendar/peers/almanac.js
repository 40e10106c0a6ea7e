// Writes lunar-javascript's almanac of every day 1901-01-01..2050-12-31, one
// tab-separated line a day, for tst_AlmanacPeers:
//   date, year 干支 (by the day of 立春), month 干支 (by the day of each 节),
//   day 干支, the twelve double-hours 子..亥 as 干支+天神 joined by ',',
//   纳音 of year (from 立春)/month/day joined by ',', 冲 animal, 煞 direction, 建除 officer,
//   宿, its luck, the day's 天神, 彭祖 (stem and branch sayings joined by ' '),
//   胎神, 九星 numbers of year/month/day joined by ',', then 吉神, 凶煞, 宜, 忌
//   each joined by ' '.
// Usage: node almanac.js OUTPUT_FILE (NODE_PATH must reach lunar-javascript).
'use strict';
const fs = require('fs');
const { Solar, LunarUtil } = require('lunar-javascript');

const out = process.argv[2];
if (!out) {
  process.stderr.write('usage: node almanac.js OUTPUT_FILE\n');
  process.exit(2);
}
const pad = (n, w) => String(n).padStart(w, '0');
const lines = [];
// A LunarTime builds a whole Lunar of its own, fourteen a day: the hours are
// asked once for each day 干支, on which alone lunar-javascript makes them
// depend (the stem of 子 from the day's stem, the spirits from its branch).
const hoursOf = new Map();
for (let t = Date.UTC(1901, 0, 1); t <= Date.UTC(2050, 11, 31); t += 86400000) {
  const d = new Date(t);
  const y = d.getUTCFullYear(), m = d.getUTCMonth() + 1, day = d.getUTCDate();
  const l = Solar.fromYmd(y, m, day).getLunar();
  // getTimes(): [0] is 00:00 (子 of this day's stem), [1..11] 丑..亥, [12] is 23:00.
  const dayGanZhi = l.getDayInGanZhi();
  if (!hoursOf.has(dayGanZhi))
    hoursOf.set(dayGanZhi, l.getTimes().slice(0, 12).map((h) => h.getGanZhi() + h.getTianShen()).join(','));
  const hours = hoursOf.get(dayGanZhi);
  lines.push([
    `${pad(y, 4)}-${pad(m, 2)}-${pad(day, 2)}`,
    l.getYearInGanZhiByLiChun(), l.getMonthInGanZhi(), dayGanZhi, hours,
    // getYearNaYin() follows the lunar year; the year from 立春 is the almanac's.
    [LunarUtil.NAYIN[l.getYearInGanZhiByLiChun()], l.getMonthNaYin(), l.getDayNaYin()].join(','),
    l.getDayChongShengXiao(), l.getDaySha(), l.getZhiXing(), l.getXiu(), l.getXiuLuck(),
    l.getDayTianShen(), l.getPengZuGan() + ' ' + l.getPengZuZhi(), l.getDayPositionTai(),
    [l.getYearNineStar().getNumber(), l.getMonthNineStar().getNumber(), l.getDayNineStar().getNumber()].join(','),
    l.getDayJiShen().join(' '), l.getDayXiongSha().join(' '), l.getDayYi().join(' '), l.getDayJi().join(' '),
  ].join('\t'));
}
fs.writeFileSync(out, lines.join('\n') + '\n');
