#pragma once
// One command of vandrel-tool and what every command shares: the output, the
// parsed command line, the way to refuse bad arguments, dates. A command
// lives in its own file, defines a `const ToolCommand` and is registered by
// one line in ToolCommandList.h.

#include "ToolCommands.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <optional>

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

  void Line(QStringView text);
  void Flush();
  // The system's reason for the first failed write (errno), 0 when none.
  int FirstError() const { return Error; }

private:
  std::FILE *Stream;
  QByteArray Pending;
  int Error = 0;
};

// One option of a command besides --help: "--Name VALUE" (or
// "--Name=VALUE") when Needs says what the value is, a switch when it is empty.
struct ToolOption {
  QString Name;
  QString Needs;
};

// The arguments of one command as QCommandLineParser found them.
struct CommandLine {
  QStringList Positional;
  bool Help = false;
  // Value of each option given (empty for a switch); the last one of an
  // option given twice.
  QHash<QString, QString> Values;
  // The arguments as given, for a command with an option of several words.
  QStringList Arguments;

  std::optional<QString> Value(const QString &name) const {
    const auto found = Values.find(name);
    return found == Values.end() ? std::nullopt : std::optional<QString>(*found);
  }
  bool Has(const QString &name) const { return Values.contains(name); }
};

// Where a command writes: its lines to Out, its messages to Err.
struct ToolStreams {
  Output &Out;
  std::FILE *Err;
};

struct ToolCommand {
  QString Name;
  // The command's lines in the tool's help, each ending in a line feed.
  const char *Summary;
  // The text of "vandrel-tool NAME --help", ending in a line feed.
  const char *Help;
  QList<ToolOption> Options;
  int (*Run)(const CommandLine &line, ToolStreams &streams);
};

// Every registered command, declared here for its file to define.
#define VANDREL_TOOL_COMMAND(name) extern const ToolCommand name;
#include "ToolCommandList.h"
#undef VANDREL_TOOL_COMMAND

// The commands in the order of ToolCommandList.h.
const QList<const ToolCommand *> &ToolCommands();

// "vandrel-tool: TEXT" or "vandrel-tool COMMAND: TEXT" on its own line.
void Message(std::FILE *err, QStringView command, QStringView text);
// Refuses fewer than least or more than most positional arguments; what
// names the first one missing.
void ExpectArguments(const CommandLine &line, qsizetype least, qsizetype most, QStringView what);
// YYYY-MM-DD, or YYYY-MM when the day may be left out (it is then the 1st);
// pattern is how the message spells what was expected. Any date of the
// Gregorian calendar from the year 1 to 9999.
// The value of a run of decimal digits; nothing when another character is
// among them.
std::optional<int> Number(QStringView digits);

std::chrono::year_month_day ParseDate(QStringView text, bool dayOptional, QStringView pattern);
QString IsoDate(const std::chrono::year_month_day &date);
// The GBK form of a text the user gave, or a message naming the character
// that has none.
QByteArray GbkArgument(const QString &text, QStringView what);
