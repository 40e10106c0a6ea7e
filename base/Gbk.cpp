#include "Gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace Gbk {
namespace {

// Code page 936 as Windows defines it (GBK plus the euro sign at 0x80).
constexpr const char *CodePage = "CP936";

struct IconvCloser {
  void operator()(void *cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenConverter(const char *to, const char *from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    return nullptr;
  return IconvHandle(cd);
}

// Opening a converter loads its module: keep one per direction and thread,
// brought back to its initial state before each use.
iconv_t ToGbkConverter() {
  thread_local const IconvHandle cd = OpenConverter(CodePage, "UTF-8");
  if (cd)
    iconv(static_cast<iconv_t>(cd.get()), nullptr, nullptr, nullptr, nullptr);
  return static_cast<iconv_t>(cd.get());
}

iconv_t FromGbkConverter() {
  thread_local const IconvHandle cd = OpenConverter("UTF-16LE", CodePage);
  if (cd)
    iconv(static_cast<iconv_t>(cd.get()), nullptr, nullptr, nullptr, nullptr);
  return static_cast<iconv_t>(cd.get());
}

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }

} // namespace

std::optional<QByteArray> ToGbk(QStringView text) {
  if (text.isEmpty())
    return QByteArray();
  const QByteArray utf8 = text.toUtf8();
  // A lone surrogate has no UTF-8 form: Qt writes U+FFFD for it, which must
  // not pass for a character of the text.
  if (QString::fromUtf8(utf8) != text)
    return std::nullopt;
  iconv_t cd = ToGbkConverter();
  if (!cd)
    return std::nullopt;
  QByteArray out(utf8.size() * 2 + 4, Qt::Uninitialized);
  char *in = const_cast<char *>(utf8.constData());
  size_t inLeft = static_cast<size_t>(utf8.size());
  char *outPtr = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  out.truncate(out.size() - static_cast<qsizetype>(outLeft));
  return out;
}

QString FromGbk(QByteArrayView bytes) {
  QString result;
  if (bytes.isEmpty())
    return result;
  iconv_t cd = FromGbkConverter();
  if (!cd)
    return QString(bytes.size(), QChar::ReplacementCharacter);
  result.reserve(bytes.size());
  char *in = const_cast<char *>(bytes.data());
  size_t inLeft = static_cast<size_t>(bytes.size());
  QByteArray buffer(4096, Qt::Uninitialized);
  while (inLeft > 0) {
    char *outPtr = buffer.data();
    size_t outLeft = static_cast<size_t>(buffer.size());
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const qsizetype produced = buffer.size() - static_cast<qsizetype>(outLeft);
    result.append(QStringView(reinterpret_cast<const char16_t *>(buffer.constData()), produced / 2));
    if (rc != static_cast<size_t>(-1))
      continue;
    if (errno == E2BIG)
      continue;
    // EILSEQ (invalid or unassigned sequence) or EINVAL (cut off at the end):
    // one replacement character for the offending byte, then go on after it.
    result.append(QChar::ReplacementCharacter);
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return result;
}

bool IsGbkEncodable(QStringView text) { return ToGbk(text).has_value(); }

QByteArray TrimBytes(QByteArrayView text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && IsBlankByte(text[first]))
    ++first;
  while (last > first && IsBlankByte(text[last - 1]))
    --last;
  return text.sliced(first, last - first).toByteArray();
}

QByteArray CopyBytes(QByteArrayView text, qsizetype index, qsizetype count) {
  // A position before the first byte counts as the first byte.
  const qsizetype start = std::max<qsizetype>(index, 1) - 1;
  if (count <= 0 || start >= text.size())
    return QByteArray();
  return text.sliced(start, std::min(count, text.size() - start)).toByteArray();
}

} // namespace Gbk
