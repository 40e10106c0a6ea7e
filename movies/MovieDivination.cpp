#include "MovieDivination.h"

Seam<void(int movieKind)> MovieWindow;

void OpenMovieDivination(int movieKind) { MovieWindow(movieKind); }
