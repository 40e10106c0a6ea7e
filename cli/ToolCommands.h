#pragma once
// vandrel-tool, the command-line companion of the program: the calendar and
// the character divination from a terminal, through the same library code as
// the windows. Text goes out as UTF-8; messages go to the error stream, one
// line each.

#include <QStringList>

#include <cstdio>

inline constexpr int ExitSuccess = 0;
// A bad date, a missing or surplus argument, an unknown option, text that has
// no GBK form.
inline constexpr int ExitBadArguments = 1;
// A lookup in the sign database failed; what was written before it stays.
inline constexpr int ExitLookupFailed = 2;
// The output could not be written (a full disk, standard output closed).
inline constexpr int ExitOutputFailed = 3;
// The slip picture could not be written, or the journal could not be read.
inline constexpr int ExitCardFailed = 4;

// Runs one command line (the arguments after the program name) and returns
// its exit status; every byte of the output has been handed to the system
// when it returns ExitSuccess.
int RunVandrelTool(const QStringList &arguments, std::FILE *out, std::FILE *err);
