#include "Unt_Main.h"

#include "DateWin.h"
#include "Desktop.h"
#include "EndMsg.h"
#include "ErrorHandler.h"
#include "HomeSite.h"
#include "ReuseWindow.h"
#include "ui_Unt_Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPixmap>
#include <QScreen>

QPointer<TFrmmain> Frmmain;

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

  connect(ui->RzButton1, &QPushButton::clicked, this, &TFrmmain::RzButton1Click);
  connect(ui->RzButton4, &QPushButton::clicked, this, &TFrmmain::RzButton4Click);
  connect(ui->RzButton6, &QPushButton::clicked, this, &TFrmmain::RzButton6Click);
  connect(ui->RzButton5, &QPushButton::clicked, this, &TFrmmain::RzButton5Click);
  connect(ui->RzButton2, &QPushButton::clicked, this, &TFrmmain::RzButton2Click);
  connect(ui->RzButton3, &QPushButton::clicked, this, &TFrmmain::RzButton3Click);
  connect(ui->RzButton8, &QPushButton::clicked, this, &TFrmmain::RzButton8Click);
  connect(ui->RzButton7, &QPushButton::clicked, this, &TFrmmain::RzButton7Click);

  // Designed at 96 dpi: client 792 x 566, centred on the screen.
  resize(792, 566);
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
}

TFrmmain::~TFrmmain() = default;

void TFrmmain::RzButton1Click() {}

void TFrmmain::RzButton4Click() {}

void TFrmmain::RzButton6Click() {}

void TFrmmain::RzButton5Click() { ShowReusedWindow(FRM_Date); }

void TFrmmain::RzButton2Click() {}

void TFrmmain::RzButton3Click() {}

void TFrmmain::RzButton8Click() { OpenInBrowser(HomeSiteUrl()); }

void TFrmmain::RzButton7Click() { RunExitFlow(); }

void TFrmmain::FormCloseQuery(bool &canClose) { canClose = Terminating || RunExitFlow(); }

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
