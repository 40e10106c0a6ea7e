#include "Answers.h"

#include <QFileDialog>
#include <QMessageBox>

namespace Desktop {

namespace {

const QString Caption = QStringLiteral("测字算命");

} // namespace

Seam<QString(QWidget *parent, const QString &title, const QString &suggested, const QString &filter)> AskSaveFile{
    [](QWidget *parent, const QString &title, const QString &suggested, const QString &filter) {
      return QFileDialog::getSaveFileName(parent, title, suggested, filter);
    }};
Seam<void(QWidget *parent, const QString &text)> Notice{
    [](QWidget *parent, const QString &text) { QMessageBox::warning(parent, Caption, text); }};
Seam<bool(QWidget *parent, const QString &text)> Confirm{[](QWidget *parent, const QString &text) {
  return QMessageBox::question(parent, Caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}};

} // namespace Desktop
