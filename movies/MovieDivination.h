#pragma once
// The seam between the main window and the movie windows. The main window's
// two movie buttons open their movies through it; the program installs the
// real movie window (InstallMovieWindows, Flash.h), which hosts a browser
// engine. Until then a movie button opens nothing, so the main window and its
// tests need no browser engine unless they install one.

#include "Seam.h"

// Opens the movie divination of movieKind (0 eye shapes, 1 palm, 2 drawing a
// lot, 3 throwing the blocks) and returns at once; nothing until the movie
// window is installed.
extern Seam<void(int movieKind)> MovieWindow;
void OpenMovieDivination(int movieKind);
