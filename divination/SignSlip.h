#pragma once
// A divination kept as a slip: the sign's words split into the parts a temple
// slip shows (grade, name, verse, story, reading, the twelve matters), the
// three characters with their traditional forms and stroke counts, and the
// day it was cast. The slip is painted as a picture (PNG at twice its size)
// or a printable page (PDF); the window and vandrel-tool paint it through the
// same code, so the same reading on the same day gives the same picture.

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <array>

struct JournalEntry;

// The words of one sign, as the oracle writes them: the title
// "名称（等级）" and the text "L1，L2；L3，L4。典故：…。解曰：…。家宅：…。…".
struct SignWords {
  QString name;
  QString grade;                          // 上上签 … 下下签; empty when the title has none
  QStringList verse;                      // the lines without their punctuation
  QString story;                          // after 典故：, without the closing full stop
  QString reading;                        // after 解曰：, with its punctuation
  QList<QPair<QString, QString>> matters; // label (家宅 …) and answer
};

// Splits a sign's title and text into their parts. Parts the text does not
// have stay empty; a text in no known shape becomes the reading as a whole,
// so nothing the database holds is ever dropped from the slip.
SignWords ParseSignWords(const QString &title, const QString &text);

struct SlipCharacter {
  QString character;   // as the user typed it
  QString traditional; // the form whose strokes were counted
  int strokes = 0;
};

struct SignSlip {
  QString signNumber; // "000".."383"
  SignWords words;
  std::array<SlipCharacter, 3> characters;
  QDate date; // the day of the divination, Gregorian
};

// The slip's size in logical pixels (and in points on the printed page).
inline constexpr int SlipWidth = 540;
inline constexpr int SlipHeight = 810;

// The date line of a slip: "2026年12月8日 农历冬月十九 丙午年 庚子月 丙辰日"
// (the day's 干支 from Almanac); the lunar part and the 干支 are left out for
// days outside the calendar's years (1901-2050).
QString SlipDateLine(QDate date);

// The slip painted at scale (2 for the saved picture), white-free: the paper
// colour fills the whole image.
QImage PaintSlipImage(const SignSlip &slip, qreal scale = 2.0);

// Writes the slip to path, the format following the extension: ".png"
// (painted at scale 2) or ".pdf" (one page of SlipWidth x SlipHeight points,
// text as text). The file is written to a temporary name and renamed over the
// target only when complete, and only onto a regular file or a new name (see
// ReplaceableFile.h): anything else is refused and left as it is. Returns an
// empty text on success, otherwise what went wrong in words for the user.
QString WriteSlipFile(const SignSlip &slip, const QString &path);

// The slip of a report whose title and text are already known: the three
// stroke counts are looked up, the sign number follows from them.
SignSlip SlipOfReport(QByteArrayView characters, const QString &title, const QString &text, QDate date);

// Casts the slip of a report's characters (GBK, cut by byte position into
// three pieces as the report does) on date: the three stroke counts, the sign
// number, title and text, looked up as the report looks them up. A failing
// lookup ends the action through SilentAbort.
SignSlip CastSlip(QByteArrayView characters, QDate date);

// The journal's row for a slip cast at time.
JournalEntry JournalEntryOf(const SignSlip &slip, const QDateTime &time);
