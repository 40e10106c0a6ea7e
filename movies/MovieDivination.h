#pragma once
// The seam between the main window and the movie windows. The main window's
// two movie buttons open their movies through it; the program installs the
// real movie window (InstallMovieWindows, Flash.h), which hosts a browser
// engine. Until then a movie button opens nothing, so the main window and its
// tests need no browser engine unless they install one.

#include <functional>

// Opens the movie divination of movieKind (0 eye shapes, 1 palm, 2 drawing a
// lot, 3 throwing the blocks) and returns at once.
using MovieDivinationOpener = std::function<void(int movieKind)>;
// Replaces the opener; an empty function restores the one that opens nothing.
// Returns the previous opener.
MovieDivinationOpener SetMovieDivinationOpener(MovieDivinationOpener opener);
void OpenMovieDivination(int movieKind);

// Readies the movie windows for a movie that is likely soon (the pointer
// nears a movie button) and returns at once.
using MovieDivinationWarmer = std::function<void()>;
// Replaces the warmer; an empty function restores the one that does nothing.
// Returns the previous warmer.
MovieDivinationWarmer SetMovieDivinationWarmer(MovieDivinationWarmer warmer);
void WarmMovieDivination();
