#include "Unt_servers.h"

#include "ui_Unt_servers.h"

#include <QPixmap>
#include <QScreen>

QPointer<TFrm_servers> Frm_servers;

TFrm_servers::TFrm_servers(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFrm_servers>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/ServiceBusiness.jpg")));
  ui->Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/ServicePhone.jpg")));
  ui->Image3->setPixmap(QPixmap(QStringLiteral(":/pictures/ServiceChat.jpg")));
  ui->Image4->setPixmap(QPixmap(QStringLiteral(":/pictures/ServiceMail.jpg")));
  // The window sizes itself to its contents: the panel and its last line.
  setFixedSize(420, 273);
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
}

TFrm_servers::~TFrm_servers() = default;
