#include "MovieDivination.h"

Seam<void(int movieKind)> MovieWindow;
Seam<void()> MovieWarmer;

void OpenMovieDivination(int movieKind) { MovieWindow(movieKind); }

void WarmMovieDivination() { MovieWarmer(); }
