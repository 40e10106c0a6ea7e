#include "SignNumber.h"

#include "Gbk.h"

int SignDigit(std::int32_t strokeCount) {
  int digit = strokeCount % 10;
  if (digit < 0)
    digit = -digit;
  return digit == 0 ? 1 : digit;
}

QByteArray SignNumberOf(std::int32_t first, std::int32_t second, std::int32_t third) {
  int number = 100 * SignDigit(first) + 10 * SignDigit(second) + SignDigit(third); // [111, 999]
  // 768 is tested first: 999 folds to 231, not to 615.
  if (number >= 768)
    number -= 768;
  else if (number >= 384)
    number -= 384;
  return QByteArray::number(number).rightJustified(3, '0');
}

QByteArray GetSignNumber(QByteArrayView first, QByteArrayView second, QByteArrayView third,
                         const StrokeCountLookup &strokeCount) {
  for (QByteArrayView argument : {first, second, third})
    if (Gbk::TrimBytes(argument).isEmpty())
      return QByteArray();
  const std::int32_t a = strokeCount(first);
  const std::int32_t b = strokeCount(second);
  const std::int32_t c = strokeCount(third);
  return SignNumberOf(a, b, c);
}
