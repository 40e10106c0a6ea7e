#include "ToolCommands.h"

#include "CalendarMonth.h"
#include "DateCn.h"
#include "Gbk.h"
#include "JetQuery.h"
#include "SignDatabase.h"
#include "SignJournal.h"
#include "SignReport.h"
#include "SignSlip.h"
#include "SilentAbort.h"
#include "TerminalText.h"
#include "TraditionalForm.h"

#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

using namespace std::chrono;

namespace {

constexpr char ToolName[] = "vandrel-tool";

// Columns of one day in the month grid: the widest texts, the weekday names
// and the three-character festivals, take six, and two are left between cells.
constexpr int CellColumns = 8;

// Anything that makes the command line unusable: status 1 with this message.
struct BadArguments {
  QString Message;
};

// UTF-8 on the way out, collected and written in large pieces: the calendar
// of 150 years is some 55,000 lines.
class Output {
public:
  explicit Output(std::FILE *stream) : Stream(stream) {}
  ~Output() { Flush(); }
  Output(const Output &) = delete;
  Output &operator=(const Output &) = delete;

  void Line(QStringView text) {
    Pending += text.toUtf8();
    Pending += '\n';
    if (Pending.size() >= 1 << 16)
      Flush();
  }
  void Flush() {
    if (!Pending.isEmpty() &&
        std::fwrite(Pending.constData(), 1, static_cast<std::size_t>(Pending.size()), Stream) !=
            static_cast<std::size_t>(Pending.size()) &&
        Error == 0)
      Error = errno;
    if (std::fflush(Stream) != 0 && Error == 0)
      Error = errno;
    Pending.clear();
  }
  // The system's reason for the first failed write (errno), 0 when none.
  int FirstError() const { return Error; }

private:
  std::FILE *Stream;
  QByteArray Pending;
  int Error = 0;
};

void Message(std::FILE *err, QStringView command, QStringView text) {
  const QString line = command.isEmpty() ? QStringLiteral("%1: %2\n").arg(QLatin1String(ToolName), text)
                                         : QStringLiteral("%1 %2: %3\n").arg(QLatin1String(ToolName), command, text);
  std::fputs(line.toUtf8().constData(), err);
  std::fflush(err);
}

// The arguments of one command: positional ones, --help and --db PATH, and
// for divine --card FILE and --date YYYY-MM-DD, for journal --json.
struct CommandLine {
  QStringList Positional;
  bool Help = false;
  std::optional<QString> Database;
  std::optional<QString> Card;
  std::optional<QString> Date;
  bool Json = false;
};

// The value of an option written "--name VALUE" or "--name=VALUE".
std::optional<QString> OptionValue(const QStringList &arguments, qsizetype &i, QStringView name, QStringView what) {
  const QString &argument = arguments[i];
  if (argument != name && !argument.startsWith(name.toString() + u'='))
    return std::nullopt;
  QString value;
  if (argument == name) {
    if (i + 1 == arguments.size())
      throw BadArguments{QStringLiteral("%1 needs %2").arg(name, what)};
    value = arguments[++i];
  } else {
    value = argument.mid(name.size() + 1);
  }
  if (value.isEmpty())
    throw BadArguments{QStringLiteral("%1 needs %2").arg(name, what)};
  return value;
}

CommandLine ParseCommandLine(const QStringList &arguments, bool takesDatabase, bool takesCard = false,
                             bool takesJson = false) {
  CommandLine line;
  bool optionsEnd = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &argument = arguments[i];
    if (optionsEnd || argument == u"-" || !argument.startsWith(u'-')) {
      line.Positional += argument;
    } else if (argument == u"--") {
      optionsEnd = true;
    } else if (argument == u"--help" || argument == u"-h") {
      line.Help = true;
    } else if (takesDatabase && (argument == u"--db" || argument.startsWith(u"--db="))) {
      QString path;
      if (argument == u"--db") {
        if (i + 1 == arguments.size())
          throw BadArguments{QStringLiteral("--db needs the path of a sign database")};
        path = arguments[++i];
      } else {
        path = argument.mid(5);
      }
      if (path.isEmpty())
        throw BadArguments{QStringLiteral("--db needs the path of a sign database")};
      line.Database = path;
    } else if (auto card =
                   takesCard ? OptionValue(arguments, i, u"--card", u"the file to write the slip to") : std::nullopt) {
      line.Card = card;
    } else if (auto date = takesCard ? OptionValue(arguments, i, u"--date", u"a date YYYY-MM-DD") : std::nullopt) {
      line.Date = date;
    } else if (takesJson && argument == u"--json") {
      line.Json = true;
    } else {
      throw BadArguments{QStringLiteral("unknown option \"%1\"").arg(argument)};
    }
  }
  return line;
}

void ExpectArguments(const CommandLine &line, qsizetype least, qsizetype most, QStringView what) {
  if (line.Positional.size() < least)
    throw BadArguments{QStringLiteral("missing %1").arg(what)};
  if (line.Positional.size() > most)
    throw BadArguments{QStringLiteral("too many arguments (\"%1\" is one too many)").arg(line.Positional[most])};
}

// The value of a run of decimal digits; nothing when another character is
// among them.
std::optional<int> Number(QStringView digits) {
  int value = 0;
  for (QChar c : digits) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
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

// Makes the lookups read the file named by --db while it lives.
class DatabaseChoice {
public:
  explicit DatabaseChoice(const std::optional<QString> &path)
      : Previous(SetSignDatabaseFile(path.value_or(QString()))) {}
  ~DatabaseChoice() { SetSignDatabaseFile(Previous); }
  DatabaseChoice(const DatabaseChoice &) = delete;
  DatabaseChoice &operator=(const DatabaseChoice &) = delete;

private:
  QString Previous;
};

// Remembers the statement of the lookup under way, to name it when it fails.
class LookupWatch {
public:
  LookupWatch() {
    Previous = SetLookupObserver([this](const QByteArray &statement) { Statement = statement; });
  }
  ~LookupWatch() { SetLookupObserver(std::move(Previous)); }
  LookupWatch(const LookupWatch &) = delete;
  LookupWatch &operator=(const LookupWatch &) = delete;

  // Why the lookup ended the action: the lookups themselves say nothing.
  QString Reason() const {
    const QString file = GetSignDatabaseFile();
    const QFileInfo info(file);
    if (!info.exists())
      return QStringLiteral("the sign database %1 does not exist").arg(file);
    if (!info.isFile() || !info.isReadable())
      return QStringLiteral("the sign database %1 cannot be read").arg(file);
    if (info.size() > MaxDatabaseFileBytes)
      return QStringLiteral("the sign database %1 is far larger than a sign database (%2 MiB; at most %3 MiB)")
          .arg(file)
          .arg(info.size() >> 20)
          .arg(MaxDatabaseFileBytes >> 20);
    return QStringLiteral("the sign database %1 failed (not a Jet 4.0 database with the tables bihua and vandrel, "
                          "or a stroke count that is not a number) at: %2")
        .arg(file, Gbk::FromGbk(Statement));
  }

private:
  LookupObserver Previous;
  QByteArray Statement;
};

// calendar ---------------------------------------------------------------

constexpr char CalendarHelp[] = "Usage: vandrel-tool calendar FROM [TO]\n"
                                "\n"
                                "One line per day from FROM to TO inclusive (TO defaults to FROM), dates\n"
                                "written YYYY-MM-DD. Nine fields separated by a tab:\n"
                                "  date  lunar-code  lunar-month  lunar-day  lunar-festival  solar-term\n"
                                "  gregorian-festival  zodiac-year  star-sign\n"
                                "The lunar code is month * 100 + day, negative in a leap month, 0 outside\n"
                                "the years 1901-2050, where the lunar fields are empty. A day without a\n"
                                "festival or solar term has an empty field.\n"
                                "\n"
                                "Example: vandrel-tool calendar 2024-02-09 2024-02-10\n"
                                "2024-02-09\t1230\t腊月\t三十\t除夕\t\t\t卯兔\t水瓶座\n"
                                "2024-02-10\t101\t正月\t初一\t春节\t\t\t辰龙\t水瓶座\n";

int Calendar(const CommandLine &line, Output &out) {
  ExpectArguments(line, 1, 2, u"FROM (a date written YYYY-MM-DD)");
  const year_month_day from = ParseDate(line.Positional[0], false, u"YYYY-MM-DD");
  const year_month_day to = line.Positional.size() > 1 ? ParseDate(line.Positional[1], false, u"YYYY-MM-DD") : from;
  if (sys_days{to} < sys_days{from})
    throw BadArguments{QStringLiteral("TO %1 lies before FROM %2").arg(IsoDate(to), IsoDate(from))};
  for (sys_days d = sys_days{from}; d <= sys_days{to}; d += days{1}) {
    const year_month_day date{d};
    const DateValue value = EncodeDate(date);
    // One conversion per line: every field is GBK, the date and code ASCII.
    QByteArray fields = IsoDate(date).toLatin1();
    for (const QByteArray &field :
         {QByteArray::number(GetLunarDate(value)), GetLunarMonthName(value), GetLunarDayName(value),
          GetLunarFestival(value), GetSolarTerm(value), GetSolarFestival(DayOfDate(value), value), GetZodiacYear(value),
          GetStarSign(value)}) {
      fields += '\t';
      fields += field;
    }
    out.Line(Gbk::FromGbk(fields));
  }
  return ExitSuccess;
}

// month ------------------------------------------------------------------

constexpr char MonthHelp[] = "Usage: vandrel-tool month YYYY-MM[-DD]\n"
                             "\n"
                             "The month laid out as the calendar window shows it: the weekdays from\n"
                             "Sunday, and for every day its number with the lunar line beneath it - the\n"
                             "lunar festival, else the solar term, else the Gregorian festival, else on\n"
                             "the first day of a lunar month the month's name, else the lunar day.\n"
                             "Then the zodiac year of the shown date: the day given, or the 1st.\n"
                             "\n"
                             "Example: vandrel-tool month 2024-02\n";

void Month(const CommandLine &line, Output &out) {
  ExpectArguments(line, 1, 1, u"the month (written YYYY-MM or YYYY-MM-DD)");
  const year_month_day shown = ParseDate(line.Positional[0], true, u"YYYY-MM or YYYY-MM-DD");
  const DateValue shownDate = EncodeDate(shown);
  const DateValue firstDate = EncodeDate(shown.year() / shown.month() / 1);
  const MonthCells cells = GetMonthCells(shownDate);

  const auto row = [&out](const QStringList &texts) {
    QString text;
    for (const QString &cell : texts)
      text += Terminal::Centred(cell, CellColumns);
    while (text.endsWith(u' '))
      text.chop(1);
    out.Line(text);
  };
  const QString title =
      QStringLiteral("%1年%2月").arg(static_cast<int>(shown.year())).arg(static_cast<unsigned>(shown.month()));
  out.Line(QString((7 * CellColumns - Terminal::DisplayWidth(title)) / 2, u' ') + title);
  row({QStringLiteral("星期日"), QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
       QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六")});
  const int lastCell = cells.FirstCell + cells.DayCount - 1;
  for (int rowStart = 1; rowStart <= lastCell; rowStart += 7) {
    QStringList numbers, lunar;
    for (int i = rowStart; i < rowStart + 7; ++i) {
      const int d = i - cells.FirstCell + 1;
      const bool used = d >= 1 && d <= cells.DayCount;
      numbers += used ? QString::number(d) : QString();
      lunar += used ? Gbk::FromGbk(GetLunarLine(firstDate + (d - 1)).Text) : QString();
    }
    row(numbers);
    row(lunar);
  }
  if (const QByteArray zodiac = GetZodiacYear(shownDate); !zodiac.isEmpty())
    out.Line(QStringLiteral("生肖：") + Gbk::FromGbk(zodiac));
}

// divine -----------------------------------------------------------------

constexpr char DivineHelp[] = "Usage: vandrel-tool divine [--db PATH] [--card FILE [--date YYYY-MM-DD]] A B C\n"
                              "\n"
                              "The report the divination window writes for the three characters A, B\n"
                              "and C, one per edit (each at most one Chinese character, two GBK bytes):\n"
                              "the heading, an empty line, the sign's title, an empty line, its text.\n"
                              "The stroke counts and signs come from KelmFile.dll in the program's\n"
                              "directory, or from the file PATH.\n"
                              "\n"
                              "When a lookup fails, the lines written so far stay, the reason goes to\n"
                              "the error stream and the exit status is 2.\n"
                              "\n"
                              "--card FILE also writes the sign as a slip picture: FILE ending in .png\n"
                              "gives a picture at twice its size, .pdf a page for printing. The slip is\n"
                              "dated today, or the day --date names.\n"
                              "\n"
                              "Example: vandrel-tool divine 天 地 人\n";

constexpr const char16_t *Ordinals[] = {u"the first character", u"the second character", u"the third character"};

int Divine(const CommandLine &line, Output &out, std::FILE *err) {
  ExpectArguments(line, 3, 3, u"characters: divine needs three, A B C");
  QByteArray edits[3];
  for (int k = 0; k < 3; ++k) {
    const QStringView what = QStringView(Ordinals[k]);
    edits[k] = GbkArgument(line.Positional[k], what);
    if (edits[k].size() > 2)
      throw BadArguments{QStringLiteral("%1 \"%2\" is longer than an edit holds (one Chinese character, two GBK bytes)")
                             .arg(what, line.Positional[k])};
    if (Gbk::TrimBytes(edits[k]).isEmpty())
      throw BadArguments{QStringLiteral("%1 is blank").arg(what)};
  }
  const std::optional<QByteArray> characters = ReportCharacters(edits[0], edits[1], edits[2]);
  QDate slipDate = QDate::currentDate();
  if (line.Date) {
    const year_month_day day = ParseDate(*line.Date, false, u"YYYY-MM-DD");
    slipDate = QDate(int(day.year()), int(unsigned(day.month())), int(unsigned(day.day())));
  }
  const DatabaseChoice database(line.Database);
  const LookupWatch watch;
  try {
    WriteSignReport(*characters, [&out](const QByteArray &reportLine) { out.Line(Gbk::FromGbk(reportLine)); });
    if (line.Card) {
      const QString problem = WriteSlipFile(CastSlip(*characters, slipDate), *line.Card);
      if (!problem.isEmpty()) {
        out.Flush();
        Message(err, u"divine", problem);
        return ExitCardFailed;
      }
    }
  } catch (const SilentAbort &) {
    out.Flush();
    Message(err, u"divine", watch.Reason());
    return ExitLookupFailed;
  }
  return ExitSuccess;
}

// journal ----------------------------------------------------------------

constexpr char JournalHelp[] = "Usage: vandrel-tool journal [--json] [SEARCH]\n"
                               "\n"
                               "The journal of past divinations in the window, newest first: time, the\n"
                               "three characters, their stroke counts, the sign's number, name and grade,\n"
                               "separated by tabs; with SEARCH only those whose characters, sign number or\n"
                               "name contain it. --json writes a JSON array instead.\n"
                               "The journal is ~/.local/share/vandrel/journal.sqlite; it is only read.\n"
                               "A journal that is damaged, not a journal or cannot be read is exit status 4.\n";

int Journal(const CommandLine &line, Output &out, std::FILE *err) {
  ExpectArguments(line, 0, 1, u"SEARCH");
  if (!QFileInfo::exists(DefaultJournalFile())) {
    if (line.Json)
      out.Line(QStringLiteral("[]"));
    return ExitSuccess;
  }
  // Read only: a damaged or foreign file is told about and left as it is.
  const SignJournal journal(DefaultJournalFile(), JournalAccess::ReadOnly);
  const QList<JournalEntry> entries = journal.Entries(line.Positional.value(0));
  if (!journal.IsOpen() || !journal.Problem().isEmpty()) {
    Message(err, u"journal", journal.Problem());
    return ExitCardFailed;
  }
  if (line.Json) {
    out.Line(QString::fromUtf8(JournalJson(entries)).chopped(1));
    return ExitSuccess;
  }
  for (const JournalEntry &entry : entries)
    out.Line(QStringList{entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), entry.characters,
                         QStringLiteral("%1 %2 %3").arg(entry.strokes[0]).arg(entry.strokes[1]).arg(entry.strokes[2]),
                         entry.signNumber, entry.name, entry.grade}
                 .join(u'\t'));
  return ExitSuccess;
}

// strokes ----------------------------------------------------------------

constexpr char StrokesHelp[] = "Usage: vandrel-tool strokes [--db PATH] TEXT\n"
                               "\n"
                               "Each character of TEXT, one per line, with three fields separated by a\n"
                               "tab: the character, its stroke count from the sign database and the\n"
                               "traditional form whose strokes are counted. A character the database\n"
                               "does not list has the count 0 and no form, and so has any character that\n"
                               "is not a two-byte GBK character (a letter, a digit, % or _), unlooked.\n"
                               "A control character of TEXT is shown as its picture (a tab as ␉, a line\n"
                               "feed as ␊).\n"
                               "The database is KelmFile.dll in the program's directory, or the file PATH.\n"
                               "When a lookup fails, the exit status is 2.\n"
                               "\n"
                               "Example: vandrel-tool strokes 天开\n"
                               "天\t4\t天\n"
                               "开\t12\t開\n";

// A character as a line of output shows it: a control character (C0 or DEL)
// becomes its symbol from the Control Pictures block, so that a tab or line
// break of the argument cannot split the line or its fields.
QString Visible(const QString &character) {
  const char16_t code = character.size() == 1 ? character[0].unicode() : 0xFFFF;
  if (code < 0x20)
    return QChar(char16_t(0x2400 + code));
  if (code == 0x7F)
    return QChar(char16_t(0x2421));
  return character;
}

int Strokes(const CommandLine &line, Output &out, std::FILE *err) {
  ExpectArguments(line, 1, 1, u"TEXT");
  const QString &text = line.Positional[0];
  if (text.isEmpty())
    throw BadArguments{QStringLiteral("TEXT is empty")};
  GbkArgument(text, u"TEXT");
  const DatabaseChoice database(line.Database);
  const LookupWatch watch;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    i += length;
    try {
      const QByteArray gbk = *Gbk::ToGbk(character);
      const std::int32_t count = IsTwoByteCharacter(gbk) ? GetStrokeCount(gbk) : 0;
      const QString form = count == 0 ? QString() : GetTraditionalForm(character);
      out.Line(Visible(character) + u'\t' + QString::number(count) + u'\t' + form);
    } catch (const SilentAbort &) {
      out.Flush();
      Message(err, u"strokes", watch.Reason());
      return ExitLookupFailed;
    }
  }
  return ExitSuccess;
}

// ------------------------------------------------------------------------

constexpr char ToolHelp[] = "Usage: vandrel-tool COMMAND [ARGUMENTS]\n"
                            "\n"
                            "The calendar and the character divination of Vandrel测字算命 from a\n"
                            "terminal. Text is written in UTF-8.\n"
                            "\n"
                            "Commands:\n"
                            "  calendar FROM [TO]          the calendar of every day from FROM to TO\n"
                            "  month YYYY-MM[-DD]          a month as the calendar window lays it out\n"
                            "  divine [--db PATH] A B C    the divination report for A, B and C\n"
                            "  strokes [--db PATH] TEXT    each character of TEXT with its stroke count\n"
                            "                              and the traditional form counted\n"
                            "  journal [--json] [SEARCH]   the journal of past divinations\n"
                            "\n"
                            "\"vandrel-tool COMMAND --help\" describes a command.\n"
                            "Exit status: 0 done, 1 bad arguments, 2 a sign database lookup failed,\n"
                            "3 the output could not be written, 4 the slip could not be written or\n"
                            "the journal could not be read.\n";

} // namespace

namespace {

int RunCommand(const QStringList &arguments, Output &output, std::FILE *err) {
  const QString command = arguments.value(0);
  const QStringList rest = arguments.mid(1);
  const auto help = [&output](const char *text) {
    output.Line(QString::fromUtf8(text).chopped(1));
    return ExitSuccess;
  };
  try {
    if (command == u"--help" || command == u"-h" || command == u"help")
      return help(ToolHelp);
    if (command.isEmpty() && arguments.isEmpty())
      throw BadArguments{QStringLiteral("missing command (calendar, month, divine or strokes; --help tells more)")};
    if (command == u"calendar" || command == u"month") {
      const CommandLine line = ParseCommandLine(rest, false);
      if (command == u"calendar")
        return line.Help ? help(CalendarHelp) : Calendar(line, output);
      if (line.Help)
        return help(MonthHelp);
      Month(line, output);
      return ExitSuccess;
    }
    if (command == u"divine" || command == u"strokes") {
      const CommandLine line = ParseCommandLine(rest, true, command == u"divine");
      if (command == u"divine")
        return line.Help ? help(DivineHelp) : Divine(line, output, err);
      return line.Help ? help(StrokesHelp) : Strokes(line, output, err);
    }
    if (command == u"journal") {
      const CommandLine line = ParseCommandLine(rest, false, false, true);
      return line.Help ? help(JournalHelp) : Journal(line, output, err);
    }
    throw BadArguments{
        QStringLiteral("unknown command \"%1\" (calendar, month, divine, strokes or journal)").arg(command)};
  } catch (const BadArguments &bad) {
    output.Flush();
    const bool known = command == u"calendar" || command == u"month" || command == u"divine" || command == u"strokes" ||
                       command == u"journal";
    Message(err, known ? QStringView(command) : QStringView(), bad.Message);
    return ExitBadArguments;
  }
}

} // namespace

int RunVandrelTool(const QStringList &arguments, std::FILE *out, std::FILE *err) {
  Output output(out);
  const int status = RunCommand(arguments, output, err);
  output.Flush();
  if (const int error = output.FirstError()) {
    Message(err, QString(),
            QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    return ExitOutputFailed;
  }
  return status;
}
