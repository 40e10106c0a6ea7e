#pragma once
// The application's global error handler. Every exception that escapes an
// event handler or a timer tick is caught here: that handler ends, the message
// loop goes on and the process never exits because of it. The silent-abort
// exception is discarded without a word; any other error is shown in a small
// dialog whose details can be copied.

#include <QApplication>
#include <QString>

#include <functional>
#include <utility>

// The application's title (task bar, message boxes). It is not made Qt's
// display name, which the desktop would append to every window's caption.
inline constexpr const char *ApplicationTitle = "Vandrel测字算命";

class VandrelApplication : public QApplication {
  Q_OBJECT

public:
  VandrelApplication(int &argc, char **argv);

  bool notify(QObject *receiver, QEvent *event) override;
};

// What the handler does with an error other than the silent abort: by default
// it shows the error dialog. Tests replace it to record the messages.
using ErrorReporter = std::function<void(const QString &message, const QString &details)>;
ErrorReporter SetErrorReporter(ErrorReporter reporter);

// Routes the error currently being handled (call from a catch block) the way
// the top-level handler does: silent abort discarded, anything else reported.
// For the few places that must finish their own work after an error, such as a
// dialog that still has to close.
void ReportCurrentException(const QString &context);

// A signal handler whose errors end where it ends: handler runs, and an error
// escaping it is routed like the top-level handler routes it, before it can
// unwind through Qt's signal delivery and event code. Those frames are not
// exception-safe (an aborted mouse release leaks Qt's event data), so handlers
// that end their action by throwing, such as the database lookups' silent
// abort, are connected through this.
template <typename Handler> auto Guarded(Handler handler, const char *context) {
  return [handler = std::move(handler), context]() {
    try {
      handler();
    } catch (...) {
      ReportCurrentException(QString::fromLatin1(context));
    }
  };
}
