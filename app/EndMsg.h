#pragma once
// The exit confirmation: a small modal dialog that asks whether to quit and,
// unless the web browser's start page already is the offered portal, offers to
// make it the start page.

#include "StartPage.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

namespace Ui {
class TFrmMsG;
}

class TFrmMsG : public QDialog {
  Q_OBJECT

public:
  explicit TFrmMsG(QWidget *parent = nullptr);
  ~TFrmMsG() override;

  void FormCreate();
  void Button1Click();
  void Button2Click();

  // True once the user has chosen to quit (and the start page, if offered and
  // ticked, has been written).
  bool ExitConfirmed = false;

private:
  std::unique_ptr<Ui::TFrmMsG> ui;
};

// The dialog of the current ConfirmExit call.
extern QPointer<TFrmMsG> FrmMsG;

// Builds a fresh dialog, shows it modally and returns true when the user chose
// to quit. The dialog is destroyed before returning.
bool ConfirmExit();

// Tests replace the question with a fixed answer; an empty function restores
// the dialog. Returns the previous replacement.
using ExitQuestion = std::function<bool()>;
ExitQuestion SetExitQuestion(ExitQuestion question);
