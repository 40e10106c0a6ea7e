// vandrel-tool almanac DATE [--json]: the whole 黄历 of one day, and under
// --json every 宜 and 忌 with the rules that put it there or struck it out.

#include "Almanac.h"
#include "ToolCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <span>

using namespace std::chrono;

namespace {

constexpr char AlmanacHelp[] = "Usage: vandrel-tool almanac DATE [--json]\n"
                               "\n"
                               "The almanac of a day of 1901-2050 (DATE written YYYY-MM-DD), worked out\n"
                               "from the rules of the 协纪辨方书: the 干支 of year (from 立春), month\n"
                               "(from each 节) and day, 纳音, 冲煞, the 建除 officer, the lunar mansion,\n"
                               "the 黄道/黑道 spirit, 彭祖百忌, 胎神, the 九星, the day's 吉神 and 凶煞,\n"
                               "how its 宜 and 忌 were weighed, the 宜 and the 忌, and the twelve\n"
                               "double-hours (子 runs from 23:00 of the evening before).\n"
                               "With --json one JSON object, each item with the rules behind it.\n"
                               "\n"
                               "Example: vandrel-tool almanac 2024-02-10\n";

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QString Text(Almanac::GanZhi value) { return QString::fromUtf8(Almanac::GanZhiText(value)); }

// 子 23:00-01:00, 丑 01:00-03:00 ...
QString HourSpan(int hour) {
  return QStringLiteral("%1:00-%2:00")
      .arg((hour * 2 + 23) % 24, 2, 10, QLatin1Char('0'))
      .arg(hour * 2 + 1, 2, 10, QLatin1Char('0'));
}

QStringList SpiritNames(const std::array<std::uint8_t, Almanac::MaxSpirits> &rules, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names << Utf8(Almanac::GetRule(rules[static_cast<std::size_t>(i)]).Name);
  return names;
}

QStringList ItemNames(const std::array<Almanac::ItemReasons, Almanac::MaxItems> &items, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names << Utf8(items[static_cast<std::size_t>(i)].Item);
  return names;
}

void PrintDay(const Almanac::DayAlmanac &a, Output &out) {
  out.Line(QStringLiteral("%1  %2年 %3月 %4日").arg(IsoDate(a.Date), Text(a.Year), Text(a.Month), Text(a.Day)));
  out.Line(QStringLiteral("纳音：%1 %2 %3").arg(Utf8(a.YearSound), Utf8(a.MonthSound), Utf8(a.DaySound)));
  out.Line(QStringLiteral("冲煞：冲%1 煞%2").arg(Utf8(Almanac::AnimalName(a.ClashBranch)), Utf8(a.KillingDirection)));
  out.Line(QStringLiteral("值日：%1日  星宿：%2（%3）  天神：%4（%5）")
               .arg(Utf8(Almanac::OfficerName(a.Officer)), Utf8(Almanac::MansionName(a.Mansion)),
                    a.MansionLucky ? QStringLiteral("吉") : QStringLiteral("凶"), Utf8(a.DaySpirit),
                    a.DayYellow ? QStringLiteral("黄道") : QStringLiteral("黑道")));
  out.Line(QStringLiteral("彭祖百忌：%1 %2").arg(Utf8(a.PengZuStem), Utf8(a.PengZuBranch)));
  out.Line(QStringLiteral("胎神：%1").arg(QString::fromUtf8(a.FetusSpirit)));
  out.Line(QStringLiteral("九星：年%1 月%2 日%3")
               .arg(Utf8(Almanac::StarName(a.YearStar)), Utf8(Almanac::StarName(a.MonthStar)),
                    Utf8(Almanac::StarName(a.DayStar))));
  out.Line(QStringLiteral("吉神：%1").arg(SpiritNames(a.GoodSpirits, a.GoodCount).join(u' ')));
  out.Line(QStringLiteral("凶煞：%1").arg(SpiritNames(a.BadSpirits, a.BadCount).join(u' ')));
  QString grade = Utf8(Almanac::GradeName(a.DayGrade));
  if (a.GradeRule != 0)
    grade += QStringLiteral("（%1）").arg(Utf8(Almanac::GetRule(a.GradeRule).Name));
  out.Line(QStringLiteral("等第：%1").arg(grade));
  const QStringList suited = ItemNames(a.Suited, a.SuitedCount);
  out.Line(QStringLiteral("宜：%1").arg(suited.isEmpty() ? QStringLiteral("诸事不宜") : suited.join(u' ')));
  out.Line(QStringLiteral("忌：%1").arg(ItemNames(a.Avoided, a.AvoidedCount).join(u' ')));
  for (int h = 0; h < 12; ++h) {
    const Almanac::HourAlmanac &hour = a.Hours[static_cast<std::size_t>(h)];
    out.Line(QStringLiteral("%1时 %2 %3 %4（%5）")
                 .arg(Utf8(Almanac::BranchName(h)), HourSpan(h), Text(hour.Value), Utf8(hour.Spirit),
                      hour.Yellow ? QStringLiteral("黄道") : QStringLiteral("黑道")));
  }
}

// The first count rules (numbers for GetRule), each as its name under
// nameKey and its source.
QJsonArray RuleArray(std::span<const std::uint8_t> rules, int count, const char *nameKey = "rule") {
  QJsonArray array;
  for (const std::uint8_t number : rules.first(static_cast<std::size_t>(count))) {
    const Almanac::Rule &rule = Almanac::GetRule(number);
    array.append(QJsonObject{{QLatin1String(nameKey), Utf8(rule.Name)}, {"source", Utf8(rule.Source)}});
  }
  return array;
}

QJsonArray ItemArray(const std::array<Almanac::ItemReasons, Almanac::MaxItems> &items, int count,
                     const bool *wasSuited = nullptr) {
  QJsonArray array;
  for (int i = 0; i < count; ++i) {
    const Almanac::ItemReasons &item = items[static_cast<std::size_t>(i)];
    QJsonObject object{{"item", Utf8(item.Item)},
                       {"addedBy", RuleArray(item.AddedBy, item.AddedCount)},
                       {"struckBy", RuleArray(item.StruckBy, item.StruckCount)}};
    if (wasSuited)
      object.insert("from", wasSuited[i] ? QStringLiteral("宜") : QStringLiteral("忌"));
    array.append(object);
  }
  return array;
}

QJsonObject DayObject(const Almanac::DayAlmanac &a) {
  QJsonArray hours;
  for (int h = 0; h < 12; ++h) {
    const Almanac::HourAlmanac &hour = a.Hours[static_cast<std::size_t>(h)];
    hours.append(QJsonObject{{"branch", Utf8(Almanac::BranchName(h))},
                             {"span", HourSpan(h)},
                             {"ganzhi", Text(hour.Value)},
                             {"spirit", Utf8(hour.Spirit)},
                             {"yellow", hour.Yellow}});
  }
  return QJsonObject{
      {"date", IsoDate(a.Date)},
      {"ganzhi", QJsonObject{{"year", Text(a.Year)}, {"month", Text(a.Month)}, {"day", Text(a.Day)}}},
      {"nayin", QJsonObject{{"year", Utf8(a.YearSound)}, {"month", Utf8(a.MonthSound)}, {"day", Utf8(a.DaySound)}}},
      {"clash", Utf8(Almanac::AnimalName(a.ClashBranch))},
      {"killing", Utf8(a.KillingDirection)},
      {"officer", Utf8(Almanac::OfficerName(a.Officer))},
      {"mansion", QJsonObject{{"name", Utf8(Almanac::MansionName(a.Mansion))}, {"lucky", a.MansionLucky}}},
      {"spirit", QJsonObject{{"name", Utf8(a.DaySpirit)}, {"yellow", a.DayYellow}}},
      {"pengzu", QJsonArray{Utf8(a.PengZuStem), Utf8(a.PengZuBranch)}},
      {"fetus", QString::fromUtf8(a.FetusSpirit)},
      {"stars", QJsonObject{{"year", Utf8(Almanac::StarName(a.YearStar))},
                            {"month", Utf8(Almanac::StarName(a.MonthStar))},
                            {"day", Utf8(Almanac::StarName(a.DayStar))}}},
      {"goodSpirits", RuleArray(a.GoodSpirits, a.GoodCount, "name")},
      {"badSpirits", RuleArray(a.BadSpirits, a.BadCount, "name")},
      {"grade", QJsonObject{{"name", Utf8(Almanac::GradeName(a.DayGrade))},
                            {"rule", a.GradeRule ? Utf8(Almanac::GetRule(a.GradeRule).Name) : QString()}}},
      {"suited", ItemArray(a.Suited, a.SuitedCount)},
      {"avoided", ItemArray(a.Avoided, a.AvoidedCount)},
      {"struck", ItemArray(a.Struck, a.StruckCount, a.StruckWasSuited.data())},
      {"hours", hours},
  };
}

int RunAlmanac(const CommandLine &line, ToolStreams &streams) {
  ExpectArguments(line, 1, 1, u"DATE (a date written YYYY-MM-DD)");
  const year_month_day date = ParseDate(line.Positional[0], false, u"YYYY-MM-DD");
  const std::optional<Almanac::DayAlmanac> day = Almanac::GetAlmanac(date);
  if (!day)
    throw BadArguments{QStringLiteral("%1 lies outside 1901-2050, the years of the almanac").arg(IsoDate(date))};
  if (line.Has(QStringLiteral("json")))
    streams.Out.Line(QString::fromUtf8(QJsonDocument(DayObject(*day)).toJson(QJsonDocument::Compact)));
  else
    PrintDay(*day, streams.Out);
  return ExitSuccess;
}

} // namespace

const ToolCommand AlmanacCommand{QStringLiteral("almanac"),
                                 "  almanac DATE [--json]       the day's almanac (黄历) and why\n",
                                 AlmanacHelp,
                                 {{QStringLiteral("json"), QString()}},
                                 RunAlmanac};
