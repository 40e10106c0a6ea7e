#pragma once
// The customer-service window: how to reach the publisher for business,
// by telephone, instant messaging and e-mail.

#include <QDialog>
#include <QPointer>

#include <memory>

namespace Ui {
class TFrm_servers;
}

class TFrm_servers : public QDialog {
  Q_OBJECT

public:
  explicit TFrm_servers(QWidget *parent = nullptr);
  ~TFrm_servers() override;

private:
  std::unique_ptr<Ui::TFrm_servers> ui;
};

// The customer-service window created last.
extern QPointer<TFrm_servers> Frm_servers;
