#pragma once
// The desktop's side effects that the program triggers, and its clock: the
// external web browser, the message beep, today and now. Each is a Seam
// (Seam.h), so that tests record or fix them instead of acting on the desktop.

#include "Seam.h"

#include <QDateTime>
#include <QString>

namespace Desktop {

// Hands a URL to the desktop's browser (or mail program) and returns at once.
// A browser that cannot be started is neither detected nor reported.
extern Seam<void(const QString &url)> Browser;
// The platform's default message beep; silent until the application object
// installs the widget beep (ErrorHandler.h).
extern Seam<void()> Beep;
// The one clock of the program, in local time: the calendar's today, the
// slip's date and the journal's time, the command-line tool's default date.
extern Seam<QDateTime()> Clock;

} // namespace Desktop

// Starts the external web browser on url, through Desktop::Browser.
void OpenInBrowser(const QString &url);

// Opens a new message to address in the desktop's mail program (a mailto:
// link, RFC 6068), through Desktop::Browser like OpenInBrowser.
void OpenMailTo(const QString &address);

// Desktop::Beep.
void MessageBeep();
