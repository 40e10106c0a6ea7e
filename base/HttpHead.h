#pragma once
// The reader of an HTTP/1.x message head (a request line or status line, the
// header lines and the empty line after them), shared by the start-up fetch,
// which reads answers from the publisher's site, and the movie server, which
// reads requests from any local process. Both read a head from bytes as they
// arrive, and both must stop a peer that sends a head without end.
//
// A line ends at LF (a CR before it is dropped); the head ends at the first
// empty line (LF LF or LF CR LF). The caps hold however the bytes arrive: a
// head still arriving is measured by what has arrived, a complete one by
// where its empty line ends, so a head over the cap is refused whether it
// came in one piece or a byte at a time.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

struct HttpHeadLimits {
  qsizetype StartLine = 4096; // the request or status line, bytes without its line end
  qsizetype Head = 8192;      // the whole head with its empty line, bytes
};

enum class HttpHeadState {
  Incomplete,       // no empty line yet, and within the caps: more to come
  Complete,         // a whole head within the caps
  StartLineTooLong, // the first line, ended or not, over Limits.StartLine
  TooLarge,         // the head, ended or not, over Limits.Head
};

struct HttpField {
  QByteArray Name;  // in lower case
  QByteArray Value; // without the blanks around it
};

struct HttpHead {
  HttpHeadState State = HttpHeadState::Incomplete;
  // The bytes the head takes at the start of what was read (Complete only).
  qsizetype Size = 0;
  // The words of the first line, split at single spaces: method, target and
  // version of a request; version, status and the reason's words of an answer.
  QList<QByteArray> StartLine;
  // The header lines with a name before a colon, in the order sent; lines
  // without one are left out.
  QList<HttpField> Fields;

  // The values of every field named name (lower case), in the order sent.
  QList<QByteArray> Values(QByteArrayView name) const;
  // Whether a field named name lists option among its comma-separated values
  // (any case), as in "Connection: keep-alive, close".
  bool Lists(QByteArrayView name, QByteArrayView option) const;
};

// Reads the head at the start of bytes. The caps are checked first: the
// state is StartLineTooLong or TooLarge as soon as the bytes show it, whether
// or not the head is complete.
HttpHead ReadHttpHead(QByteArrayView bytes, const HttpHeadLimits &limits);
