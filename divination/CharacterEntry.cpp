#include "CharacterEntry.h"

#include "Gbk.h"
#include "SignDatabase.h"
#include "SilentAbort.h"
#include "TraditionalForm.h"

#include <algorithm>
#include <optional>

// Our own wording of the oracle's tradition; the last line is the note on
// stroke counts. Every line is at most 78 bytes of GBK.
const QString IntroductionText =
    QStringLiteral("    \r"
                   "   相传Vandrel神数出自古时一位足智多谋的军师与谋臣之手，历代秘密相传，世间少有\r"
                   "人知晓。\r"
                   "\r"
                   "   据记载，此人上通天文，下晓地理，能够预知尚未发生的事情。\r"
                   "\r"
                   "   每当遇到难以决断的疑难之事，他便暗中使用此数占断：先诚心正意，洗净双手，焚\r"
                   "香祷告上天，然后在纸上写下三个字。这三个字是上天与人心相互感通的凭据，因此求测\r"
                   "之时务必恭敬虔诚，切不可抱着游戏的心态。\r"
                   "   此数共有三百八十四首签诗，长短不一，寓意深远，能为心存疑惑的人指点迷津，可\r"
                   "用来判断吉凶祸福，决定进退取舍。\r"
                   "\r"
                   "   注意：输入简体中文还是繁体中文，笔画数均按繁体笔画数计算。");

namespace {

qsizetype GbkSize(QStringView text) {
  const std::optional<QByteArray> gbk = Gbk::ToGbk(text);
  return gbk ? gbk->size() : -1;
}

} // namespace

QString FitEditText(QStringView before, QStringView after, qsizetype maxBytes) {
  const qsizetype afterSize = GbkSize(after);
  if (afterSize >= 0 && afterSize <= maxBytes)
    return after.toString();
  // after = head + inserted + tail, where head and tail are kept from before.
  qsizetype head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head])
    ++head;
  qsizetype tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const QStringView kept[] = {after.first(head), after.last(tail)};
  qsizetype room = maxBytes;
  for (QStringView part : kept)
    room -= std::max<qsizetype>(GbkSize(part), 0);
  QString inserted;
  const QStringView offered = after.sliced(head, after.size() - head - tail);
  for (qsizetype i = 0; i < offered.size();) {
    const qsizetype length = offered[i].isHighSurrogate() && i + 1 < offered.size() ? 2 : 1;
    const qsizetype size = GbkSize(offered.sliced(i, length));
    if (size < 0 || size > room)
      break;
    inserted += offered.sliced(i, length);
    room -= size;
    i += length;
  }
  return kept[0].toString() + inserted + kept[1].toString();
}

QString StrokeNote(QStringView text) {
  const QByteArray character = Gbk::TrimBytes(Gbk::ToGbk(text).value_or(QByteArray()));
  if (character.isEmpty())
    return QString();
  const QString unicode = Gbk::FromGbk(character);
  QString noRow = QStringLiteral("无此字");
  if (character.size() != 2 || unicode.size() != 1)
    return noRow;
  try {
    const std::int32_t count = GetStrokeCount(character);
    return count > 0 ? QStringLiteral("%1 %2画").arg(GetTraditionalForm(unicode)).arg(count) : noRow;
  } catch (const SilentAbort &) {
    return QString(); // the database failed: no count, and no message
  }
}
