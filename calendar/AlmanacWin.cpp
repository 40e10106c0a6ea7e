#include "AlmanacWin.h"

#include "Almanac.h"
#include "ui_AlmanacWin.h"

#include <QApplication>
#include <QEvent>

using namespace std::chrono;

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QString Text(Almanac::GanZhi value) { return QString::fromUtf8(Almanac::GanZhiText(value)); }

QString RuleNames(const std::array<std::uint8_t, Almanac::MaxReasons> &rules, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) {
    const Almanac::Rule &rule = Almanac::GetRule(rules[static_cast<std::size_t>(i)]);
    names << QStringLiteral("%1（%2）").arg(Utf8(rule.Name), Utf8(rule.Source));
  }
  return names.join(QStringLiteral("、"));
}

QString ItemRows(const std::array<Almanac::ItemReasons, Almanac::MaxItems> &items, int count, bool struck,
                 const std::array<bool, Almanac::MaxItems> *wasSuited = nullptr) {
  QString rows;
  for (int i = 0; i < count; ++i) {
    const Almanac::ItemReasons &item = items[static_cast<std::size_t>(i)];
    QString why = RuleNames(item.AddedBy, item.AddedCount);
    if (struck)
      why = QStringLiteral("%1 由 %2 列入，为 %3 所去")
                .arg((*wasSuited)[static_cast<std::size_t>(i)] ? QStringLiteral("宜") : QStringLiteral("忌"), why,
                     RuleNames(item.StruckBy, item.StruckCount));
    rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(Utf8(item.Item).toHtmlEscaped(), why);
  }
  return rows;
}

QString Spirits(const std::array<std::uint8_t, Almanac::MaxSpirits> &rules, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names << Utf8(Almanac::GetRule(rules[static_cast<std::size_t>(i)]).Name);
  return names.join(u' ');
}

QString Report(const Almanac::DayAlmanac &a) {
  QString html = QStringLiteral("<table cellspacing=2>");
  const auto row = [&html](const QString &name, const QString &value) {
    html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(name, value);
  };
  row(QStringLiteral("纳音"), Utf8(a.YearSound) + u' ' + Utf8(a.MonthSound) + u' ' + Utf8(a.DaySound));
  row(QStringLiteral("冲煞"),
      QStringLiteral("冲%1 煞%2").arg(Utf8(Almanac::AnimalName(a.ClashBranch)), Utf8(a.KillingDirection)));
  row(QStringLiteral("值日"), Utf8(Almanac::OfficerName(a.Officer)) + QStringLiteral("日"));
  row(QStringLiteral("星宿"),
      Utf8(Almanac::MansionName(a.Mansion)) + (a.MansionLucky ? QStringLiteral("（吉）") : QStringLiteral("（凶）")));
  row(QStringLiteral("天神"),
      Utf8(a.DaySpirit) + (a.DayYellow ? QStringLiteral("（黄道）") : QStringLiteral("（黑道）")));
  row(QStringLiteral("彭祖百忌"), Utf8(a.PengZuStem) + u' ' + Utf8(a.PengZuBranch));
  row(QStringLiteral("胎神"), QString::fromUtf8(a.FetusSpirit));
  row(QStringLiteral("九星"), QStringLiteral("年%1 月%2 日%3")
                                  .arg(Utf8(Almanac::StarName(a.YearStar)), Utf8(Almanac::StarName(a.MonthStar)),
                                       Utf8(Almanac::StarName(a.DayStar))));
  row(QStringLiteral("吉神"), Spirits(a.GoodSpirits, a.GoodCount));
  row(QStringLiteral("凶煞"), Spirits(a.BadSpirits, a.BadCount));
  QString grade = Utf8(Almanac::GradeName(a.DayGrade));
  if (a.GradeRule != 0)
    grade += QStringLiteral("（%1）").arg(Utf8(Almanac::GetRule(a.GradeRule).Name));
  row(QStringLiteral("宜忌等第"), grade);
  html += QStringLiteral("</table><h3>十二时辰</h3><table cellspacing=2>");
  for (int h = 0; h < 12; ++h) {
    const Almanac::HourAlmanac &hour = a.Hours[static_cast<std::size_t>(h)];
    html +=
        QStringLiteral("<tr><td>%1时</td><td>%2:00–%3:00</td><td>%4</td><td>%5（%6）</td></tr>")
            .arg(Utf8(Almanac::BranchName(h)))
            .arg((h * 2 + 23) % 24, 2, 10, QLatin1Char('0'))
            .arg(h * 2 + 1, 2, 10, QLatin1Char('0'))
            .arg(Text(hour.Value), Utf8(hour.Spirit), hour.Yellow ? QStringLiteral("黄道") : QStringLiteral("黑道"));
  }
  html += QStringLiteral("</table><h3>宜</h3><table cellspacing=2>");
  html += a.SuitedCount == 0 ? QStringLiteral("<tr><td>诸事不宜</td></tr>") : ItemRows(a.Suited, a.SuitedCount, false);
  html += QStringLiteral("</table><h3>忌</h3><table cellspacing=2>") + ItemRows(a.Avoided, a.AvoidedCount, false);
  html += QStringLiteral("</table><h3>去取</h3><table cellspacing=2>") +
          ItemRows(a.Struck, a.StruckCount, true, &a.StruckWasSuited) + QStringLiteral("</table>");
  return html;
}

} // namespace

TFrmAlmanac::TFrmAlmanac(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrmAlmanac>()) {
  ui->setupUi(this);
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(12);
  setFont(font);
  connect(ui->CloseButton, &QPushButton::clicked, this, &QDialog::close);
}

TFrmAlmanac::~TFrmAlmanac() = default;

void TFrmAlmanac::ShowDay(year_month_day date) {
  const std::optional<Almanac::DayAlmanac> day = Almanac::GetAlmanac(date);
  const QString iso = QString::asprintf("%04d-%02u-%02u", static_cast<int>(date.year()),
                                        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  if (!day) {
    ui->DayTitle->setText(iso);
    ui->AlmanacText->setPlainText(QStringLiteral("1901 至 2050 年以外没有黄历。"));
    return;
  }
  const QString title =
      QStringLiteral("%1  %2年 %3月 %4日").arg(iso, Text(day->Year), Text(day->Month), Text(day->Day));
  ui->DayTitle->setText(title);
  setWindowTitle(QStringLiteral("黄历 ") + iso);
  setAccessibleName(windowTitle());
  ui->AlmanacText->setHtml(Report(*day));
}

void TFrmAlmanac::changeEvent(QEvent *event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() &&
      QApplication::activeWindow() != parentWidget())
    emit applicationLeft();
}
