#pragma once
// The main window: banner strip, command bar, link column, content area and
// status bar; every other window is reached from its commands.

#include "PageRotation.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class ContentPane;
class QTimer;
struct RemoteDocuments;

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

  // The content panes (EmbeddedWB1 main, EmbeddedWB2 banner) and their
  // rotation. FormCreate starts the fetch of the page list and the switch
  // document; the window appears at once, with the pictures showing where the
  // panes go until the fetch ends (RemoteDocumentsArrived) and a pane's page
  // has loaded. Timer1 ticks the banner pane, Timer2 the main pane.
  void FormCreate();
  void RemoteDocumentsArrived(const RemoteDocuments &documents);
  void Timer1Timer();
  void Timer2Timer();
  // One field of a page list line (PageRotation.h); empty before the fetch.
  QByteArray GetListField(int field, int index) const;

protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // Asks ConfirmExit; on Yes requests termination and opens the home site.
  bool RunExitFlow();

  void CreateContentPanes();
  // A pane over panel, waiting at hiddenTop until a page has loaded in it,
  // then at place.
  static ContentPane *CreateWaitingPane(QWidget *panel, const QString &name, QRect place, int hiddenTop);
  void RotatePane(ContentPane *pane, QTimer *timer, int paneSwitch, QByteArrayView kind, int &index);
  static void HidePane(ContentPane *pane, int hiddenTop);
  static void PlacePane(ContentPane *pane, int top);

  std::unique_ptr<Ui::TFrmmain> ui;
  ContentPane *EmbeddedWB1 = nullptr;
  ContentPane *EmbeddedWB2 = nullptr;
  QTimer *Timer1 = nullptr;
  QTimer *Timer2 = nullptr;
  // The page list as received; empty until the fetch ends.
  PageList PageLines;
  int BannerIndex = 0;
  int MainIndex = 0;
  int LastIndex = -1;
  int MainFlag = 0;
  int BannerFlag = 0;
  // Set once termination is requested: the window then closes without asking.
  bool Terminating = false;
};

// The one main window, created at start-up.
extern QPointer<TFrmmain> Frmmain;
