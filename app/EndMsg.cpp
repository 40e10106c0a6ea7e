#include "EndMsg.h"

#include "ErrorHandler.h"
#include "StartPage.h"
#include "ui_EndMsg.h"

#include <QPixmap>

QPointer<TFrmMsG> FrmMsG;

TFrmMsG::TFrmMsG(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrmMsG>()) {
  ui->setupUi(this);
  // A caption but no title-bar buttons at all.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(236, 101);
  move(500, 303);
  ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/ExitQuestion.jpg")));
  connect(ui->Button1, &QPushButton::clicked, this, &TFrmMsG::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFrmMsG::Button2Click);
  FormCreate();
}

TFrmMsG::~TFrmMsG() = default;

void TFrmMsG::FormCreate() {
  try {
    if (!OffersStartPage()) {
      ui->CheckBox1->setChecked(false);
      ui->CheckBox1->hide();
    }
  } catch (...) {
    // The dialog still opens, with the offer shown and ticked.
    ReportCurrentException(QStringLiteral("TFrmMsG::FormCreate"));
  }
}

void TFrmMsG::Button1Click() {
  try {
    if (ui->CheckBox1->isChecked())
      SetStartPage(QString::fromLatin1(OfferedStartPage));
    ExitConfirmed = true;
  } catch (...) {
    // The button still closes the dialog; the program does not quit.
    ReportCurrentException(QStringLiteral("TFrmMsG::Button1Click"));
  }
  accept();
}

void TFrmMsG::Button2Click() {
  ExitConfirmed = false;
  reject();
}

Seam<bool()> ExitQuestion{[] {
  std::unique_ptr<TFrmMsG> dialog = std::make_unique<TFrmMsG>();
  FrmMsG = dialog.get();
  dialog->exec();
  // Closing by any other way (Alt+F4, Escape) leaves it false: that is a No.
  return dialog->ExitConfirmed;
}};

bool ConfirmExit() { return ExitQuestion(); }
