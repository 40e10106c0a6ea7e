// The GBK helpers over arbitrary input: the bytes as a GBK text (what the
// database, the page list and the stored texts hand over) and the same bytes
// as UTF-16 code units (what an edit or a file name can hold, lone surrogates
// included).

#include "FuzzCheck.h"
#include "Gbk.h"

#include <QString>

#include <cstdint>
#include <cstring>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

void CheckGbkSide(QByteArrayView bytes) {
  const QString text = Gbk::FromGbk(bytes);
  // One or two bytes make one UTF-16 unit; a bad byte makes one U+FFFD.
  FUZZ_CHECK(text.size() <= bytes.size());
  FUZZ_CHECK(bytes.isEmpty() == text.isEmpty());
  if (!text.contains(QChar::ReplacementCharacter)) {
    // Undamaged GBK decodes to text that encodes again; code page 936 maps a
    // few code points onto one byte pair, so only the second round trip must
    // be exact.
    const std::optional<QByteArray> again = Gbk::ToGbk(text);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(Gbk::FromGbk(*again) == text);
  }

  const QByteArray trimmed = Gbk::TrimBytes(bytes);
  FUZZ_CHECK(trimmed.isEmpty() || (!IsBlank(trimmed.front()) && !IsBlank(trimmed.back())));
  FUZZ_CHECK(QByteArrayView(bytes).indexOf(trimmed) >= 0);
  FUZZ_CHECK(Gbk::TrimBytes(trimmed) == trimmed);

  // Positions and counts from the input itself, negative and past the end
  // included.
  if (bytes.size() >= 2) {
    const qsizetype index = static_cast<signed char>(bytes[0]);
    const qsizetype count = static_cast<signed char>(bytes[1]);
    const QByteArray copied = Gbk::CopyBytes(bytes, index, count);
    FUZZ_CHECK(copied.size() <= std::max<qsizetype>(count, 0));
    const qsizetype start = std::max<qsizetype>(index, 1) - 1;
    FUZZ_CHECK(copied.isEmpty() || bytes.sliced(start).startsWith(copied));
  }
}

void CheckUtf16Side(const std::uint8_t *data, std::size_t size) {
  QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
  std::memcpy(text.data(), data, size / 2 * 2);
  const std::optional<QByteArray> gbk = Gbk::ToGbk(text);
  FUZZ_CHECK(Gbk::IsGbkEncodable(text) == gbk.has_value());
  if (gbk) {
    FUZZ_CHECK(gbk->size() <= 2 * text.size());
    FUZZ_CHECK(!Gbk::FromGbk(*gbk).contains(QChar::ReplacementCharacter));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  CheckGbkSide(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
  CheckUtf16Side(data, size);
  return 0;
}
