#include "ICalendar.h"

#include "Almanac.h"
#include "DateCn.h"
#include "Gbk.h"
#include "SolarDate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace std::chrono;

namespace {

// RFC 5545, 3.1: lines of at most 75 octets, not counting the line break.
constexpr qsizetype FoldOctets = 75;
// The right-hand side of every UID: names this program's events.
constexpr char UidDomain[] = "@vandrel-calendar";

QString Basic(const year_month_day &date) {
  return QString::asprintf("%04d%02u%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                           static_cast<unsigned>(date.day()));
}

// "农历2024年正月初一，甲辰年 丙寅月 甲辰日": the lunar date of a day of the
// table and the day's 干支 as the almanac gives them.
// A note follows the lunar date.
QString DayDescription(const LunarDate &date, sys_days day, const QString &note = {}) {
  QString text = QStringLiteral("农历%1年").arg(date.Year) +
                 Gbk::FromGbk(GetLunarDateName(date.Month, date.Leap, date.Day)) + note;
  if (const QByteArray ganZhi = Almanac::GetGanZhiLine(EncodeDate(year_month_day{day})); !ganZhi.isEmpty())
    text += QStringLiteral("，") + Gbk::FromGbk(ganZhi);
  return text;
}

// RFC 5545, 3.3.11: a backslash, semicolon and comma are escaped, a line
// break (CRLF, LF or CR) becomes \n. Other control characters may not stand
// in a text value and are left out.
QByteArray EscapeText(const QString &text) {
  QByteArray escaped;
  const QByteArray utf8 = text.toUtf8();
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\\' || c == ';' || c == ',') {
      escaped += '\\';
      escaped += c;
    } else if (c == '\r' || c == '\n') {
      escaped += "\\n";
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
        ++i;
    } else if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t') {
      escaped += c;
    }
  }
  return escaped;
}

QByteArray Property(const char *name, const QString &text) { return FoldContentLine(name + (':' + EscapeText(text))); }

} // namespace

QByteArray FoldContentLine(const QByteArray &line) {
  QByteArray folded;
  qsizetype start = 0;
  qsizetype room = FoldOctets;
  while (line.size() - start > room) {
    qsizetype cut = start + room;
    // Back to the first byte of the character at the cut (10xxxxxx continues one).
    while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
      --cut;
    folded += line.mid(start, cut - start);
    folded += "\r\n ";
    start = cut;
    room = FoldOctets - 1; // the leading space counts
  }
  folded += line.mid(start);
  folded += "\r\n";
  return folded;
}

QList<CalendarEvent> GetFestivalEvents(year_month_day from, year_month_day to) {
  QList<CalendarEvent> events;
  const sys_days first = std::max(sys_days{from}, FirstTableDay);
  const sys_days last = std::min(sys_days{to}, LastTableDay);
  for (sys_days d = first; d <= last; d += days{1}) {
    const year_month_day day{d};
    const DateValue value = EncodeDate(day);
    const QString lunar = DayDescription(*GetLunarDateOfDay(d), d);
    if (const QByteArray festival = GetLunarFestival(value); !festival.isEmpty())
      events.append(CalendarEvent{day, Basic(day) + QStringLiteral("-festival") + QLatin1String(UidDomain),
                                  Gbk::FromGbk(festival), lunar, QStringLiteral("节日")});
    if (const QByteArray term = GetSolarTerm(value); !term.isEmpty())
      events.append(CalendarEvent{day, Basic(day) + QStringLiteral("-term") + QLatin1String(UidDomain),
                                  Gbk::FromGbk(term), lunar, QStringLiteral("节气")});
  }
  return events;
}

QList<CalendarEvent> GetBirthdayEvents(const LunarBirthday &birthday, year_month_day from, year_month_day to) {
  // The same person and date give the same UIDs in every export.
  const QByteArray key = birthday.Name.toUtf8() + '\n' + QByteArray::number(birthday.Month) +
                         (birthday.Leap ? "L" : "") + '-' + QByteArray::number(birthday.Day);
  const QString hash = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
  const QString wanted = Gbk::FromGbk(GetLunarDateName(birthday.Month, birthday.Leap, birthday.Day));
  QList<CalendarEvent> events;
  // A lunar year begins in the Gregorian year of its name and ends in the next.
  const int firstYear = std::max(static_cast<int>(from.year()) - 1, FirstTableYear - 1);
  const int lastYear = std::min(static_cast<int>(to.year()), LastTableYear);
  for (int lunarYear = firstYear; lunarYear <= lastYear; ++lunarYear) {
    const KeptDate kept = GetKeptDate(birthday.Month, birthday.Leap, birthday.Day, lunarYear);
    if (!kept.Solar || sys_days{kept.Solar.Date} < sys_days{from} || sys_days{kept.Solar.Date} > sys_days{to})
      continue;
    const QString taken = Gbk::FromGbk(GetLunarDateName(kept.Lunar.Month, kept.Lunar.Leap, kept.Lunar.Day));
    const QString note = taken == wanted ? QString() : QStringLiteral("（本年没有%1，按%2）").arg(wanted, taken);
    const QString description = DayDescription(kept.Lunar, sys_days{kept.Solar.Date}, note);
    events.append(CalendarEvent{kept.Solar.Date,
                                QStringLiteral("%1-birthday-%2").arg(lunarYear).arg(hash) + QLatin1String(UidDomain),
                                birthday.Name, description, QStringLiteral("生日")});
  }
  return events;
}

QByteArray WriteICalendar(const QList<CalendarEvent> &events, const QDateTime &stamp) {
  const QByteArray dtstamp = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
  QByteArray text = "BEGIN:VCALENDAR\r\n"
                    "VERSION:2.0\r\n"
                    "PRODID:-//Vandrel//Chinese calendar 1901-2050//ZH\r\n"
                    "CALSCALE:GREGORIAN\r\n"
                    "METHOD:PUBLISH\r\n";
  text += Property("X-WR-CALNAME", QStringLiteral("Vandrel 农历"));
  for (const CalendarEvent &event : events) {
    text += "BEGIN:VEVENT\r\n";
    text += FoldContentLine("UID:" + event.Uid.toLatin1());
    text += "DTSTAMP:" + dtstamp + "\r\n";
    text += "DTSTART;VALUE=DATE:" + Basic(event.Day).toLatin1() + "\r\n";
    text += "DTEND;VALUE=DATE:" + Basic(year_month_day{sys_days{event.Day} + days{1}}).toLatin1() + "\r\n";
    text += Property("SUMMARY", event.Summary);
    text += Property("DESCRIPTION", event.Description);
    text += Property("CATEGORIES", event.Category);
    // A festival does not make the day busy.
    text += "TRANSP:TRANSPARENT\r\n";
    text += "END:VEVENT\r\n";
  }
  text += "END:VCALENDAR\r\n";
  return text;
}

SaveResult SaveICalendar(const QByteArray &text, const QString &path) {
  const QFileInfo info(path);
  if (info.exists() && !info.isFile())
    return {SaveProblem::NotARegularFile, {}};
  if (info.exists() && info.size() > 0) {
    QFile existing(path);
    if (!existing.open(QIODevice::ReadOnly))
      return {SaveProblem::WriteFailed, existing.errorString()};
    QByteArray head = existing.read(64);
    if (head.startsWith("\xEF\xBB\xBF"))
      head.remove(0, 3);
    if (!head.trimmed().toUpper().startsWith("BEGIN:VCALENDAR"))
      return {SaveProblem::NotACalendarFile, {}};
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
    return {SaveProblem::WriteFailed, file.errorString()};
  return {};
}
