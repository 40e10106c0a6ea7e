#include "Unt_Main.h"

#include "ContentPane.h"
#include "DateWin.h"
#include "Desktop.h"
#include "EndMsg.h"
#include "ErrorHandler.h"
#include "HomeSite.h"
#include "MovieDivination.h"
#include "RemoteDocuments.h"
#include "ReuseWindow.h"
#include "RzWidgets.h"
#include "Uabout.h"
#include "Unt_servers.h"
#include "Untcezhi.h"
#include "ui_Unt_Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

QPointer<TFrmmain> Frmmain;

namespace {

// The publisher's products, on a download site under the reserved .example
// domain, and the official download pages of four free programs.
constexpr const char *QimingPage = "http://download.vandrel.example/soft/qiming.html";
constexpr const char *BaziPage = "http://download.vandrel.example/soft/bazi.html";
constexpr const char *ZhougongPage = "http://download.vandrel.example/soft/zhougong.html";
constexpr const char *HuangliPage = "http://download.vandrel.example/soft/huangli.html";
constexpr const char *FirefoxPage = "https://www.mozilla.org/zh-CN/firefox/new/";
constexpr const char *LibreOfficePage = "https://zh-cn.libreoffice.org/download/libreoffice/";
constexpr const char *VlcPage = "https://www.videolan.org/vlc/";
constexpr const char *SevenZipPage = "https://www.7-zip.org/download.html";

// The panes' places inside their panels. The main pane covers the content
// picture; the banner pane is larger than its panel on every side, so the
// panel clips the browser's own frame away.
constexpr QRect MainPanePlace(2, 2, 612, 422);
constexpr QRect BannerPanePlace(-12, -16, 803, 107);
// A pane out of sight has its top edge far above the visible area, and the
// picture beneath it shows.
constexpr int MainPaneHiddenTop = -1000;
constexpr int BannerPaneHiddenTop = -200;

} // namespace

TFrmmain::TFrmmain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TFrmmain>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(ApplicationTitle));

  // The banner picture follows its panel's size, not the other way round.
  ui->Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/Banner.jpg")));
  ui->Image16->setPixmap(QPixmap(QStringLiteral(":/pictures/CommandBar.jpg")));
  ui->Image21->setPixmap(QPixmap(QStringLiteral(":/pictures/LinkColumn.jpg")));
  ui->Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/LinkColumnTop.jpg")));
  ui->Image15->setPixmap(QPixmap(QStringLiteral(":/pictures/Content.jpg")));
  // Pictures lie under the buttons and labels of their panels.
  ui->Image16->lower();
  ui->Image2->lower();
  ui->Image21->lower();
  ui->Image15->lower();

  // A movie is likely once the pointer enters the command bar or a movie
  // button takes the focus: the movie windows ready their player then.
  ui->RzPanel6->installEventFilter(this);
  ui->RzButton4->installEventFilter(this);
  ui->RzButton6->installEventFilter(this);

  connect(ui->RzButton1, &QPushButton::clicked, this, &TFrmmain::RzButton1Click);
  connect(ui->RzButton4, &QPushButton::clicked, this, &TFrmmain::RzButton4Click);
  connect(ui->RzButton6, &QPushButton::clicked, this, &TFrmmain::RzButton6Click);
  connect(ui->RzButton5, &QPushButton::clicked, this, &TFrmmain::RzButton5Click);
  connect(ui->RzButton2, &QPushButton::clicked, this, &TFrmmain::RzButton2Click);
  connect(ui->RzButton3, &QPushButton::clicked, this, &TFrmmain::RzButton3Click);
  connect(ui->RzButton8, &QPushButton::clicked, this, &TFrmmain::RzButton8Click);
  connect(ui->RzButton7, &QPushButton::clicked, this, &TFrmmain::RzButton7Click);

  connect(ui->Label1, &RzClickLabel::clicked, this, &TFrmmain::Label1Click);
  connect(ui->Label2, &RzClickLabel::clicked, this, &TFrmmain::Label2Click);
  connect(ui->Label4, &RzClickLabel::clicked, this, &TFrmmain::Label4Click);
  connect(ui->Label11, &RzClickLabel::clicked, this, &TFrmmain::Label11Click);
  connect(ui->Label15, &RzClickLabel::clicked, this, &TFrmmain::Label15Click);
  connect(ui->Label16, &RzClickLabel::clicked, this, &TFrmmain::Label16Click);
  connect(ui->Label17, &RzClickLabel::clicked, this, &TFrmmain::Label17Click);
  // The second featured product is also behind nine more labels and the banner.
  for (RzClickLabel *label : {ui->Label3, ui->Label5, ui->Label6, ui->Label7, ui->Label8, ui->Label9, ui->Label10,
                              ui->Label12, ui->Label13, ui->Label14, ui->Image1})
    connect(label, &RzClickLabel::clicked, this, &TFrmmain::Label3Click);

  // Designed at 96 dpi: client 792 x 566, centred on the screen. The window
  // keeps that size, as its missing maximise box says: the commands, links and
  // panes sit at fixed places and sizes, so a larger window would only pull
  // the pictures out of shape (the trigram wheel, the brush lettering) or
  // bare the panels around them.
  setFixedSize(792, 566);
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());

  CreateContentPanes();
  FormCreate();
}

void TFrmmain::CreateContentPanes() {
  // Each pane waits out of sight until a page of its own has loaded: the
  // pictures show meanwhile, never an empty browser. It stays visible to the
  // browser engine there, so that the page is drawn when it comes into sight.
  EmbeddedWB1 = CreateWaitingPane(ui->RzPanel4, QStringLiteral("EmbeddedWB1"), MainPanePlace, MainPaneHiddenTop);
  EmbeddedWB2 = CreateWaitingPane(ui->RzPanel1, QStringLiteral("EmbeddedWB2"), BannerPanePlace, BannerPaneHiddenTop);

  // Both timers run from the window's creation at one tick a second; the
  // ticks find nothing to do until the page list has arrived.
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1, &QTimer::timeout, this, &TFrmmain::Timer1Timer);
  Timer1->start(1000);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  connect(Timer2, &QTimer::timeout, this, &TFrmmain::Timer2Timer);
  Timer2->start(1000);
}

void TFrmmain::FormCreate() {
  BannerIndex = 0;
  MainIndex = 0;
  LastIndex = PageLines.LastIndex();
  // In the background: the window must not wait for the publisher's site.
  FetchRemoteDocuments(this, [this](const RemoteDocuments &documents) { RemoteDocumentsArrived(documents); });
}

void TFrmmain::RemoteDocumentsArrived(const RemoteDocuments &documents) {
  PageLines = PageList(documents.PageListText);
  MainFlag = documents.MainFlag;
  BannerFlag = documents.BannerFlag;
  BannerIndex = 0;
  MainIndex = 0;
  LastIndex = PageLines.LastIndex();
  if (LastIndex < 0 || MainFlag == 0)
    HidePane(EmbeddedWB1, MainPaneHiddenTop);
  if (LastIndex < 0 || BannerFlag == 0)
    HidePane(EmbeddedWB2, BannerPaneHiddenTop);
}

void TFrmmain::HidePane(ContentPane *pane, int hiddenTop) {
  // Out of sight for the rest of the run, so the picture beneath shows; the
  // control stays, and its switch (or the empty list) keeps its ticks idle.
  QWidget *control = pane->Control();
  control->hide();
  control->move(control->x(), hiddenTop);
}

ContentPane *TFrmmain::CreateWaitingPane(QWidget *panel, const QString &name, QRect place, int hiddenTop) {
  ContentPane *pane = CreateContentPane(panel);
  pane->Control()->setObjectName(name);
  pane->Control()->setGeometry(place.translated(0, hiddenTop - place.top()));
  pane->Control()->raise();
  pane->SetPageFinishedHandler(
      [pane, place, hiddenTop](bool loaded) { PlacePane(pane, loaded ? place.top() : hiddenTop); });
  return pane;
}

void TFrmmain::PlacePane(ContentPane *pane, int top) {
  // A page loaded brings the pane into sight, a page failed takes it out, so
  // that the picture shows instead of an error page; a hidden pane stays
  // where HidePane put it.
  QWidget *control = pane->Control();
  if (!control->isHidden())
    control->move(control->x(), top);
}

void TFrmmain::Timer1Timer() { RotatePane(EmbeddedWB2, Timer1, BannerFlag, BannerPaneKind, BannerIndex); }

void TFrmmain::Timer2Timer() { RotatePane(EmbeddedWB1, Timer2, MainFlag, MainPaneKind, MainIndex); }

void TFrmmain::RotatePane(ContentPane *pane, QTimer *timer, int paneSwitch, QByteArrayView kind, int &index) {
  const std::optional<RotationStep> step = NextRotationStep(PageLines, paneSwitch, kind, index);
  if (!step)
    return;
  pane->Navigate(step->Address);
  ApplyDisplayPeriod(*timer, step->PeriodMs);
  index = step->NextIndex;
}

QByteArray TFrmmain::GetListField(int field, int index) const { return ::GetListField(PageLines, field, index); }

TFrmmain::~TFrmmain() = default;

void TFrmmain::RzButton1Click() { ShowCharacterDivination(); }

void TFrmmain::RzButton4Click() { OpenMovieDivination(2); }

void TFrmmain::RzButton6Click() { OpenMovieDivination(3); }

void TFrmmain::RzButton5Click() { ShowReusedWindow(FRM_Date); }

void TFrmmain::RzButton2Click() { ShowReusedWindow(Frm_servers); }

void TFrmmain::RzButton3Click() { ShowReusedWindow(About); }

void TFrmmain::RzButton8Click() { OpenInBrowser(HomeSiteUrl()); }

void TFrmmain::RzButton7Click() { RunExitFlow(); }

void TFrmmain::Label1Click() { OpenInBrowser(QString::fromLatin1(HuangliPage)); }

void TFrmmain::Label2Click() { OpenInBrowser(QString::fromLatin1(QimingPage)); }

void TFrmmain::Label3Click() { OpenInBrowser(QString::fromLatin1(BaziPage)); }

void TFrmmain::Label4Click() { OpenInBrowser(QString::fromLatin1(ZhougongPage)); }

void TFrmmain::Label11Click() { OpenInBrowser(QString::fromLatin1(FirefoxPage)); }

void TFrmmain::Label15Click() { OpenInBrowser(QString::fromLatin1(LibreOfficePage)); }

void TFrmmain::Label16Click() { OpenInBrowser(QString::fromLatin1(VlcPage)); }

void TFrmmain::Label17Click() { OpenInBrowser(QString::fromLatin1(SevenZipPage)); }

void TFrmmain::FormCloseQuery(bool &canClose) { canClose = Terminating || RunExitFlow(); }

bool TFrmmain::eventFilter(QObject *watched, QEvent *event) {
  if ((watched == ui->RzPanel6 && event->type() == QEvent::Enter) ||
      ((watched == ui->RzButton4 || watched == ui->RzButton6) && event->type() == QEvent::FocusIn))
    WarmMovieDivination();
  return QWidget::eventFilter(watched, event);
}

void TFrmmain::closeEvent(QCloseEvent *event) {
  // Refuse first, so that an error escaping the question leaves the window open.
  event->ignore();
  bool canClose = true;
  FormCloseQuery(canClose);
  event->setAccepted(canClose);
}

bool TFrmmain::RunExitFlow() {
  if (!ConfirmExit())
    return false;
  // The message loop ends once the current message is done; nothing asks again.
  Terminating = true;
  QCoreApplication::quit();
  OpenInBrowser(HomeSiteUrl());
  return true;
}
