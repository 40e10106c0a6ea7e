#pragma once
// The calendar window: one Gregorian month as a grid of seven columns, Sunday
// first, each day with its lunar line (lunar day, month name, festival or
// solar term), the zodiac year and the star sign of the selected day, and
// spinners for year and month. Modal and short-lived: it closes as soon as it
// loses activation.

#include "CalendarDays.h"
#include "DateCn.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>

class QLabel;
class QMenu;
class RzClickLabel;

class TFrmAlmanac;

namespace Ui {
class TFRM_Date;
}

class TFRM_Date : public QDialog {
  Q_OBJECT

public:
  static constexpr int CellCount = 37;

  explicit TFRM_Date(QWidget *parent = nullptr);
  ~TFRM_Date() override;

  // Cell i (1..37) of the grid: row (i - 1) / 7, column (i - 1) % 7.
  RzClickLabel *DayLabel(int i) const { return DayLabels[static_cast<std::size_t>(i - 1)]; }
  RzClickLabel *LunarLabel(int i) const { return LunarLabels[static_cast<std::size_t>(i - 1)]; }

  void ShowMonth(DateValue date);
  void StoreCurDate();

  // Event handlers.
  void FormCreate();
  void FormShow();
  void FormDeactivate();
  void FormClose();
  void Label1Click();
  void Label17Click();
  void UpDown1Click();
  void UpDown2Click();
  void StaticText1Click();
  void CnDayClick(QLabel *sender);
  void CnDayMouseDown(QLabel *sender);
  void CHnDayClick(QLabel *sender);
  void ChnDateMouseDown(QLabel *sender);
  // 导出日历… of a day's context menu: the shown year's lunar festivals and
  // solar terms as an iCalendar file the user names.
  void ExportCalendarClick();

  // The window's current date, and the shown year and month with the
  // selected day; CurDay is not cut to the shown month's length.
  DateValue CurDate = 0;
  std::uint16_t CurYear = 0;
  std::uint16_t CurMonth = 0;
  std::uint16_t CurDay = 0;

  // Spoken by assistive technology for the selected cell: its date and
  // weekday, its lunar line and its star sign.
  QString SelectedCellDescription() const;

protected:
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  // A day's context menu, DayMenu: over a shown cell, or from the keyboard
  // at the selected one.
  void contextMenuEvent(QContextMenuEvent *event) override;

private:
  void CreateDayLabels();
  // Hides the cells outside the month of cells firstCell.. (length days) and
  // gives every day number its colour and size.
  void ResetCells(int firstCell, int length);
  // Clicks the cell `days` away from the selected one, if the shown month has it.
  void MoveSelection(int days);
  void StepSpinner(bool year, bool up);
  void Select(int cell);
  // Opens (or brings forward) the almanac window on the selected day.
  void ShowAlmanac();

  std::unique_ptr<Ui::TFRM_Date> ui;
  std::array<RzClickLabel *, CellCount> DayLabels{};
  std::array<RzClickLabel *, CellCount> LunarLabels{};
  // Deactivation closes the window only after it has once been active.
  bool WasActive = false;
  QPointer<TFrmAlmanac> AlmanacWindow;
  // The shown month, from its first cell (1..7) over ShownDays cells, and the
  // selected cell: the one the last ShowMonth or click selected.
  DateValue ShownFirst = 0;
  int FirstCell = 0;
  int ShownDays = 0;
  int SelectedCell = 0;
  // Wheel rotation not yet worth a whole step, in eighths of a degree.
  int WheelRemainder = 0;
  QMenu *DayMenu = nullptr;
  // While the window's own menu or save dialog is up, losing activation to it
  // does not close the window.
  bool Asking = false;
};

// The calendar window's current instance; the main window's calendar command
// replaces it.
extern QPointer<TFRM_Date> FRM_Date;
