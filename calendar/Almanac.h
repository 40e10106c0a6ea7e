#pragma once
// The almanac (黄历) of a day of 1901..2050 worked out from the rules of the
// 《钦定协纪辨方书》 (1741): the 干支 of year, month, day and double-hours, 纳音,
// 冲煞, the 建除 officer, the lunar mansion, the 黄道/黑道 spirits, 彭祖百忌,
// 胎神, the 九星, the day's 吉神 and 凶煞, and what the day suits (宜) and
// forbids (忌) with the rules that put each item there or struck it out.
// Pure functions over the rule tables of Almanac.cpp; the solar-term days come
// from DateCn's table.
//
// Conventions:
// - The year changes on the day of 立春 and the month on the day of each 节
//   (小寒 立春 惊蛰 清明 立夏 芒种 小暑 立秋 白露 寒露 立冬 大雪); the 节's
//   day belongs to the new month. The time of day of a term plays no part.
// - The twelve double-hours of a day are 子 (23:00 of the evening before to
//   01:00) to 亥 (21:00-23:00), the stem of 子 from the day's stem (五鼠遁).
//   23:00-24:00 of a date is the 子 hour of the next day (子初换日): the
//   hour of a clock time belongs to the day that starts at 23:00.
// - The day's 九星 follows the 阳遁/阴遁 school of the 通书: from the 甲子 day
//   nearest 冬至 the stars rise from 一白, from the 甲子 day nearest 夏至 they
//   fall from 九紫 (a 甲子 30 days after the solstice counts as nearest).
// Texts are UTF-8: they go to the windows and the terminal only; the slip's
// GBK date line has GetGanZhiLine.

#include "DateCn.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Almanac {

inline constexpr int StemCount = 10;
inline constexpr int BranchCount = 12;
inline constexpr int CycleLength = 60;

// One place of the sixty-day cycle, [0, 59], 0 = 甲子: stem Index % 10
// (0 = 甲), branch Index % 12 (0 = 子).
struct GanZhi {
  int Index = 0;
  constexpr int Stem() const { return Index % StemCount; }
  constexpr int Branch() const { return Index % BranchCount; }
  friend constexpr bool operator==(GanZhi, GanZhi) = default;
};
constexpr GanZhi MakeGanZhi(int stem, int branch) {
  // The index i with i % 10 == stem and i % 12 == branch (same parity).
  return GanZhi{(6 * stem - 5 * branch + 60 * 6) % CycleLength};
}

std::string_view StemName(int stem);     // 甲..癸
std::string_view BranchName(int branch); // 子..亥
std::string_view AnimalName(int branch); // 鼠..猪
QByteArray GanZhiText(GanZhi value);     // UTF-8, e.g. "甲子"

// One rule of the book, by its name and where it stands.
struct Rule {
  std::string_view Name;   // e.g. "天德", "建日", "宜忌等第"
  std::string_view Source; // e.g. "卷五 义例三"
};

// An item of the 用事 list with the rules that put it on the day and those
// that struck it out (a struck item is listed apart from the kept ones).
inline constexpr int MaxReasons = 12;
struct ItemReasons {
  std::string_view Item;
  std::array<std::uint8_t, MaxReasons> AddedBy{}; // rule numbers, GetRule
  std::array<std::uint8_t, MaxReasons> StruckBy{};
  int AddedCount = 0;
  int StruckCount = 0;
};
const Rule &GetRule(int number);

// How the day's 宜 and 忌 were weighed (卷十 宜忌等第), mildest first.
enum class Grade {
  BothKept,      // 宜忌并从: nothing suited is also forbidden
  FollowSuited,  // 从宜不从忌 (止忌 the few items the rule keeps)
  Balanced,      // 吉凶相抵: what is forbidden is not suited, and the reverse
  FollowAvoided, // 从忌不从宜 (如常例)
  AllAvoided,    // 诸事皆忌
};
std::string_view GradeName(Grade grade);

struct HourAlmanac {
  GanZhi Value;
  std::string_view Spirit; // 青龙..勾陈
  bool Yellow = false;     // 黄道; else 黑道
};

inline constexpr int MaxSpirits = 24;
inline constexpr int MaxItems = 112;

struct DayAlmanac {
  std::chrono::year_month_day Date;
  GanZhi Year, Month, Day;
  std::array<HourAlmanac, 12> Hours;                // 子..亥
  std::string_view YearSound, MonthSound, DaySound; // 纳音
  int ClashBranch = 0;                              // the branch (animal) the day clashes with
  std::string_view KillingDirection;                // 煞: 东 南 西 北
  int Officer = 0;                                  // [0, 11], 0 = 建 .. 11 = 闭
  int Mansion = 0;                                  // [0, 27], 0 = 角
  bool MansionLucky = false;
  std::string_view DaySpirit;
  bool DayYellow = false;
  std::string_view PengZuStem, PengZuBranch;          // 彭祖百忌
  QByteArray FetusSpirit;                             // 胎神, UTF-8
  int YearStar = 1, MonthStar = 1, DayStar = 1;       // 九星 [1, 9], 1 = 一白
  std::array<std::uint8_t, MaxSpirits> GoodSpirits{}; // rule numbers of 吉神
  std::array<std::uint8_t, MaxSpirits> BadSpirits{};  // and of 凶煞
  int GoodCount = 0, BadCount = 0;
  Grade DayGrade = Grade::BothKept;
  std::uint8_t GradeRule = 0;                  // the rule that set the grade (0 = none)
  std::array<ItemReasons, MaxItems> Suited{};  // 宜, in the book's order
  std::array<ItemReasons, MaxItems> Avoided{}; // 忌
  std::array<ItemReasons, MaxItems> Struck{};  // items struck out of 宜 or 忌
  std::array<bool, MaxItems> StruckWasSuited{};
  int SuitedCount = 0, AvoidedCount = 0, StruckCount = 0;
};

std::string_view OfficerName(int officer); // 建..闭
std::string_view MansionName(int mansion); // 角..轸
std::string_view StarName(int star);       // 一白..九紫
std::string_view SoundName(GanZhi value);  // 纳音

// The almanac of a day of 1901..2050; nothing outside the solar-term table.
std::optional<DayAlmanac> GetAlmanac(std::chrono::year_month_day date);

// The 干支 of year, month and day of a date as the slip prints them,
// "甲辰年 丙寅月 甲辰日" in GBK; empty outside 1901..2050.
QByteArray GetGanZhiLine(DateValue date);
// What the calendar's day cells show on hovering: the 干支, 冲煞, the day's
// spirit, and the first items of 宜 and 忌 (at most `items` of each, then
// "…"); empty outside 1901..2050.
QString GetAlmanacSummary(std::chrono::year_month_day date, int items = 5);
// The same three in UTF-8 without the characters 年 月 日: "甲辰 丙寅 甲辰".
QByteArray GetGanZhiColumns(std::chrono::year_month_day date);

} // namespace Almanac
