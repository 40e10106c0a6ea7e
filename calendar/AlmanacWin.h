#pragma once
// The whole almanac of one day in a small window of its own, opened from the
// calendar by a double-click or Enter on the selected day: everything
// GetAlmanac gives, the twelve double-hours, and for each 宜 and 忌 the rules
// that put it there or struck it out.

#include <QDialog>

#include <chrono>
#include <memory>

namespace Ui {
class TFrmAlmanac;
}

class TFrmAlmanac : public QDialog {
  Q_OBJECT

public:
  explicit TFrmAlmanac(QWidget *parent = nullptr);
  ~TFrmAlmanac() override;

  // Shows the day; a day outside 1901..2050 shows that there is no almanac.
  void ShowDay(std::chrono::year_month_day date);

signals:
  // The user went to another application from this window (not back to the
  // calendar that opened it).
  void applicationLeft();

protected:
  void changeEvent(QEvent *event) override;

private:
  std::unique_ptr<Ui::TFrmAlmanac> ui;
};
