#pragma once
// The main window: banner strip, command bar, link column, content area and
// status bar; every other window is reached from its commands.

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class TFrmmain;
}

class TFrmmain : public QWidget {
  Q_OBJECT

public:
  explicit TFrmmain(QWidget *parent = nullptr);
  ~TFrmmain() override;

  // Command handlers, in the order of the command bar.
  void RzButton1Click();
  void RzButton4Click();
  void RzButton6Click();
  void RzButton5Click();
  void RzButton2Click();
  void RzButton3Click();
  void RzButton8Click();
  void RzButton7Click();

  // Link column and banner picture: each opens one fixed page in the browser.
  void Label1Click();
  void Label2Click();
  void Label3Click();
  void Label4Click();
  void Label11Click();
  void Label15Click();
  void Label16Click();
  void Label17Click();

  // The exit flow's question for a close attempt; canClose says whether the
  // close goes ahead.
  void FormCloseQuery(bool &canClose);

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  // Asks ConfirmExit; on Yes requests termination and opens the home site.
  bool RunExitFlow();

  std::unique_ptr<Ui::TFrmmain> ui;
  // Set once termination is requested: the window then closes without asking.
  bool Terminating = false;
};

// The one main window, created at start-up.
extern QPointer<TFrmmain> Frmmain;
