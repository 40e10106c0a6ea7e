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
