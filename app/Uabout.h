#pragma once
// The about window: the publisher's rights notice and contact details.

#include <QDialog>
#include <QPointer>

#include <memory>

namespace Ui {
class TAbout;
}

// The support address the about and customer-service windows give.
inline constexpr const char *SupportMailAddress = "kf@vandrel.example";

class TAbout : public QDialog {
  Q_OBJECT

public:
  explicit TAbout(QWidget *parent = nullptr);
  ~TAbout() override;

private:
  std::unique_ptr<Ui::TAbout> ui;
};

// The about window created last.
extern QPointer<TAbout> About;
