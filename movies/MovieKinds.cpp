#include "MovieKinds.h"

std::optional<MovieKindRow> FindMovieKind(int movieKind) {
  if (movieKind < 0 || movieKind >= int(MovieKinds.size()))
    return std::nullopt;
  return MovieKinds[std::size_t(movieKind)];
}

QString MovieCaption(const MovieKindRow &row) {
  return QString::fromUtf8(row.Caption.data(), qsizetype(row.Caption.size()));
}

QString MoviePath(const QString &appDir, const MovieKindRow &row) {
  return appDir + QString::fromUtf8(row.RelativePath.data(), qsizetype(row.RelativePath.size()));
}
