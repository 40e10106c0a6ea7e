#pragma once
// A line of the peers' tables (peers/*.txt, the almanac's table): a day
// "YYYY-MM-DD", in the text tables followed by a blank and a whole number
// (a lunar month, negative for a leap one, or a solar term [1, 24]).

#include <QByteArray>
#include <QList>

#include <chrono>
#include <optional>

struct PeerLine {
  std::chrono::year_month_day Day; // as written: ok() says whether it exists
  std::optional<int> Number;       // after the day, when the line has one
};

// Nothing when the day's three numbers or the one after it do not read.
inline std::optional<PeerLine> ParsePeerLine(const QByteArray &text) {
  const QList<QByteArray> words = text.trimmed().split(' ');
  const QList<QByteArray> parts = words.first().split('-');
  if (words.size() > 2 || parts.size() != 3)
    return std::nullopt;
  bool yearRead = false, monthRead = false, dayRead = false;
  const int year = parts[0].toInt(&yearRead);
  const unsigned month = parts[1].toUInt(&monthRead);
  const unsigned day = parts[2].toUInt(&dayRead);
  if (!yearRead || !monthRead || !dayRead)
    return std::nullopt;
  PeerLine line{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}, std::nullopt};
  if (words.size() == 2) {
    bool numberRead = false;
    line.Number = words[1].toInt(&numberRead);
    if (!numberRead)
      return std::nullopt;
  }
  return line;
}
