#pragma once
// The page list of the two content panes and the decisions of their rotation
// ticks, without any window or browser: the main window applies the steps
// computed here to its browser panes and timers.
//
// Page list format (a GBK text, fetched once per run from the publisher's
// site): one entry per line, three fields separated by ">":
//
//   kind ">" seconds ">" address        e.g.  0>45>http://host/page.html
//
// kind "0" is the main pane (content area), "1" the banner pane; seconds is how
// long the page stays before the pane's next tick; the address is everything
// after the second ">", so it may contain ">" itself.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QUrl>

#include <optional>

class QTimer;

// The page list as received, byte for byte, with its lines.
//
// Lines end at CR LF. A lone LF or a lone CR also ends a line, so a list saved
// with another system's line ends reads the same; a CR directly followed by LF
// is one line end, not two. A final empty line (the one after a trailing line
// end) is not counted, and an empty text has no lines. Lines are never wrapped
// or cut: a long line stays one line.
class PageList {
public:
  PageList() = default;
  explicit PageList(QByteArray text);

  const QByteArray &Text() const { return Body; }
  qsizetype LineCount() const { return Lines.size(); }
  // The index of the last line; -1 for an empty list.
  int LastIndex() const { return static_cast<int>(Lines.size()) - 1; }
  // The line at a zero-based index; empty outside 0..LastIndex().
  QByteArray Line(qsizetype index) const;
  // Whether the text holds nothing but bytes of value 0 to 32.
  bool IsBlank() const;

private:
  QByteArray Body;
  QList<QByteArray> Lines;
};

// The two panes' kind values in the list's first field; compared byte for byte.
inline constexpr QByteArrayView MainPaneKind = "0";
inline constexpr QByteArrayView BannerPaneKind = "1";

// One field of a list line: 0 the kind, 1 the seconds, 2 the address; any
// other field number gives an empty result. The line is trimmed of bytes 0..32
// first; the kind and the seconds are not trimmed again (so "0 >" is no kind
// "0"), the address is. A missing separator gives an empty field.
QByteArray ListLineField(QByteArrayView line, int field);

// The same for the line at index of list (empty outside the list).
QByteArray GetListField(const PageList &list, int field, int index);

// The display time of a seconds field in milliseconds: a decimal whole number,
// optionally preceded by blanks and a sign, from 0 to the longest period a
// timer takes (2147483 s, about 24.8 days). Nothing for anything else (empty,
// trailing text, fractions, negative values, overflow).
std::optional<int> DisplayPeriodMs(QByteArrayView seconds);

// The page address of an address field, when it is an http or https address
// with a host; nothing for any other scheme (javascript:, file:, data:, ...)
// or for text that is no address. The field is GBK and decoded here.
std::optional<QUrl> PageAddress(QByteArrayView address);

// What one rotation tick of a pane does: navigate to Address, set the timer's
// period to PeriodMs (0 stops the timer) and start the next search at
// NextIndex.
struct RotationStep {
  int Line = 0;
  QUrl Address;
  int PeriodMs = 0;
  int NextIndex = 0;
};

// The rotation tick of one pane. Nothing happens (no step) when the list is
// blank, the pane's switch is 0, or no line from index to the list's last
// line, in ascending order, is selectable for kind; the search never wraps.
// A line is selectable when its kind field equals kind and its seconds and
// address fields are valid (DisplayPeriodMs, PageAddress); any other line is
// skipped, so an invalid entry never stalls a pane or reaches its browser.
//
// After line i the next search starts at i + 1, except that it starts again
// at 0 when i + 1 is the last line's index: the wrap is tied to the last
// line's index, not to the line count, so after the last line itself the
// index points past the end and the pane keeps its page from then on.
std::optional<RotationStep> NextRotationStep(const PageList &list, int paneSwitch, QByteArrayView kind, int index);

// Sets a pane timer's period the way the rotation wants it: 0 stops the timer;
// a new period restarts its countdown; the period it already has (while
// running) leaves the countdown alone.
void ApplyDisplayPeriod(QTimer &timer, int periodMs);

// The value of a switch document's byte at a zero-based position: a decimal
// digit gives 0..9 (non-zero = pane on); any other byte, or a document too
// short to have that byte, gives nothing.
std::optional<int> SwitchValue(QByteArrayView document, qsizetype position);
