#include "HttpHead.h"

namespace {

QByteArrayView WithoutCr(QByteArrayView line) { return line.endsWith('\r') ? line.chopped(1) : line; }

// One past the empty line that ends the head, or -1 while there is none.
qsizetype HeadEnd(QByteArrayView bytes) {
  for (qsizetype at = bytes.indexOf('\n'); at >= 0; at = bytes.indexOf('\n', at + 1)) {
    if (at + 1 < bytes.size() && bytes[at + 1] == '\n')
      return at + 2;
    if (at + 2 < bytes.size() && bytes[at + 1] == '\r' && bytes[at + 2] == '\n')
      return at + 3;
  }
  return -1;
}

QList<HttpField> FieldsOf(QByteArrayView lines) {
  QList<HttpField> fields;
  while (!lines.isEmpty()) {
    const qsizetype lineEnd = lines.indexOf('\n');
    const QByteArrayView line = WithoutCr(lineEnd < 0 ? lines : lines.first(lineEnd));
    lines = lineEnd < 0 ? QByteArrayView() : lines.sliced(lineEnd + 1);
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
      continue;
    fields.append(
        {line.first(colon).trimmed().toByteArray().toLower(), line.sliced(colon + 1).trimmed().toByteArray()});
  }
  return fields;
}

} // namespace

QList<QByteArray> HttpHead::Values(QByteArrayView name) const {
  QList<QByteArray> values;
  for (const HttpField &field : Fields)
    if (field.Name == name)
      values.append(field.Value);
  return values;
}

bool HttpHead::Lists(QByteArrayView name, QByteArrayView option) const {
  for (const QByteArray &value : Values(name))
    for (const QByteArray &listed : value.split(','))
      if (listed.trimmed().compare(option, Qt::CaseInsensitive) == 0)
        return true;
  return false;
}

HttpHead ReadHttpHead(QByteArrayView bytes, const HttpHeadLimits &limits) {
  HttpHead head;
  const qsizetype lineEnd = bytes.indexOf('\n');
  if (WithoutCr(lineEnd < 0 ? bytes : bytes.first(lineEnd)).size() > limits.StartLine) {
    head.State = HttpHeadState::StartLineTooLong;
    return head;
  }
  const qsizetype end = HeadEnd(bytes);
  // Without its empty line, a head that has filled the cap can only end
  // past it.
  if (end < 0 ? bytes.size() >= limits.Head : end > limits.Head) {
    head.State = HttpHeadState::TooLarge;
    return head;
  }
  if (end < 0)
    return head;
  head.State = HttpHeadState::Complete;
  head.Size = end;
  head.StartLine = WithoutCr(bytes.first(lineEnd)).toByteArray().split(' ');
  head.Fields = FieldsOf(bytes.sliced(lineEnd + 1, end - lineEnd - 1));
  return head;
}
