#pragma once
// The reuse sequence of the calendar, customer-service and about commands: the
// previous instance of the window is destroyed, a new one is created into the
// window's reference and shown modally. The closed instance stays, hidden, until
// the command is used again or the program ends, so at most one exists.

#include <QDialog>
#include <QPointer>

template <class Window> void ShowReusedWindow(QPointer<Window> &reference) {
  delete reference.data();
  reference = new Window();
  reference->exec();
}
