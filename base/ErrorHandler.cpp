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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>
#include <typeinfo>
#include <utility>

namespace {

void ShowErrorDialog(const QString &message, const QString &details) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(QString::fromUtf8(ApplicationTitle));
  dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);
  auto *layout = new QVBoxLayout(&dialog);
  auto *label = new QLabel(QStringLiteral("程序遇到一个错误，刚才的操作没有完成；程序可以继续使用。\n\n%1").arg(message));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(label);
  auto *detailView = new QPlainTextEdit(details);
  detailView->setReadOnly(true);
  detailView->setMaximumHeight(90);
  layout->addWidget(detailView);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QPushButton *copy = buttons->addButton(QStringLiteral("复制详细信息"), QDialogButtonBox::ActionRole);
  QObject::connect(copy, &QPushButton::clicked, &dialog,
                   [details] { QGuiApplication::clipboard()->setText(details); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.resize(380, 200);
  dialog.exec();
}

ErrorReporter &CurrentReporter() {
  static ErrorReporter reporter = ShowErrorDialog;
  return reporter;
}

QString DescribeReceiver(const QObject *receiver) {
  if (!receiver)
    return QStringLiteral("(none)");
  return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(receiver->metaObject()->className()),
                                         receiver->objectName());
}

// Reporting an error must not itself throw into the event loop.
void Report(const QString &message, const QString &details) noexcept {
  try {
    if (const ErrorReporter &reporter = CurrentReporter())
      reporter(message, details);
  } catch (...) {
  }
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
  } catch (const std::exception &error) {
    const QString message = QString::fromLocal8Bit(error.what());
    Report(message, QStringLiteral("%1\n%2\nin %3").arg(QString::fromLatin1(typeid(error).name()), message, context));
  } catch (...) {
    Report(QStringLiteral("未知错误"), QStringLiteral("unknown exception\nin %1").arg(context));
  }
}

VandrelApplication::VandrelApplication(int &argc, char **argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("vandrel"));
  InstallFontSubstitutions();
  setWindowIcon(QIcon(QStringLiteral(":/pictures/AppIcon.png")));
  SetBeepHandler(&QApplication::beep);
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
