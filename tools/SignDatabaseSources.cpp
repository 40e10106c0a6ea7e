#include "SignDatabaseSources.h"

#include "Descramble.h" // SignTextKey, SignTextCycles
#include "Gbk.h"
#include "SignScramble.h"

#include <QHash>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace {

[[noreturn]] void Fail(const QString &name, int line, const QString &message) {
  throw SourceError(QStringLiteral("%1:%2: %3").arg(name).arg(line).arg(message).toStdString());
}

// The lines of a UTF-8 source, numbered from 1, without their line ends;
// comment and empty lines are dropped.
struct SourceLine {
  int Number;
  QString Text;
};

std::vector<SourceLine> ReadLines(const QByteArray &utf8, const QString &name) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder(utf8);
  if (decoder.hasError())
    Fail(name, 0, QStringLiteral("the file is not valid UTF-8"));
  std::vector<SourceLine> lines;
  const QList<QStringView> raw = QStringView(text).split(u'\n');
  for (int i = 0; i < raw.size(); ++i) {
    QStringView line = raw[i];
    if (line.endsWith(u'\r'))
      line.chop(1);
    if (i == 0 && line.startsWith(QChar(0xFEFF)))
      line = line.mid(1);
    if (line.isEmpty() || line.startsWith(u'#'))
      continue;
    lines.push_back({i + 1, line.toString()});
  }
  return lines;
}

// A non-negative decimal count: digits only, no sign, no blanks.
std::optional<int> ParseCount(const QString &text) {
  if (text.isEmpty() || text.size() > 9)
    return std::nullopt;
  for (QChar c : text)
    if (c < u'0' || c > u'9')
      return std::nullopt;
  return text.toInt();
}

QString Quoted(const QString &s) { return QStringLiteral("\"%1\"").arg(s); }

bool IsOneCharacter(const QString &s) {
  return s.size() == 1 || (s.size() == 2 && s[0].isHighSurrogate() && s[1].isLowSurrogate());
}

// The first character of s that has no GBK form, if any.
std::optional<QString> FirstNonGbk(const QString &s) {
  for (qsizetype i = 0; i < s.size();) {
    const qsizetype len = s[i].isHighSurrogate() && i + 1 < s.size() ? 2 : 1;
    const QString ch = s.mid(i, len);
    if (!Gbk::IsGbkEncodable(ch))
      return ch;
    i += len;
  }
  return std::nullopt;
}

// The escapes of a description's values: the letter after the backslash
// and the character it stands for.
constexpr std::array<std::pair<char16_t, char16_t>, 4> Escapes{
    {{u't', u'\t'}, {u'n', u'\n'}, {u'r', u'\r'}, {u'\\', u'\\'}}};

QString Unescape(const QString &value, const QString &name, int line) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size())
      Fail(name, line, QStringLiteral("a backslash ends the value"));
    const auto escape = std::find_if(Escapes.begin(), Escapes.end(),
                                     [&](const auto &pair) { return pair.first == value[i].unicode(); });
    if (escape == Escapes.end())
      Fail(name, line, QStringLiteral("unknown escape \\%1").arg(value[i]));
    out += QChar(escape->second);
  }
  return out;
}

} // namespace

std::vector<StrokeEntry> ParseStrokeSource(const QByteArray &utf8, const QString &name) {
  std::vector<StrokeEntry> entries;
  QHash<QString, int> seen; // character -> line
  for (const SourceLine &line : ReadLines(utf8, name)) {
    const QStringList fields = line.Text.split(u'\t');
    if (fields.size() != 2 && fields.size() != 3)
      Fail(name, line.Number, QStringLiteral("expected character<TAB>count[<TAB>traditional form]"));
    const QString &character = fields[0];
    const QString record = QStringLiteral("record %1").arg(Quoted(character));
    if (!IsOneCharacter(character))
      Fail(name, line.Number, QStringLiteral("%1: expected exactly one character").arg(record));
    const QString form = fields.size() == 3 ? fields[2] : character;
    if (!IsOneCharacter(form))
      Fail(name, line.Number,
           QStringLiteral("%1: the traditional form %2 is not one character").arg(record, Quoted(form)));
    if (!Gbk::IsGbkEncodable(character))
      Fail(name, line.Number, QStringLiteral("%1: the character is outside GBK").arg(record));
    if (seen.contains(character))
      Fail(name, line.Number,
           QStringLiteral("%1: the character is listed twice (first on line %2)").arg(record).arg(seen[character]));
    const auto count = ParseCount(fields[1]);
    if (!count)
      Fail(name, line.Number,
           QStringLiteral("%1: the stroke count %2 is not a non-negative number").arg(record, Quoted(fields[1])));
    seen.insert(character, line.Number);
    entries.push_back({character, *count, form});
  }
  return entries;
}

std::vector<SignEntry> ParseSignSource(const QByteArray &utf8, const QString &name) {
  std::vector<SignEntry> entries;
  QHash<QString, int> seen; // id -> line
  for (const SourceLine &line : ReadLines(utf8, name)) {
    const QStringList fields = line.Text.split(u'\t');
    if (fields.size() != 3)
      Fail(name, line.Number, QStringLiteral("expected id<TAB>title<TAB>text"));
    const QString &id = fields[0];
    const QString record = QStringLiteral("record %1").arg(Quoted(id));
    const auto number = id.size() == 3 ? ParseCount(id) : std::nullopt;
    if (!number || *number > 383)
      Fail(name, line.Number, QStringLiteral("%1: the id must be three digits from 000 to 383").arg(record));
    if (seen.contains(id))
      Fail(name, line.Number, QStringLiteral("%1: the id is used twice (first on line %2)").arg(record).arg(seen[id]));
    for (int f = 1; f <= 2; ++f)
      if (const auto bad = FirstNonGbk(fields[f]))
        Fail(name, line.Number,
             QStringLiteral("%1: the %2 holds %3, which is outside GBK")
                 .arg(record, f == 1 ? QStringLiteral("title") : QStringLiteral("text"), Quoted(*bad)));
    if (fields[1].size() > MaxTitleChars)
      Fail(name, line.Number,
           QStringLiteral("%1: the title has %2 characters, at most %3 fit")
               .arg(record)
               .arg(fields[1].size())
               .arg(MaxTitleChars));
    const qsizetype bytes = Gbk::ToGbk(fields[2])->size();
    if (bytes > MaxSignTextBytes)
      Fail(name, line.Number,
           QStringLiteral("%1: the text takes %2 GBK bytes, at most %3 fit")
               .arg(record)
               .arg(bytes)
               .arg(MaxSignTextBytes));
    seen.insert(id, line.Number);
    entries.push_back({id, fields[1], fields[2]});
  }
  return entries;
}

namespace {

// A table of a description, with the columns given as "scrambled".
struct DescribedTable {
  Jet::Table Table;
  std::vector<bool> Scrambled; // per column
};

// column<TAB>name<TAB>type[<TAB>length]
void AddColumn(DescribedTable &described, const QStringList &fields, const QString &name, int line) {
  if (!described.Table.Rows.empty())
    Fail(name, line, QStringLiteral("columns must come before the rows"));
  if (fields.size() < 3 || fields.size() > 4)
    Fail(name, line, QStringLiteral("expected column<TAB>name<TAB>type[<TAB>length]"));
  Jet::Column column;
  column.Name = fields[1];
  const QString &type = fields[2];
  bool scramble = false;
  if (type == u"text")
    column.Type = Jet::ColumnType::Text;
  else if (type == u"memo")
    column.Type = Jet::ColumnType::Memo;
  else if (type == u"scrambled")
    column.Type = Jet::ColumnType::Memo, scramble = true;
  else if (type == u"long")
    column.Type = Jet::ColumnType::Long;
  else if (type == u"integer")
    column.Type = Jet::ColumnType::Integer;
  else
    Fail(name, line, QStringLiteral("unknown column type %1").arg(Quoted(type)));
  if (fields.size() == 4) {
    const auto length = ParseCount(fields[3]);
    if (!length || column.Type != Jet::ColumnType::Text)
      Fail(name, line, QStringLiteral("a length is a number and only text columns have one"));
    column.MaxLength = *length;
  }
  described.Table.Columns.push_back(column);
  described.Scrambled.push_back(scramble);
}

// One value of a row line, already unescaped, as its column stores it.
Jet::Value ColumnValue(const Jet::Column &column, bool scrambled, const QString &value, const QString &name, int line) {
  if (column.Type == Jet::ColumnType::Long || column.Type == Jet::ColumnType::Integer) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
      Fail(name, line, QStringLiteral("column %1: %2 is no integer").arg(Quoted(column.Name), Quoted(value)));
    return std::int32_t(number);
  }
  if (scrambled) {
    if (const auto bad = FirstNonGbk(value))
      Fail(name, line, QStringLiteral("column %1: %2 is outside GBK").arg(Quoted(column.Name), Quoted(*bad)));
    return StoredSignText(value);
  }
  return value;
}

// row<TAB>value<TAB>value...
void AddRow(DescribedTable &described, const QStringList &fields, const QString &name, int line) {
  Jet::Table &table = described.Table;
  if (std::size_t(fields.size() - 1) != table.Columns.size())
    Fail(name, line,
         QStringLiteral("the row has %1 values for %2 columns").arg(fields.size() - 1).arg(table.Columns.size()));
  std::vector<Jet::Value> row;
  for (qsizetype i = 1; i < fields.size(); ++i) {
    if (fields[i] == u"\\N")
      row.emplace_back(std::monostate{});
    else
      row.push_back(ColumnValue(table.Columns[std::size_t(i - 1)], described.Scrambled[std::size_t(i - 1)],
                                Unescape(fields[i], name, line), name, line));
  }
  table.Rows.push_back(std::move(row));
}

} // namespace

std::vector<Jet::Table> ParseTableDescription(const QByteArray &utf8, const QString &name) {
  std::vector<DescribedTable> described;
  for (const SourceLine &line : ReadLines(utf8, name)) {
    const QStringList fields = line.Text.split(u'\t');
    const QString &kind = fields[0];
    if (kind == u"table") {
      if (fields.size() != 2)
        Fail(name, line.Number, QStringLiteral("expected table<TAB>name"));
      described.push_back({{fields[1], {}, {}}, {}});
      continue;
    }
    if (described.empty())
      Fail(name, line.Number, QStringLiteral("a table line must come first"));
    if (kind == u"column")
      AddColumn(described.back(), fields, name, line.Number);
    else if (kind == u"row")
      AddRow(described.back(), fields, name, line.Number);
    else
      Fail(name, line.Number, QStringLiteral("expected a table, column or row line"));
  }
  std::vector<Jet::Table> tables;
  tables.reserve(described.size());
  for (DescribedTable &d : described)
    tables.push_back(std::move(d.Table));
  return tables;
}

namespace {

Jet::Column MakeColumn(const char *name, Jet::ColumnType type, int maxLength = 255) {
  Jet::Column c;
  c.Name = QString::fromLatin1(name);
  c.Type = type;
  c.MaxLength = maxLength;
  return c;
}

} // namespace

Jet::Table MakeStrokeTable(const std::vector<StrokeEntry> &strokes, StrokeLayout layout) {
  Jet::Table table;
  table.Name = QStringLiteral("bihua");
  table.Columns = {
      MakeColumn("hanzi", layout == StrokeLayout::GroupedMemo ? Jet::ColumnType::Memo : Jet::ColumnType::Text),
      MakeColumn("num", Jet::ColumnType::Long)};
  if (layout == StrokeLayout::PerCharacter) {
    for (const StrokeEntry &e : strokes)
      table.Rows.push_back({e.Character, std::int32_t(e.Strokes)});
    return table;
  }
  // Counts in ascending order, each count's characters in source order.
  std::map<int, QString> groups;
  for (const StrokeEntry &e : strokes)
    groups[e.Strokes] += e.Character;
  // mdbtools, the program's reader, matches LIKE against the first 255 UTF-8
  // bytes of a text value and the first 16383 of a memo; a character further
  // on would never be found. Values are cut between characters to stay
  // within that.
  const int budget = layout == StrokeLayout::GroupedText ? MaxMatchedTextBytes : MaxMatchedMemoBytes;
  for (const auto &[count, characters] : groups) {
    QString value;
    qsizetype bytes = 0;
    for (qsizetype at = 0; at < characters.size();) {
      const qsizetype len = characters[at].isHighSurrogate() && at + 1 < characters.size() ? 2 : 1;
      const QString ch = characters.mid(at, len);
      const qsizetype chBytes = ch.toUtf8().size();
      if (bytes + chBytes > budget || (layout == StrokeLayout::GroupedText && value.size() + len > 255)) {
        table.Rows.push_back({value, std::int32_t(count)});
        value.clear();
        bytes = 0;
      }
      value += ch;
      bytes += chBytes;
      at += len;
    }
    if (!value.isEmpty())
      table.Rows.push_back({value, std::int32_t(count)});
  }
  return table;
}

Jet::Table MakeSignTable(const std::vector<SignEntry> &signs) {
  Jet::Table table;
  table.Name = QStringLiteral("vandrel");
  table.Columns = {MakeColumn("id", Jet::ColumnType::Text, 3),
                   MakeColumn("title", Jet::ColumnType::Text, MaxTitleChars),
                   MakeColumn("content", Jet::ColumnType::Memo)};
  for (const SignEntry &s : signs)
    table.Rows.push_back({s.Id, s.Title, StoredSignText(s.Text)});
  return table;
}

QString StoredSignText(const QString &plain) {
  const std::optional<QByteArray> gbk = Gbk::ToGbk(plain);
  if (!gbk)
    throw SourceError("a sign text outside GBK cannot be stored");
  return QString::fromLatin1(ScrambleSignText(*gbk, SignTextKey, SignTextCycles));
}
