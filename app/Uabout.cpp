#include "Uabout.h"

#include "Desktop.h"
#include "RzWidgets.h"
#include "ui_Uabout.h"

#include <QPixmap>
#include <QScreen>

QPointer<TAbout> About;

TAbout::TAbout(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAbout>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(321, 149);
  ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/About.jpg")));
  // The labels grow to their texts, as auto-sized labels do.
  for (QLabel *label : {ui->RzLabel1, ui->RzLabel4, ui->RzLabel3, ui->RzLabel6, static_cast<QLabel *>(ui->RzURLLabel1)})
    label->adjustSize();
  connect(ui->RzURLLabel1, &RzClickLabel::clicked, this, [] { OpenMailTo(QString::fromLatin1(SupportMailAddress)); });
  ui->RzURLLabel1->setAccessibleDescription(QStringLiteral("给客服写信"));
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
}

TAbout::~TAbout() = default;
