#pragma once
// The calendar as an iCalendar file (RFC 5545) for the user's own calendar
// program: the lunar festivals and the 24 solar terms as all-day events, and
// lunar birthdays as one dated event per year. Birthdays are not written as
// an RSCALE=CHINESE rule (RFC 7529): most desktop calendars cannot expand
// one. Every event has a UID made from its kind and day, so that importing a
// second export updates the events instead of doubling them.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <chrono>

struct CalendarEvent {
  std::chrono::year_month_day Day; // an all-day event of this day
  QString Uid;                     // ASCII, the same in every export
  QString Summary;
  QString Description; // gives the lunar date
  QString Category;
};

// The lunar festivals and solar terms of the days from..to (both included)
// that lie in 1901..2050, in day order; a day's festival before its term.
QList<CalendarEvent> GetFestivalEvents(std::chrono::year_month_day from, std::chrono::year_month_day to);

struct LunarBirthday {
  QString Name;  // the events' summary
  int Month = 0; // [1, 12]
  bool Leap = false;
  int Day = 0; // [1, 30]
};

// The days of a lunar birthday or anniversary from..to, one event per lunar
// year, kept where a year lacks the date by the rule of GetKeptDate; the
// description then says which date was taken.
QList<CalendarEvent> GetBirthdayEvents(const LunarBirthday &birthday, std::chrono::year_month_day from,
                                       std::chrono::year_month_day to);

// The iCalendar text of the events, stamped (DTSTAMP) with the UTC time of
// stamp: UTF-8, CRLF line ends, text values escaped, lines folded at 75
// octets without splitting a character.
QByteArray WriteICalendar(const QList<CalendarEvent> &events, const QDateTime &stamp);

// Lines of at most 75 octets: a line longer than that continues on lines
// that begin with a space, each cut made before a UTF-8 sequence. line has
// no line end; the result has CRLF after every line.
QByteArray FoldContentLine(const QByteArray &line);

enum class SaveProblem {
  None,
  NotACalendarFile, // the file exists and holds something else: left as it was
  NotARegularFile,  // a folder, a device or the like
  WriteFailed,      // the system's reason in SaveResult::Reason
};
struct SaveResult {
  SaveProblem Problem = SaveProblem::None;
  QString Reason;
};

// Saves an iCalendar text to path through a temporary file beside it that is
// renamed over it, so that a failure leaves what was there. An existing file
// is replaced only when it is empty or an iCalendar file itself.
SaveResult SaveICalendar(const QByteArray &text, const QString &path);
