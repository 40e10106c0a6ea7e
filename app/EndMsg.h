#pragma once
// The exit confirmation: a small modal dialog that asks whether to quit and,
// unless the web browser's start page already is the offered portal, offers to
// make it the start page.

#include "Seam.h"
#include "StartPage.h"

#include <QDialog>
#include <QPointer>

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

// Asks whether to quit, through ExitQuestion: true when the user chose to.
bool ConfirmExit();

// Builds a fresh dialog, shows it modally and answers whether the user chose
// to quit; the dialog is destroyed before it answers. Tests answer instead.
extern Seam<bool()> ExitQuestion;
