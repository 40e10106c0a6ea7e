#pragma once
// The report of the compute action ("测算"): five lines built from the three
// characters the user gave, shared by the divination window and the
// command-line tool.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

// The characters of a report: the three texts (GBK, as the edits hold them)
// trimmed and joined in order; nothing when one of them is blank after
// trimming, in which case the compute action does nothing at all.
std::optional<QByteArray> ReportCharacters(QByteArrayView first, QByteArrayView second, QByteArrayView third);

// Writes the report of characters (from ReportCharacters) line by line, each
// line GBK without a line end:
//   你测算的三个字是:<characters> 解析如下...
//   (empty)
//   "    " + the sign's title
//   (empty)
//   "    " + the sign's text
// The characters are cut by byte position into bytes 1-2, 3-4 and 5-6 for the
// two sign lookups. A failing lookup ends the report through SilentAbort;
// the lines handed to appendLine before it stay written.
void WriteSignReport(QByteArrayView characters, const std::function<void(const QByteArray &line)> &appendLine);
