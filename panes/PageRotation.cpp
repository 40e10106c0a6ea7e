#include "PageRotation.h"

#include "Gbk.h"

#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr char FieldSeparator = '>';

// The longest period in whole seconds whose milliseconds still fit a timer's
// int interval: 2147483 s.
constexpr qint64 LongestDisplaySeconds = std::numeric_limits<int>::max() / 1000;

// The bytes before the first separator, and those after it; without a
// separator the field is empty and the rest is the whole text.
std::pair<QByteArrayView, QByteArrayView> SplitAtSeparator(QByteArrayView text) {
  const qsizetype at = text.indexOf(FieldSeparator);
  if (at < 0)
    return {QByteArrayView(), text};
  return {text.first(at), text.sliced(at + 1)};
}

} // namespace

PageList::PageList(QByteArray text) : Body(std::move(text)) {
  const qsizetype size = Body.size();
  qsizetype start = 0;
  for (qsizetype at = 0; at < size; ++at) {
    const char byte = Body[at];
    if (byte != '\r' && byte != '\n')
      continue;
    Lines.append(Body.sliced(start, at - start));
    if (byte == '\r' && at + 1 < size && Body[at + 1] == '\n')
      ++at;
    start = at + 1;
  }
  // The text after the last line end is a line unless it is empty.
  if (start < size)
    Lines.append(Body.sliced(start));
}

QByteArray PageList::Line(qsizetype index) const {
  return index >= 0 && index < Lines.size() ? Lines[index] : QByteArray();
}

bool PageList::IsBlank() const { return Gbk::TrimBytes(Body).isEmpty(); }

QByteArray ListLineField(QByteArrayView line, int field) {
  const QByteArray trimmed = Gbk::TrimBytes(line);
  const auto [kind, afterKind] = SplitAtSeparator(trimmed);
  const auto [seconds, address] = SplitAtSeparator(afterKind);
  switch (field) {
  case 0:
    return kind.toByteArray();
  case 1:
    return seconds.toByteArray();
  case 2:
    return Gbk::TrimBytes(address);
  default:
    return {};
  }
}

QByteArray GetListField(const PageList &list, int field, int index) { return ListLineField(list.Line(index), field); }

std::optional<int> DisplayPeriodMs(QByteArrayView seconds) {
  qsizetype at = 0;
  while (at < seconds.size() && seconds[at] == ' ')
    ++at;
  bool negative = false;
  if (at < seconds.size() && (seconds[at] == '+' || seconds[at] == '-')) {
    negative = seconds[at] == '-';
    ++at;
  }
  if (at == seconds.size())
    return std::nullopt;
  qint64 value = 0;
  for (; at < seconds.size(); ++at) {
    const char byte = seconds[at];
    if (byte < '0' || byte > '9')
      return std::nullopt;
    value = value * 10 + (byte - '0');
    if (value > LongestDisplaySeconds)
      return std::nullopt;
  }
  // "-0" is still zero; any other negative time has no sound meaning.
  if (negative && value != 0)
    return std::nullopt;
  return static_cast<int>(value * 1000);
}

std::optional<QUrl> PageAddress(QByteArrayView address) {
  if (address.isEmpty())
    return std::nullopt;
  // Browsers take addresses tolerantly (a blank or ">" in a path is encoded,
  // not refused); the scheme test below is what keeps other schemes out.
  const QUrl url(Gbk::FromGbk(address), QUrl::TolerantMode);
  if (!url.isValid() || url.isRelative() || url.host().isEmpty())
    return std::nullopt;
  if (url.scheme() != u"http" && url.scheme() != u"https")
    return std::nullopt;
  return url;
}

std::optional<RotationStep> NextRotationStep(const PageList &list, int paneSwitch, QByteArrayView kind, int index) {
  if (list.IsBlank() || paneSwitch == 0)
    return std::nullopt;
  const int lastIndex = list.LastIndex();
  for (int line = std::max(index, 0); line <= lastIndex; ++line) {
    const QByteArray text = list.Line(line);
    if (ListLineField(text, 0) != kind)
      continue;
    const std::optional<int> period = DisplayPeriodMs(ListLineField(text, 1));
    const std::optional<QUrl> address = PageAddress(ListLineField(text, 2));
    if (!period || !address)
      continue;
    const int next = line + 1 == lastIndex ? 0 : line + 1;
    return RotationStep{line, *address, *period, next};
  }
  return std::nullopt;
}

void ApplyDisplayPeriod(QTimer &timer, int periodMs) {
  if (periodMs <= 0) {
    timer.stop();
    return;
  }
  // QTimer::start restarts the countdown; only a new period may do that.
  if (!timer.isActive() || timer.interval() != periodMs)
    timer.start(periodMs);
}

std::optional<int> SwitchValue(QByteArrayView document, qsizetype position) {
  if (position < 0 || position >= document.size())
    return std::nullopt;
  const char byte = document[position];
  if (byte < '0' || byte > '9')
    return std::nullopt;
  return byte - '0';
}
