#include "MovieDivination.h"

#include <utility>

namespace {

void OpenNothing(int) {}

MovieDivinationOpener &CurrentOpener() {
  static MovieDivinationOpener opener = OpenNothing;
  return opener;
}

} // namespace

MovieDivinationOpener SetMovieDivinationOpener(MovieDivinationOpener opener) {
  if (!opener)
    opener = OpenNothing;
  return std::exchange(CurrentOpener(), std::move(opener));
}

void OpenMovieDivination(int movieKind) { CurrentOpener()(movieKind); }

namespace {

void WarmNothing() {}

MovieDivinationWarmer &CurrentWarmer() {
  static MovieDivinationWarmer warmer = WarmNothing;
  return warmer;
}

} // namespace

MovieDivinationWarmer SetMovieDivinationWarmer(MovieDivinationWarmer warmer) {
  if (!warmer)
    warmer = WarmNothing;
  return std::exchange(CurrentWarmer(), std::move(warmer));
}

void WarmMovieDivination() { CurrentWarmer()(); }
