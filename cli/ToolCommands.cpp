#include "ToolCommands.h"

#include "ToolCommand.h"

#include "Almanac.h"
#include "CalendarMonth.h"
#include "DateCn.h"
#include "Desktop.h"
#include "Gbk.h"
#include "JetQuery.h"
#include "SignDatabase.h"
#include "SignJournal.h"
#include "SignReport.h"
#include "SignSlip.h"
#include "SilentAbort.h"
#include "TerminalText.h"
#include "TraditionalForm.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

using namespace std::chrono;

namespace {

// Columns of one day in the month grid: the widest texts, the weekday names
// and the three-character festivals, take six, and two are left between cells.
constexpr int CellColumns = 8;

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

// Ends a command that has written part of its output: that goes out first,
// then the problem to the error stream; the command exits with status.
int FailAfterOutput(Output &out, std::FILE *err, QStringView command, QStringView problem, int status) {
  out.Flush();
  Message(err, command, problem);
  return status;
}

// calendar ---------------------------------------------------------------

constexpr char CalendarHelp[] = "Usage: vandrel-tool calendar FROM [TO]\n"
                                "\n"
                                "One line per day from FROM to TO inclusive (TO defaults to FROM), dates\n"
                                "written YYYY-MM-DD. Ten fields separated by a tab:\n"
                                "  date  lunar-code  lunar-month  lunar-day  lunar-festival  solar-term\n"
                                "  gregorian-festival  zodiac-year  star-sign  ganzhi\n"
                                "The lunar code is month * 100 + day, negative in a leap month, 0 outside\n"
                                "the years 1901-2050, where the lunar fields are empty. A day without a\n"
                                "festival or solar term has an empty field. The last field is the 干支 of\n"
                                "the year (from 立春), the month (from each 节) and the day, separated by\n"
                                "blanks, empty outside 1901-2050.\n"
                                "\n"
                                "Example: vandrel-tool calendar 2024-02-09 2024-02-10\n"
                                "2024-02-09\t1230\t腊月\t三十\t除夕\t\t\t卯兔\t水瓶座\t甲辰 丙寅 癸卯\n"
                                "2024-02-10\t101\t正月\t初一\t春节\t\t\t辰龙\t水瓶座\t甲辰 丙寅 甲辰\n";

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
    // The 干支 last, so that the fields before it keep their places.
    out.Line(Gbk::FromGbk(fields) + u'\t' + QString::fromUtf8(Almanac::GetGanZhiColumns(date)));
  }
  return ExitSuccess;
}

} // namespace

const ToolCommand CalendarCommand{
    QStringLiteral("calendar"),
    "  calendar FROM [TO]          the calendar of every day from FROM to TO\n",
    CalendarHelp,
    {},
    [](const CommandLine &line, ToolStreams &streams) { return Calendar(line, streams.Out); }};

namespace {

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

} // namespace

const ToolCommand MonthCommand{QStringLiteral("month"),
                               "  month YYYY-MM[-DD]          a month as the calendar window lays it out\n",
                               MonthHelp,
                               {},
                               [](const CommandLine &line, ToolStreams &streams) {
                                 Month(line, streams.Out);
                                 return ExitSuccess;
                               }};

namespace {

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
  QDate slipDate = Desktop::Clock().date();
  if (const std::optional<QString> date = line.Value(QStringLiteral("date"))) {
    const year_month_day day = ParseDate(*date, false, u"YYYY-MM-DD");
    slipDate = QDate(int(day.year()), int(unsigned(day.month())), int(unsigned(day.day())));
  }
  const DatabaseChoice database(line.Value(QStringLiteral("db")));
  const LookupWatch watch;
  try {
    WriteSignReport(*characters, [&out](const QByteArray &reportLine) { out.Line(Gbk::FromGbk(reportLine)); });
    if (const std::optional<QString> card = line.Value(QStringLiteral("card"))) {
      const QString problem = WriteSlipFile(CastSlip(*characters, slipDate), *card);
      if (!problem.isEmpty())
        return FailAfterOutput(out, err, u"divine", problem, ExitCardFailed);
    }
  } catch (const SilentAbort &) {
    return FailAfterOutput(out, err, u"divine", watch.Reason(), ExitLookupFailed);
  }
  return ExitSuccess;
}

} // namespace

const ToolCommand DivineCommand{
    QStringLiteral("divine"),
    "  divine [--db PATH] A B C    the divination report for A, B and C\n",
    DivineHelp,
    {{QStringLiteral("db"), QStringLiteral("the path of a sign database")},
     {QStringLiteral("card"), QStringLiteral("the file to write the slip to")},
     {QStringLiteral("date"), QStringLiteral("a date YYYY-MM-DD")}},
    [](const CommandLine &line, ToolStreams &streams) { return Divine(line, streams.Out, streams.Err); }};

namespace {

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
    if (line.Has(QStringLiteral("json")))
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
  if (line.Has(QStringLiteral("json"))) {
    out.Line(QString::fromUtf8(JournalJson(entries)).chopped(1));
    return ExitSuccess;
  }
  for (const JournalEntry &entry : entries)
    out.Line(QStringList{entry.Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), entry.Characters,
                         QStringLiteral("%1 %2 %3").arg(entry.Strokes[0]).arg(entry.Strokes[1]).arg(entry.Strokes[2]),
                         entry.SignNumber, entry.Name, entry.Grade}
                 .join(u'\t'));
  return ExitSuccess;
}

} // namespace

const ToolCommand JournalCommand{
    QStringLiteral("journal"),
    "  journal [--json] [SEARCH]   the journal of past divinations\n",
    JournalHelp,
    {{QStringLiteral("json"), QString()}},
    [](const CommandLine &line, ToolStreams &streams) { return Journal(line, streams.Out, streams.Err); }};

namespace {

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
  const DatabaseChoice database(line.Value(QStringLiteral("db")));
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
      return FailAfterOutput(out, err, u"strokes", watch.Reason(), ExitLookupFailed);
    }
  }
  return ExitSuccess;
}

} // namespace

const ToolCommand StrokesCommand{
    QStringLiteral("strokes"),
    "  strokes [--db PATH] TEXT    each character of TEXT with its stroke count\n"
    "                              and the traditional form counted\n",
    StrokesHelp,
    {{QStringLiteral("db"), QStringLiteral("the path of a sign database")}},
    [](const CommandLine &line, ToolStreams &streams) { return Strokes(line, streams.Out, streams.Err); }};

namespace {

// ------------------------------------------------------------------------

constexpr char ToolHelpHead[] = "Usage: vandrel-tool COMMAND [ARGUMENTS]\n"
                                "\n"
                                "The calendar and the character divination of Vandrel测字算命 from a\n"
                                "terminal. Text is written in UTF-8.\n"
                                "\n"
                                "Commands:\n";
constexpr char ToolHelpTail[] = "\n"
                                "\"vandrel-tool COMMAND --help\" describes a command.\n"
                                "Exit status: 0 done, 1 bad arguments, 2 a sign database lookup failed,\n"
                                "3 the output could not be written, 4 the slip could not be written or\n"
                                "the journal could not be read.\n";

QString ToolHelp() {
  QString help = QString::fromUtf8(ToolHelpHead);
  for (const ToolCommand *command : ToolCommands())
    help += QString::fromUtf8(command->Summary);
  return help + QString::fromUtf8(ToolHelpTail);
}

// "calendar, month, divine, strokes or journal".
QString CommandNames() {
  QStringList names;
  for (const ToolCommand *command : ToolCommands())
    names += command->Name;
  const QString last = names.takeLast();
  return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

const ToolCommand *FindCommand(const QString &name) {
  for (const ToolCommand *command : ToolCommands())
    if (command->Name == name)
      return command;
  return nullptr;
}

QString NeedsMessage(const ToolOption &option) {
  return QStringLiteral("--%1 needs %2").arg(option.Name, option.Needs);
}

// The argument, as the user wrote it, that carries the option name the parser
// did not know: "--name", "--name=VALUE", or a single dash and letters.
QString Spelling(const QStringList &arguments, const QString &name) {
  for (const QString &argument : arguments) {
    if (argument == u"--")
      break;
    const bool shortOptions = argument.size() > 1 && argument[0] == u'-' && argument[1] != u'-';
    if (argument == QStringLiteral("--") + name || argument.startsWith(QStringLiteral("--") + name + u'=') ||
        (shortOptions && argument.contains(name)))
      return argument;
  }
  return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// Why the parser refused the arguments, in this tool's words: an unknown
// option, an option without its value, a value given to a switch.
QString ParseProblem(const ToolCommand &command, const QCommandLineParser &parser, const QStringList &arguments) {
  if (!parser.unknownOptionNames().isEmpty())
    return QStringLiteral("unknown option \"%1\"").arg(Spelling(arguments, parser.unknownOptionNames().first()));
  const QString last = arguments.value(arguments.size() - 1);
  for (const ToolOption &option : command.Options)
    if (!option.Needs.isEmpty() && last == QStringLiteral("--") + option.Name)
      return NeedsMessage(option);
  for (const QString &argument : arguments) {
    if (argument == u"--")
      break;
    if (argument.startsWith(u'-') && argument.contains(u'='))
      return QStringLiteral("unknown option \"%1\"").arg(argument);
  }
  return parser.errorText();
}

// The arguments after the command's name: positional ones, --help (or -h)
// and the command's options, anywhere before "--".
CommandLine ParseCommandLine(const ToolCommand &command, const QStringList &arguments) {
  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  parser.addOption(help);
  for (const ToolOption &option : command.Options)
    parser.addOption(QCommandLineOption(option.Name, QString(), option.Needs));
  if (!parser.parse(QStringList{command.Name} + arguments))
    throw BadArguments{ParseProblem(command, parser, arguments)};
  CommandLine line;
  line.Arguments = arguments;
  line.Positional = parser.positionalArguments();
  line.Help = parser.isSet(help);
  for (const ToolOption &option : command.Options) {
    if (!parser.isSet(option.Name))
      continue;
    const QString value = option.Needs.isEmpty() ? QString() : parser.value(option.Name);
    if (!option.Needs.isEmpty() && value.isEmpty())
      throw BadArguments{NeedsMessage(option)};
    line.Values.insert(option.Name, value);
  }
  return line;
}

int Help(Output &output, const QString &text) {
  output.Line(text.chopped(1));
  return ExitSuccess;
}

int RunCommand(const QStringList &arguments, ToolStreams &streams) {
  const QString name = arguments.value(0);
  const ToolCommand *command = FindCommand(name);
  try {
    if (name == u"--help" || name == u"-h" || name == u"help")
      return Help(streams.Out, ToolHelp());
    if (arguments.isEmpty())
      throw BadArguments{QStringLiteral("missing command (%1; --help tells more)").arg(CommandNames())};
    if (command == nullptr)
      throw BadArguments{QStringLiteral("unknown command \"%1\" (%2)").arg(name, CommandNames())};
    const CommandLine line = ParseCommandLine(*command, arguments.mid(1));
    return line.Help ? Help(streams.Out, QString::fromUtf8(command->Help)) : command->Run(line, streams);
  } catch (const BadArguments &bad) {
    streams.Out.Flush();
    Message(streams.Err, command != nullptr ? QStringView(name) : QStringView(), bad.Message);
    return ExitBadArguments;
  }
}

} // namespace

const QList<const ToolCommand *> &ToolCommands() {
  static const QList<const ToolCommand *> commands{
#define VANDREL_TOOL_COMMAND(name) &(name),
#include "ToolCommandList.h"
#undef VANDREL_TOOL_COMMAND
  };
  return commands;
}

int RunVandrelTool(const QStringList &arguments, std::FILE *out, std::FILE *err) {
  Output output(out);
  ToolStreams streams{output, err};
  const int status = RunCommand(arguments, streams);
  output.Flush();
  if (const int error = output.FirstError()) {
    Message(err, QString(),
            QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    return ExitOutputFailed;
  }
  return status;
}
