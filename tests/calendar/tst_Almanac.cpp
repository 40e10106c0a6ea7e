// Rows for each family of the almanac's rules, the answers worked out by hand
// from the rules of the 1741 book (卷五, 卷六 义例; 卷十 宜忌) and from well-known
// dates (1949-10-01 was a 甲子 day), never from the program.

#include "Almanac.h"
#include "Gbk.h"

#include <QTest>

using namespace std::chrono;
Q_DECLARE_METATYPE(std::chrono::year_month_day)

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QStringList Names(const std::array<std::uint8_t, Almanac::MaxSpirits> &rules, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names << Utf8(Almanac::GetRule(rules[static_cast<std::size_t>(i)]).Name);
  return names;
}

const Almanac::ItemReasons *Find(const std::array<Almanac::ItemReasons, Almanac::MaxItems> &items, int count,
                                 const QString &name) {
  for (int i = 0; i < count; ++i)
    if (Utf8(items[static_cast<std::size_t>(i)].Item) == name)
      return &items[static_cast<std::size_t>(i)];
  return nullptr;
}

QStringList Rules(const std::array<std::uint8_t, Almanac::MaxReasons> &rules, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names << Utf8(Almanac::GetRule(rules[static_cast<std::size_t>(i)]).Name);
  return names;
}

} // namespace

class tst_Almanac : public QObject {
  Q_OBJECT

private slots:
  void ganZhi_data() {
    QTest::addColumn<year_month_day>("date");
    QTest::addColumn<QString>("expected"); // year month day
    QTest::newRow("1949-10-01, a 甲子 day") << year{1949} / 10 / 1 << "己丑 癸酉 甲子";
    QTest::newRow("the day before 立春 keeps the old year") << year{2024} / 2 / 3 << "癸卯 乙丑 丁酉";
    QTest::newRow("立春's day begins the year and 寅月") << year{2024} / 2 / 4 << "甲辰 丙寅 戊戌";
    QTest::newRow("the day before 惊蛰") << year{2024} / 3 / 4 << "甲辰 丙寅 丁卯";
    QTest::newRow("惊蛰's day begins 卯月") << year{2024} / 3 / 5 << "甲辰 丁卯 戊辰";
    QTest::newRow("小寒 begins 丑月 in the old year") << year{2024} / 1 / 6 << "癸卯 乙丑 己巳";
    QTest::newRow("first day of the range") << year{1901} / 1 / 1 << "庚子 戊子 己卯";
  }
  void ganZhi() {
    QFETCH(year_month_day, date);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromUtf8(Almanac::GetGanZhiColumns(date)), expected);
  }

  void outsideTheTable_data() {
    QTest::addColumn<year_month_day>("date");
    QTest::newRow("1900-12-31") << year{1900} / 12 / 31;
    QTest::newRow("2051-01-01") << year{2051} / 1 / 1;
    QTest::newRow("no date") << year{2024} / 2 / 30;
  }
  void outsideTheTable() {
    QFETCH(year_month_day, date);
    QVERIFY(!Almanac::GetAlmanac(date));
    QVERIFY(Almanac::GetGanZhiColumns(date).isEmpty());
  }

  // 五鼠遁: 甲己 days begin with 甲子, 丙辛 with 戊子; 23:00-01:00 is the 子 of the day.
  void hours() {
    const auto jiaZi = Almanac::GetAlmanac(year{1949} / 10 / 1);
    QVERIFY(jiaZi);
    QCOMPARE(QString::fromUtf8(Almanac::GanZhiText(jiaZi->Hours[0].Value)), QStringLiteral("甲子"));
    QCOMPARE(QString::fromUtf8(Almanac::GanZhiText(jiaZi->Hours[11].Value)), QStringLiteral("乙亥"));
    // 子日: 青龙 on 申 (the rule for 子午 days), so 子 is 金匮.
    QCOMPARE(Utf8(jiaZi->Hours[8].Spirit), QStringLiteral("青龙"));
    QCOMPARE(Utf8(jiaZi->Hours[0].Spirit), QStringLiteral("金匮"));
    const auto gengZi = Almanac::GetAlmanac(year{2024} / 2 / 6); // 乙庚 days begin with 丙子
    QVERIFY(gengZi);
    QCOMPARE(QString::fromUtf8(Almanac::GanZhiText(gengZi->Day)), QStringLiteral("庚子"));
    QCOMPARE(QString::fromUtf8(Almanac::GanZhiText(gengZi->Hours[0].Value)), QStringLiteral("丙子"));
  }

  // 寅月 子日 (2024-02-06, 庚子): 青龙 黄道; 建除 from 建 on 寅: 子 is 开; 冲 the
  // horse (午), 煞 south (申子辰); 纳音 of 庚子 壁上土; 胎神 of 庚子: 碓磨 and 碓
  // make 占碓磨, in the run of 房内南 (庚子 辛丑 壬寅).
  void dayOfFirstMonth() {
    const auto day = Almanac::GetAlmanac(year{2024} / 2 / 6);
    QVERIFY(day);
    QCOMPARE(Utf8(day->DaySpirit), QStringLiteral("青龙"));
    QVERIFY(day->DayYellow);
    QCOMPARE(Utf8(Almanac::OfficerName(day->Officer)), QStringLiteral("开"));
    QCOMPARE(Utf8(Almanac::AnimalName(day->ClashBranch)), QStringLiteral("马"));
    QCOMPARE(Utf8(day->KillingDirection), QStringLiteral("南"));
    QCOMPARE(Utf8(day->DaySound), QStringLiteral("壁上土"));
    QCOMPARE(QString::fromUtf8(day->FetusSpirit), QStringLiteral("占碓磨 房内南"));
    QCOMPARE(Utf8(day->PengZuStem), QStringLiteral("庚不经络织机虚张"));
  }

  // 紫白: 2024 三碧 (from 立春), 2023 四绿; 寅月 of a 辰 year 五黄.
  void stars() {
    const auto march = Almanac::GetAlmanac(year{2024} / 3 / 1);
    QVERIFY(march);
    QCOMPARE(march->YearStar, 3);
    QCOMPARE(march->MonthStar, 5);
    const auto beforeSpring = Almanac::GetAlmanac(year{2024} / 2 / 3);
    QVERIFY(beforeSpring);
    QCOMPARE(beforeSpring->YearStar, 4);
  }

  // 卷十 月破: 卯酉月 值灾煞又值月厌，虽与德合并，仍诸事皆忌. 2024-03-10 is 癸酉 in 卯月.
  void brokenMonthInMaoIsAllAvoided() {
    const auto day = Almanac::GetAlmanac(year{2024} / 3 / 10);
    QVERIFY(day);
    QCOMPARE(Utf8(Almanac::OfficerName(day->Officer)), QStringLiteral("破"));
    const QStringList bad = Names(day->BadSpirits, day->BadCount);
    QVERIFY2(bad.contains("月破") && bad.contains("灾煞") && bad.contains("月厌"), qPrintable(bad.join(' ')));
    QCOMPARE(day->DayGrade, Almanac::Grade::AllAvoided);
    QCOMPARE(day->SuitedCount, 0);
  }

  // 卷十 四忌四穷: 惟正月乙亥与天愿并，止忌安抚边境选将训兵出师，余皆不忌. 2019-02-07
  // is 乙亥 in 寅月 (立春 2019-02-04): 嫁娶 stays forbidden all the same, by 百忌日
  // (亥不嫁娶), and 四穷 is not among its reasons.
  void heavenlyWishLightensFourEnds() {
    const auto day = Almanac::GetAlmanac(year{2019} / 2 / 7);
    QVERIFY(day);
    QVERIFY(Names(day->GoodSpirits, day->GoodCount).contains("天愿"));
    QVERIFY(Names(day->BadSpirits, day->BadCount).contains("四穷"));
    const Almanac::ItemReasons *army = Find(day->Avoided, day->AvoidedCount, "选将训兵");
    QVERIFY(army);
    QVERIFY(Rules(army->AddedBy, army->AddedCount).contains("四穷"));
    QVERIFY(!Find(day->Suited, day->SuitedCount, "嫁娶"));
    const Almanac::ItemReasons *wedding = Find(day->Avoided, day->AvoidedCount, "嫁娶");
    QVERIFY(wedding);
    QCOMPARE(Rules(wedding->AddedBy, wedding->AddedCount), QStringList{"百忌日"});
    QVERIFY(Find(day->Suited, day->SuitedCount, "纳财")); // 天愿's, 四穷's 忌 lifted
  }

  // 卷十 破日 suits 破屋坏垣, the one work a 月破 day allows; 灾煞 still forbids it.
  void brokenDayPullsDown_data() {
    QTest::addColumn<year_month_day>("date");
    QTest::addColumn<bool>("suited");
    QTest::newRow("巳月 丁亥 月破") << year{2025} / 5 / 18 << true;
    QTest::newRow("午月 壬子 月破 灾煞") << year{2025} / 6 / 12 << false;
  }

  void brokenDayPullsDown() {
    QFETCH(year_month_day, date);
    QFETCH(bool, suited);
    const auto day = Almanac::GetAlmanac(date);
    QVERIFY(day);
    QCOMPARE(Utf8(Almanac::OfficerName(day->Officer)), QStringLiteral("破"));
    const Almanac::ItemReasons *item = Find(day->Suited, day->SuitedCount, "破屋坏垣");
    QCOMPARE(item != nullptr, suited);
    if (item)
      QCOMPARE(Rules(item->AddedBy, item->AddedCount), QStringList{"破日"});
  }

  // 卷六 天罡 (正月巳, 二月子, 三月未 ..) and 河魁 facing it, on 平日 and 收日 by turns.
  void levelAndGatherSpirits_data() {
    QTest::addColumn<year_month_day>("date");
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("absent");
    QTest::newRow("寅月 乙巳 平: 天罡") << year{2025} / 2 / 5 << QStringLiteral("天罡") << QStringLiteral("河魁");
    QTest::newRow("卯月 壬子 收: 天罡") << year{1975} / 3 / 7 << QStringLiteral("天罡") << QStringLiteral("河魁");
    QTest::newRow("午月 癸卯 收: 河魁") << year{2000} / 6 / 14 << QStringLiteral("河魁") << QStringLiteral("天罡");
    QTest::newRow("戌月 辛未 收: 河魁") << year{1901} / 10 / 20 << QStringLiteral("河魁") << QStringLiteral("天罡");
  }

  void levelAndGatherSpirits() {
    QFETCH(year_month_day, date);
    QFETCH(QString, present);
    QFETCH(QString, absent);
    const auto day = Almanac::GetAlmanac(date);
    QVERIFY(day);
    const QStringList bad = Names(day->BadSpirits, day->BadCount);
    QVERIFY2(bad.contains(present) && !bad.contains(absent), qPrintable(bad.join(' ')));
  }

  void slipLine() {
    const QByteArray line = Almanac::GetGanZhiLine(EncodeDate(year{2024} / 2 / 10));
    QCOMPARE(Gbk::FromGbk(line), QStringLiteral("甲辰年 丙寅月 甲辰日"));
    QVERIFY(Almanac::GetGanZhiLine(EncodeDate(year{1900} / 6 / 1)).isEmpty());
  }
};

QTEST_GUILESS_MAIN(tst_Almanac)
#include "tst_Almanac.moc"
