#pragma once
// The desktop's side effects that the program triggers: starting the external
// web browser and the message beep. Each goes through a replaceable handler so
// that tests can record the calls instead of acting on the desktop.

#include <QString>

#include <functional>

// Starts the external web browser on url and returns at once. A browser that
// cannot be started is neither detected nor reported.
void OpenInBrowser(const QString &url);

// Opens a new message to address in the desktop's mail program (a mailto:
// link, RFC 6068). Like OpenInBrowser, returns at once and reports nothing.
void OpenMailTo(const QString &address);

// The platform's default message beep.
void MessageBeep();

// Both openers above end in one URL opener; tests replace it to record URLs.
using BrowserOpener = std::function<void(const QString &url)>;
using BeepHandler = std::function<void()>;

// Replaces the browser opener; an empty function restores the desktop's.
// Returns the previous opener.
BrowserOpener SetBrowserOpener(BrowserOpener opener);

// Replaces the beep; an empty function silences it. Returns the previous one.
BeepHandler SetBeepHandler(BeepHandler handler);
