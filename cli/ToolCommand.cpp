#include "ToolCommand.h"

#include "Gbk.h"

#include <cerrno>

using namespace std::chrono;

namespace {

constexpr char ToolName[] = "vandrel-tool";

} // namespace

std::optional<int> Number(QStringView digits) {
  int value = 0;
  for (QChar c : digits) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
}

void Output::Line(QStringView text) {
  Pending += text.toUtf8();
  Pending += '\n';
  if (Pending.size() >= 1 << 16)
    Flush();
}

void Output::Flush() {
  if (!Pending.isEmpty() &&
      std::fwrite(Pending.constData(), 1, static_cast<std::size_t>(Pending.size()), Stream) !=
          static_cast<std::size_t>(Pending.size()) &&
      Error == 0)
    Error = errno;
  if (std::fflush(Stream) != 0 && Error == 0)
    Error = errno;
  Pending.clear();
}

void Message(std::FILE *err, QStringView command, QStringView text) {
  const QString line = command.isEmpty() ? QStringLiteral("%1: %2\n").arg(QLatin1String(ToolName), text)
                                         : QStringLiteral("%1 %2: %3\n").arg(QLatin1String(ToolName), command, text);
  std::fputs(line.toUtf8().constData(), err);
  std::fflush(err);
}

void ExpectArguments(const CommandLine &line, qsizetype least, qsizetype most, QStringView what) {
  if (line.Positional.size() < least)
    throw BadArguments{QStringLiteral("missing %1").arg(what)};
  if (line.Positional.size() > most)
    throw BadArguments{QStringLiteral("too many arguments (\"%1\" is one too many)").arg(line.Positional[most])};
}

// YYYY-MM-DD, or YYYY-MM when the day may be left out (it is then the 1st).
// Any date of the Gregorian calendar from the year 1 to 9999.
year_month_day ParseDate(QStringView text, bool dayOptional, QStringView pattern) {
  const bool withDay = text.size() == 10;
  std::optional<int> y, m, d = 1;
  if ((withDay || (dayOptional && text.size() == 7)) && text[4] == u'-' && (!withDay || text[7] == u'-')) {
    y = Number(text.sliced(0, 4));
    m = Number(text.sliced(5, 2));
    if (withDay)
      d = Number(text.sliced(8, 2));
  }
  const year_month_day date =
      y && m && d ? year{*y} / month{static_cast<unsigned>(*m)} / day{static_cast<unsigned>(*d)} : year_month_day{};
  // The platform's date values begin with 0001-01-01.
  if (!y || !m || !d || !date.ok() || *y < 1)
    throw BadArguments{QStringLiteral("bad date \"%1\": expected an existing day of the years 0001-9999 written %2")
                           .arg(text, pattern)};
  return date;
}

QString IsoDate(const year_month_day &date) {
  return QStringLiteral("%1-%2-%3")
      .arg(static_cast<int>(date.year()), 4, 10, QLatin1Char('0'))
      .arg(static_cast<unsigned>(date.month()), 2, 10, QLatin1Char('0'))
      .arg(static_cast<unsigned>(date.day()), 2, 10, QLatin1Char('0'));
}

// The GBK form of a text the user gave, or a message naming the character
// that has none.
QByteArray GbkArgument(const QString &text, QStringView what) {
  if (std::optional<QByteArray> gbk = Gbk::ToGbk(text))
    return *gbk;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QStringView character = QStringView(text).sliced(i, length);
    if (!Gbk::IsGbkEncodable(character)) {
      const QString code = QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0');
      throw BadArguments{QStringLiteral("%1 \"%2\" has a character that GBK cannot encode: \"%3\" (U+%4)")
                             .arg(what, text, character, code)};
    }
    i += length;
  }
  throw BadArguments{QStringLiteral("%1 \"%2\" cannot be encoded in GBK").arg(what, text)};
}
