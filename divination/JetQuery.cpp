#include "JetQuery.h"

#include "Gbk.h"
#include "JetFileCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <mdbsql.h>

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

// mdbtools writes its diagnostics (file not found, parse errors, debug output
// switched on through MDBOPTS) straight to file descriptor 2. While a query
// runs, that descriptor points at /dev/null; the program's one UI thread runs
// every query, so nothing of ours is lost in between.
class QuietStderr {
public:
  QuietStderr() {
    std::fflush(stderr);
    Saved = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (Saved >= 0 && null >= 0)
      ::dup2(null, STDERR_FILENO);
    if (null >= 0)
      ::close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (Saved >= 0) {
      ::dup2(Saved, STDERR_FILENO);
      ::close(Saved);
    }
  }
  QuietStderr(const QuietStderr &) = delete;
  QuietStderr &operator=(const QuietStderr &) = delete;

private:
  int Saved = -1;
};

// GBK with '?' for every character that has no GBK form.
QByteArray ToGbkLossy(const QString &text) {
  if (std::optional<QByteArray> whole = Gbk::ToGbk(text))
    return *whole;
  QByteArray out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const std::optional<QByteArray> one = Gbk::ToGbk(QStringView(text).sliced(i, length));
    out += one ? *one : QByteArray("?");
    i += length - 1;
  }
  return out;
}

// The statement with every string literal replaced by '0', '1', ... and the
// literals' values read the Jet way ('' inside a literal is one quote).
// mdbtools keeps a doubled quote doubled, and its lexer reads '...''...' as
// a path name rather than a string, so it never sees a literal of ours.
struct Literals {
  QString Statement;
  QStringList Values;
};

Literals SeparateLiterals(const QString &statement) {
  Literals result;
  qsizetype i = 0;
  while (i < statement.size()) {
    if (statement[i] != u'\'') {
      result.Statement += statement[i++];
      continue;
    }
    QString value;
    ++i;
    for (;;) {
      if (i >= statement.size())
        throw JetError("string literal without its closing quote");
      if (statement[i] == u'\'') {
        if (i + 1 < statement.size() && statement[i + 1] == u'\'') {
          value += u'\'';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      value += statement[i++];
    }
    result.Statement += u'\'' + QString::number(result.Values.size()) + u'\'';
    result.Values += value;
  }
  return result;
}

struct PatternItem {
  enum Kind { AnyRun, AnyOne, Set, Literal };
  explicit PatternItem(Kind what, char16_t character = 0) : What(what), Character(character) {}
  Kind What;
  char16_t Character;          // Literal, folded
  bool Caseless = false;       // Literal: a character without case forms
  QString Members;             // Set: folded characters, ranges as a-z triples
  bool Negated = false;        // Set
  bool MatchesNothing = false; // "[]": stands for the zero-length string
};

char16_t Fold(QChar c) { return c.toCaseFolded().unicode(); }

std::vector<PatternItem> ParsePattern(QStringView pattern) {
  std::vector<PatternItem> items;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'%') {
      items.emplace_back(PatternItem::AnyRun);
    } else if (c == u'_') {
      items.emplace_back(PatternItem::AnyOne);
    } else if (c == u'[') {
      const qsizetype close = pattern.indexOf(u']', i + 1);
      if (close < 0)
        throw JetError("invalid pattern string");
      PatternItem set(PatternItem::Set);
      QStringView inside = pattern.sliced(i + 1, close - i - 1);
      if (inside.startsWith(u'!') && inside.size() > 1) {
        set.Negated = true;
        inside = inside.sliced(1);
      }
      if (inside.isEmpty())
        set.MatchesNothing = true;
      for (QChar m : inside)
        set.Members += QChar(Fold(m));
      items.push_back(set);
      i = close;
    } else {
      items.emplace_back(PatternItem::Literal, Fold(c));
      items.back().Caseless = !c.isSurrogate() && c.toCaseFolded() == c && c.toUpper() == c && c.toLower() == c;
    }
  }
  return items;
}

bool InSet(const PatternItem &set, char16_t c) {
  bool found = false;
  const QString &m = set.Members;
  for (qsizetype k = 0; k < m.size() && !found; ++k) {
    if (k + 2 < m.size() && m[k + 1] == u'-') {
      found = m[k].unicode() <= c && c <= m[k + 2].unicode();
      k += 2;
    } else {
      found = m[k].unicode() == c;
    }
  }
  return found != set.Negated;
}

// Whether items[p..] matches value[v..]; one '%' at a time is backtracked,
// which is enough since every other item takes exactly one character (or,
// for "[]", none).
bool MatchFrom(const std::vector<PatternItem> &items, const std::vector<char16_t> &value) {
  size_t p = 0, v = 0;
  std::optional<std::pair<size_t, size_t>> retry; // pattern after the last %, value position
  while (true) {
    if (p < items.size()) {
      const PatternItem &item = items[p];
      if (item.What == PatternItem::AnyRun) {
        retry = std::pair{++p, v};
        continue;
      }
      if (item.What == PatternItem::Set && item.MatchesNothing) {
        ++p;
        continue;
      }
      if (v < value.size()) {
        const char16_t c = value[v];
        const bool ok = item.What == PatternItem::AnyOne ||
                        (item.What == PatternItem::Literal && item.Character == c) ||
                        (item.What == PatternItem::Set && InSet(item, c));
        if (ok) {
          ++p;
          ++v;
          continue;
        }
      }
    } else if (v == value.size()) {
      return true;
    }
    if (!retry || retry->second >= value.size())
      return false;
    p = retry->first;
    v = ++retry->second;
  }
}

bool TextEquals(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// A LIKE pattern read once per query. Required is the longest run of
// characters without case forms that every matching value holds as it is:
// as UTF-8, a value without those bytes cannot match, and most rows are
// turned away on that test alone, without being decoded.
struct CompiledLike {
  explicit CompiledLike(QStringView pattern) : Items(ParsePattern(pattern)) {
    QString run, longest;
    for (const PatternItem &item : Items) {
      if (item.What == PatternItem::Literal && item.Caseless) {
        run += QChar(item.Character);
        continue;
      }
      if (run.size() > longest.size())
        longest = run;
      run.clear();
    }
    Required = (run.size() > longest.size() ? run : longest).toUtf8();
  }
  bool Matches(QStringView value) const {
    std::vector<char16_t> folded;
    folded.reserve(static_cast<size_t>(value.size()));
    for (QChar c : value)
      folded.push_back(Fold(c));
    return MatchFrom(Items, folded);
  }
  std::vector<PatternItem> Items;
  QByteArray Required;
};

} // namespace

bool JetLike(QStringView value, QStringView pattern) { return CompiledLike(pattern).Matches(value); }

QString DataSourceOf(const QString &connection) {
  for (const QString &part : connection.split(u';')) {
    const qsizetype equals = part.indexOf(u'=');
    if (equals > 0 && part.first(equals).trimmed().compare(u"Data Source", Qt::CaseInsensitive) == 0)
      return part.sliced(equals + 1).trimmed();
  }
  return QString();
}

struct JetQuery::Result {
  MdbSQL *Sql = nullptr;
  MdbSargNode *Condition = nullptr;
  std::vector<std::vector<char>> OwnBuffers;
  bool Empty = true;
  QList<QByteArray> Row;

  ~Result() {
    QuietStderr quiet;
    if (Condition)
      mdb_sql_free_tree(Condition);
    if (Sql)
      mdb_sql_exit(Sql); // frees the result and closes the file
  }
};

namespace {

// The table a SELECT reads: the name after FROM, in the statement with its
// literals taken out. Empty when there is none.
QString QueriedTable(const QString &statement) {
  static const QRegularExpression from(QStringLiteral(R"(\bfrom\s+\[?([^\s\[\],;()]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
  return from.match(statement).captured(1);
}

// The definition page of the user table name, found as mdbtools finds it
// (its catalog, names compared without regard to ASCII case). Nothing when
// there is no such table: mdbtools then refuses the statement itself.
std::optional<std::uint32_t> TableDefinitionPage(MdbHandle *mdb, const QString &name) {
  if (name.isEmpty())
    return std::nullopt;
  const GPtrArray *catalog = mdb_read_catalog(mdb, MDB_TABLE);
  if (!catalog)
    return std::nullopt;
  const QByteArray wanted = name.toUtf8();
  for (guint i = 0; i < catalog->len; ++i) {
    const auto *entry = static_cast<const MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
    if (g_ascii_strcasecmp(entry->object_name, wanted.constData()) == 0)
      return static_cast<std::uint32_t>(entry->table_pg);
  }
  return std::nullopt;
}

// The fields of the row just fetched, as its page holds them, read on first
// use. The bound text of a NULL and of a zero-length text are both empty, so
// NULL is read from the row's null mask, only when a value is empty; a memo
// field is read for its head before mdbtools follows it.
class RowFields {
public:
  explicit RowFields(MdbTableDef *table) : Table(table) {}
  bool IsNull(const MdbColumn *col) {
    const MdbField *field = Find(col);
    return field && field->is_null != 0;
  }
  // The field's bytes on the page; empty for NULL or a column the row lacks.
  // Throws JetError for a field that runs past its page.
  QByteArrayView Bytes(const MdbColumn *col) {
    const MdbField *field = Find(col);
    if (!field || field->is_null)
      return {};
    MdbHandle *mdb = Table->entry->mdb;
    if (field->start < 0 || field->siz < 0 || field->start + field->siz > mdb->fmt->pg_size)
      throw JetError("a value runs past its page");
    return QByteArrayView(reinterpret_cast<const char *>(mdb->pg_buf) + field->start, field->siz);
  }

private:
  const MdbField *Find(const MdbColumn *col) {
    if (!Read) {
      Read = true;
      MdbHandle *mdb = Table->entry->mdb;
      int start = 0;
      size_t size = 0;
      if (Table->cur_row > 0 && mdb_find_row(mdb, static_cast<int>(Table->cur_row) - 1, &start, &size) == 0 &&
          size > 0) {
        Fields.resize(Table->num_cols);
        const int count = mdb_crack_row(Table, start & 0x1fff, size, Fields.data()); // 0x1fff: offset bits
        Fields.resize(count > 0 ? static_cast<size_t>(count) : 0);
      }
    }
    for (const MdbField &field : Fields)
      if (field.colnum == col->col_num)
        return &field;
    return nullptr;
  }

  MdbTableDef *Table;
  bool Read = false;
  std::vector<MdbField> Fields;
};

struct Evaluation {
  const QStringList &Values;
  const std::map<const MdbSargNode *, CompiledLike> &Likes;
  RowFields &Nulls;

  // Jet's three-valued logic: empty means NULL (neither true nor false).
  std::optional<bool> Test(const MdbSargNode *node) {
    switch (node->op) {
    case MDB_AND: {
      const std::optional<bool> a = Test(node->left), b = Test(node->right);
      if (a == false || b == false)
        return false;
      return a && b ? std::optional<bool>(true) : std::nullopt;
    }
    case MDB_OR: {
      const std::optional<bool> a = Test(node->left), b = Test(node->right);
      if (a == true || b == true)
        return true;
      return a && b ? std::optional<bool>(false) : std::nullopt;
    }
    case MDB_NOT: {
      const std::optional<bool> a = Test(node->left);
      return a ? std::optional<bool>(!*a) : std::nullopt;
    }
    default:
      break;
    }
    const auto *bound = static_cast<const char *>(node->col->bind_ptr);
    const auto like = Likes.find(node);
    if (like != Likes.end() && bound[0] != '\0' && !QByteArrayView(bound).contains(like->second.Required))
      return false;
    const bool null = bound[0] == '\0' && Nulls.IsNull(node->col);
    if (node->op == MDB_ISNULL)
      return null;
    if (node->op == MDB_NOTNULL)
      return !null;
    if (null)
      return std::nullopt;
    const QString value = QString::fromUtf8(bound);
    const QString &literal = Values[QByteArrayView(node->value.s).toInt()];
    switch (node->op) {
    case MDB_LIKE:
    case MDB_ILIKE:
      return like->second.Matches(value);
    case MDB_EQUAL:
      return TextEquals(value, literal);
    case MDB_NEQ:
      return !TextEquals(value, literal);
    default:
      throw JetError("comparison not supported");
    }
  }
};

// Every comparison names a text column of the table and a literal of ours;
// LIKE patterns are compiled into likes.
void CheckCondition(const MdbSargNode *node, const QStringList &literals,
                    std::map<const MdbSargNode *, CompiledLike> &likes) {
  if (!node)
    return;
  if (node->op == MDB_AND || node->op == MDB_OR || node->op == MDB_NOT) {
    CheckCondition(node->left, literals, likes);
    CheckCondition(node->right, literals, likes);
    return;
  }
  if (!node->col)
    throw JetError("unknown column in the condition");
  if (node->op == MDB_ISNULL || node->op == MDB_NOTNULL)
    return;
  bool isNumber = false;
  const int index = QByteArrayView(node->value.s).toInt(&isNumber);
  if (node->val_type != MDB_TEXT || !isNumber || index < 0 || index >= literals.size())
    throw JetError("data type mismatch in the condition");
  if (node->op == MDB_LIKE || node->op == MDB_ILIKE)
    likes.emplace(node, CompiledLike(literals[index]));
}

void BindConditionColumns(MdbSargNode *node, std::vector<std::vector<char>> &buffers, size_t size) {
  if (!node)
    return;
  if (node->col && !node->col->bind_ptr) {
    buffers.emplace_back(size, '\0');
    node->col->bind_ptr = buffers.back().data();
  }
  BindConditionColumns(node->left, buffers, size);
  BindConditionColumns(node->right, buffers, size);
}

// The database file's bytes, its structure checked first: mdbtools takes a
// damaged file for a shorter one (see JetFileCheck.h).
QByteArray ReadCheckedFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw JetError("database file not readable");
  if (file.size() > MaxDatabaseFileBytes)
    throw JetError("database file far larger than a sign database");
  QByteArray bytes = file.readAll();
  file.close();
  if (JetFileCheck::Problem problem = JetFileCheck::CheckFile(bytes))
    throw JetError(*problem);
  return bytes;
}

// mdbtools' SQL on the file, its text read and written as UTF-8.
MdbSQL *OpenEngine(const QString &path) {
  MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
  if (!mdb)
    throw JetError("not a database");
  MdbSQL *sql = mdb_sql_init();
  sql->mdb = mdb;
  if (!IS_JET3(mdb)) {
    // Jet 4 stores text as UCS-2; have it as UTF-8 whatever MDBICONV says,
    // since a LIKE on UTF-8 bytes can never match part of a character.
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", "UCS-2LE");
    mdb->iconv_out = iconv_open("UCS-2LE", "UTF-8");
  }
  return sql;
}

// The queried table's definition and pages, checked before mdbtools reads
// them: it gives up on a definition it cannot read whole without freeing
// the table it read so far. Its definition page, when the catalog has it.
std::optional<std::uint32_t> CheckQueriedTable(const QByteArray &bytes, MdbHandle *mdb, const QString &statement) {
  const std::optional<std::uint32_t> tdefPage = TableDefinitionPage(mdb, QueriedTable(statement));
  if (tdefPage) {
    JetFileCheck::Problem problem = JetFileCheck::CheckTableDefinition(bytes, *tdefPage);
    if (!problem)
      problem = JetFileCheck::CheckTablePages(bytes, *tdefPage);
    if (problem)
      throw JetError(*problem);
  }
  return tdefPage;
}

// Runs the statement up to its first row. The condition is evaluated here,
// the Jet way, instead of by mdbtools: its tree becomes the caller's, since
// mdbtools frees a table definition without its tree.
MdbTableDef *RunStatement(MdbSQL *sql, const QString &statement, MdbSargNode *&condition) {
  const QByteArray text = statement.toUtf8();
  if (!mdb_sql_run_query(sql, text.constData()) || mdb_sql_has_error(sql) || !sql->cur_table)
    throw JetError(mdb_sql_has_error(sql) ? mdb_sql_last_error(sql) : "statement not run");
  MdbTableDef *table = sql->cur_table;
  condition = table->sarg_tree;
  table->sarg_tree = nullptr;
  return table;
}

// The selected columns with the buffers mdbtools bound them to.
using SelectedColumns = std::vector<std::pair<MdbColumn *, void *>>;

// While the rows are scanned only the condition's columns are read; the
// selected ones are read for the matching row alone. That, and converting
// text values into buffers sized for a text column rather than for the
// longest memo, keeps a scan of a table of some 20,000 rows cheap.
SelectedColumns BindForScan(MdbHandle *mdb, MdbTableDef *table, MdbSargNode *condition,
                            std::vector<std::vector<char>> &ownBuffers, size_t fullBindSize) {
  SelectedColumns selected;
  for (unsigned i = 0; i < table->num_cols; ++i) {
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
    if (col->bind_ptr)
      selected.emplace_back(col, std::exchange(col->bind_ptr, nullptr));
  }
  BindConditionColumns(condition, ownBuffers, fullBindSize);
  bool onlyTextColumns = true;
  for (unsigned i = 0; i < table->num_cols; ++i) {
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
    onlyTextColumns = onlyTextColumns && (!col->bind_ptr || col->col_type == MDB_TEXT);
  }
  // A text column holds at most 255 UCS-2 units, 765 bytes of UTF-8.
  if (onlyTextColumns)
    mdb_set_bind_size(mdb, std::min<size_t>(1024, fullBindSize));
  return selected;
}

// The matching row read again, its selected columns bound at full size;
// their memo fields are checked before mdbtools follows them. The values as
// GBK, in the statement's order.
QList<QByteArray> ReadSelected(const QByteArray &bytes, MdbSQL *sql, MdbTableDef *table, RowFields &fields,
                               const SelectedColumns &selected, size_t fullBindSize) {
  for (const auto &[col, buffer] : selected)
    if (col->col_type == MDB_MEMO)
      if (JetFileCheck::Problem problem = JetFileCheck::CheckLongValue(bytes, fields.Bytes(col)))
        throw JetError(*problem);
  for (unsigned i = 0; i < table->num_cols; ++i)
    static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i))->bind_ptr = nullptr;
  for (const auto &[col, buffer] : selected)
    col->bind_ptr = buffer;
  mdb_set_bind_size(sql->mdb, fullBindSize);
  mdb_read_row(table, table->cur_row - 1);
  QList<QByteArray> row;
  for (unsigned i = 0; i < sql->num_columns; ++i) {
    const auto *bound = static_cast<const char *>(g_ptr_array_index(sql->bound_values, i));
    row += ToGbkLossy(QString::fromUtf8(bound));
  }
  return row;
}

} // namespace

JetQuery::JetQuery() = default;

JetQuery::~JetQuery() = default;

void JetQuery::SetConnectionString(const QString &connection) { Connection = connection; }

void JetQuery::SetSql(const QByteArray &statementGbk) { Statement = statementGbk; }

void JetQuery::Open() {
  Opened.reset();
  const QString path = DataSourceOf(Connection);
  // Checked here: mdbtools would otherwise go looking along MDBPATH (and loops
  // forever on an empty entry in it).
  if (path.isEmpty() || !QFileInfo(path).isFile())
    throw JetError("database file not found");
  const Literals literals = SeparateLiterals(Gbk::FromGbk(Statement));
  // The whole file is checked here, the queried table below.
  const QByteArray bytes = ReadCheckedFile(path);

  auto result = std::make_unique<Result>();
  QuietStderr quiet;
  result->Sql = OpenEngine(path);
  MdbSQL *sql = result->Sql;
  MdbHandle *mdb = sql->mdb;
  const std::optional<std::uint32_t> tdefPage = CheckQueriedTable(bytes, mdb, literals.Statement);
  MdbTableDef *table = RunStatement(sql, literals.Statement, result->Condition);
  if (!tdefPage || *tdefPage != table->entry->table_pg)
    if (JetFileCheck::Problem problem =
            JetFileCheck::CheckTablePages(bytes, static_cast<std::uint32_t>(table->entry->table_pg)))
      throw JetError(*problem);
  std::map<const MdbSargNode *, CompiledLike> likes;
  CheckCondition(result->Condition, literals.Values, likes);

  const size_t fullBindSize = mdb->bind_size;
  const SelectedColumns selected = BindForScan(mdb, table, result->Condition, result->OwnBuffers, fullBindSize);
  const long limit = sql->limit; // TOP n; -1 when there is none
  while (limit != 0 && mdb_fetch_row(table)) {
    RowFields fields(table);
    if (result->Condition && Evaluation{literals.Values, likes, fields}.Test(result->Condition) != true)
      continue;
    result->Row = ReadSelected(bytes, sql, table, fields, selected, fullBindSize);
    result->Empty = false;
    break;
  }
  Opened = std::move(result);
}

bool JetQuery::IsEmpty() const { return !Opened || Opened->Empty; }

QByteArray JetQuery::FieldAsText(int index) const {
  if (!Opened || Opened->Empty)
    throw JetError("no current row");
  if (index < 0 || index >= Opened->Row.size())
    throw JetError("no such column in the result");
  return Opened->Row[index];
}
