#include "TerminalText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace Terminal {
namespace {

// Code point ranges of East Asian Width W and F (Unicode 15, UAX #11), merged
// where neighbours allow; sorted for the binary search below.
constexpr std::array<std::pair<char32_t, char32_t>, 22> WideRanges{{
    {0x1100, 0x115F},   // hangul leading jamo
    {0x231A, 0x231B},   // watch, hourglass
    {0x2329, 0x232A},   // angle brackets
    {0x2E80, 0x303E},   // CJK radicals, ideographic description, CJK symbols and punctuation
    {0x3041, 0x33FF},   // hiragana, katakana, bopomofo, hangul compatibility, kanbun, CJK compatibility
    {0x3400, 0x4DBF},   // CJK extension A
    {0x4E00, 0x9FFF},   // CJK unified ideographs
    {0xA000, 0xA4CF},   // yi
    {0xA960, 0xA97F},   // hangul jamo extended A
    {0xAC00, 0xD7A3},   // hangul syllables
    {0xF900, 0xFAFF},   // CJK compatibility ideographs
    {0xFE10, 0xFE19},   // vertical forms
    {0xFE30, 0xFE6F},   // CJK compatibility forms, small form variants
    {0xFF00, 0xFF60},   // fullwidth forms
    {0xFFE0, 0xFFE6},   // fullwidth signs
    {0x16FE0, 0x16FE4}, // ideographic symbols
    {0x17000, 0x18CFF}, // tangut
    {0x1B000, 0x1B2FF}, // kana supplement and extensions, nushu
    {0x1F300, 0x1F64F}, // pictographs, emoticons
    {0x1F900, 0x1F9FF}, // supplemental pictographs
    {0x20000, 0x2FFFD}, // CJK extensions B..F, compatibility supplement
    {0x30000, 0x3FFFD}, // CJK extensions G, H
}};
static_assert(std::is_sorted(WideRanges.begin(), WideRanges.end()));

int Columns(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0))
    return 0;
  const auto after = std::upper_bound(WideRanges.begin(), WideRanges.end(), c,
                                      [](char32_t value, const auto &range) { return value < range.first; });
  return after != WideRanges.begin() && c <= std::prev(after)->second ? 2 : 1;
}

} // namespace

int DisplayWidth(QStringView text) {
  int width = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t c = text[i].unicode();
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i], text[i + 1]);
      ++i;
    }
    width += Columns(c);
  }
  return width;
}

QString Centred(QStringView text, int width) {
  const int spare = width - DisplayWidth(text);
  if (spare <= 0)
    return text.toString();
  return QString(spare / 2, u' ') + text.toString() + QString(spare - spare / 2, u' ');
}

} // namespace Terminal
