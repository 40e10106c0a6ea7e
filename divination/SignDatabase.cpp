#include "SignDatabase.h"

#include "Descramble.h"
#include "Desktop.h"
#include "Gbk.h"
#include "JetQuery.h"
#include "SignNumber.h"
#include "SilentAbort.h"

#include <QFileInfo>

#include <limits>
#include <utility>

namespace {

constexpr const char *SignFileName = "KelmFile.dll";

QString &ChosenSignFile() {
  static QString path;
  return path;
}

LookupObserver &Observer() {
  static LookupObserver observer;
  return observer;
}

// GBK with '?' for a character of the directory that has no GBK form; such a
// path names no file, and every lookup then fails as it would on a system
// whose file names are GBK.
QByteArray PathToGbk(const QString &path) {
  if (std::optional<QByteArray> gbk = Gbk::ToGbk(path))
    return *gbk;
  QByteArray out;
  for (QChar c : path)
    out += Gbk::ToGbk(QStringView(&c, 1)).value_or(QByteArray("?"));
  return out;
}

// Runs one lookup's statement and hands its query to read; any engine error
// or failure of read ends the user action. The query is released on every
// path by its destructor.
template <typename Read> auto RunLookup(const QByteArray &statement, Read read) {
  JetQuery query;
  query.SetConnectionString(Gbk::FromGbk(GetConnectionString()));
  query.SetSql(statement);
  if (Observer())
    Observer()(statement);
  try {
    query.Open();
    return read(query);
  } catch (const SilentAbort &) {
    throw;
  } catch (...) {
    throw SilentAbort();
  }
}

} // namespace

LookupObserver SetLookupObserver(LookupObserver observer) { return std::exchange(Observer(), std::move(observer)); }

QString GetSignDatabaseFile() {
  return ChosenSignFile().isEmpty() ? GetAppDir() + QLatin1String(SignFileName) : ChosenSignFile();
}

QString SetSignDatabaseFile(QString path) { return std::exchange(ChosenSignFile(), std::move(path)); }

QByteArray GetConnectionString() {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + PathToGbk(GetSignDatabaseFile()) +
         ";Persist Security Info=True";
}

QByteArray QuoteSqlText(QByteArrayView text) {
  QByteArray quoted = text.toByteArray();
  quoted.replace('\'', "''");
  return '\'' + quoted + '\'';
}

QByteArray StrokeCountStatement(QByteArrayView character) {
  return "Select num from bihua where hanzi like " + QuoteSqlText("%" + character.toByteArray() + "%");
}

QByteArray SignStatement(QByteArrayView signNumber) {
  return "Select top 1 title,content from vandrel where id =" + QuoteSqlText(signNumber);
}

bool IsTwoByteCharacter(QByteArrayView text) {
  if (text.size() != 2)
    return false;
  const auto lead = static_cast<unsigned char>(text[0]);
  const auto trail = static_cast<unsigned char>(text[1]);
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

std::optional<std::int32_t> ParseStrokeCount(QByteArrayView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  if (i == text.size())
    return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
      return std::nullopt;
  }
  value = negative ? -value : value;
  if (value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t GetStrokeCount(QByteArrayView character) {
  return RunLookup(StrokeCountStatement(character), [](const JetQuery &query) -> std::int32_t {
    if (query.IsEmpty())
      return 0;
    if (std::optional<std::int32_t> count = ParseStrokeCount(query.FieldAsText(0)))
      return *count;
    throw SilentAbort(); // not an integer, NULL included
  });
}

QByteArray GetSignText(QByteArrayView first, QByteArrayView second, QByteArrayView third, bool wantContent) {
  const QByteArray signNumber = GetSignNumber(first, second, third, GetStrokeCount);
  return RunLookup(SignStatement(signNumber), [wantContent](const JetQuery &query) -> QByteArray {
    if (query.IsEmpty())
      return QByteArray();
    if (!wantContent)
      return Gbk::TrimBytes(query.FieldAsText(0));
    // A stored pair that is no hexadecimal number is left out of the text,
    // with the message beep for each.
    qsizetype badPairs = 0;
    QByteArray text = DescrambleSignText(Gbk::TrimBytes(query.FieldAsText(1)), SignTextKey, SignTextCycles, &badPairs);
    for (qsizetype k = 0; k < badPairs; ++k)
      MessageBeep();
    return text;
  });
}
