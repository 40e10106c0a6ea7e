#include "SignReport.h"

#include "Gbk.h"
#include "SignDatabase.h"

namespace {

// 你测算的三个字是: and 解析如下... in GBK; the colon is the one-byte one.
constexpr char ReportHeading[] = "\xC4\xE3\xB2\xE2\xCB\xE3\xB5\xC4\xC8\xFD\xB8\xF6\xD7\xD6\xCA\xC7:";
constexpr char ReportHeadingEnd[] = " \xBD\xE2\xCE\xF6\xC8\xE7\xCF\xC2...";
constexpr char Indent[] = "    ";

} // namespace

std::optional<QByteArray> ReportCharacters(QByteArrayView first, QByteArrayView second, QByteArrayView third) {
  QByteArray characters;
  for (QByteArrayView text : {first, second, third}) {
    const QByteArray trimmed = Gbk::TrimBytes(text);
    if (trimmed.isEmpty())
      return std::nullopt;
    characters += trimmed;
  }
  return characters;
}

void WriteSignReport(QByteArrayView characters, const std::function<void(const QByteArray &line)> &appendLine) {
  appendLine(ReportHeading + characters.toByteArray() + ReportHeadingEnd);
  appendLine(QByteArray());
  // With one two-byte character per edit, the pieces are the three characters.
  const QByteArray first = Gbk::CopyBytes(characters, 1, 2);
  const QByteArray second = Gbk::CopyBytes(characters, 3, 2);
  const QByteArray third = Gbk::CopyBytes(characters, 5, 2);
  appendLine(Indent + GetSignText(first, second, third, false));
  appendLine(QByteArray());
  appendLine(Indent + GetSignText(first, second, third, true));
}
