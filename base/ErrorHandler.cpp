#include "ErrorHandler.h"

#include "DesignFonts.h"
#include "Desktop.h"
#include "SilentAbort.h"

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>
#include <utility>

namespace {

void ShowErrorDialog(const QString &message, const QString &details) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(QString::fromUtf8(ApplicationTitle));
  dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto *layout = new QVBoxLayout(&dialog);
  // The message in words; the error's type and where it happened go only
  // into the details that are copied, for a report to the publisher.
  auto *label =
      new QLabel(QStringLiteral("程序遇到一个错误，刚才的操作没有完成；程序可以继续使用。\n\n%1").arg(message));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(label);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QPushButton *copy = buttons->addButton(QStringLiteral("复制详细信息"), QDialogButtonBox::ActionRole);
  QObject::connect(copy, &QPushButton::clicked, &dialog, [details] { QGuiApplication::clipboard()->setText(details); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.resize(380, 160);
  dialog.exec();
}

ErrorReporter &CurrentReporter() {
  static ErrorReporter reporter = ShowErrorDialog;
  return reporter;
}

QString DescribeReceiver(const QObject *receiver) {
  if (!receiver)
    return QStringLiteral("(none)");
  return QStringLiteral("%1 \"%2\"")
      .arg(QString::fromLatin1(receiver->metaObject()->className()), receiver->objectName());
}

// Reporting an error must not itself throw into the event loop.
void Report(const QString &message, const QString &details) noexcept {
  try {
    if (const ErrorReporter &reporter = CurrentReporter())
      reporter(message, details);
  } catch (...) {
  }
}

// The error's type as the source names it ("std::runtime_error", not the
// compiler's "St13runtime_error"), its message and where it was caught.
QString Details(const std::exception &error, const QString &context) {
  const char *mangled = typeid(error).name();
  int status = -1;
  char *readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  const QString type = QString::fromLatin1(status == 0 && readable ? readable : mangled);
  std::free(readable);
  return QStringLiteral("%1\n%2\nin %3").arg(type, QString::fromLocal8Bit(error.what()), context);
}

} // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter) {
  if (!reporter)
    reporter = ShowErrorDialog;
  return std::exchange(CurrentReporter(), std::move(reporter));
}

void ReportCurrentException(const QString &context) {
  try {
    throw;
  } catch (const SilentAbort &) {
  } catch (const std::bad_alloc &error) {
    Report(QStringLiteral("内存不足。请关闭一些其他程序后再试。"), Details(error, context));
  } catch (const std::exception &error) {
    const QString message = QString::fromLocal8Bit(error.what()).trimmed();
    Report(message.isEmpty() ? QStringLiteral("未知错误") : message, Details(error, context));
  } catch (...) {
    Report(QStringLiteral("未知错误"), QStringLiteral("unknown exception\nin %1").arg(context));
  }
}

VandrelApplication::VandrelApplication(int &argc, char **argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("vandrel"));
  InstallFontSubstitutions();
  setWindowIcon(QIcon(QStringLiteral(":/pictures/AppIcon.png")));
  Desktop::Beep.Install(&QApplication::beep);
}

bool VandrelApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException(
        QStringLiteral("event %1 to %2").arg(event ? int(event->type()) : -1).arg(DescribeReceiver(receiver)));
    return false;
  }
}
