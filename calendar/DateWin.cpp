#include "DateWin.h"

#include "Almanac.h"
#include "AlmanacWin.h"
#include "Answers.h"
#include "CalendarDays.h"
#include "CalendarMonth.h"
#include "Desktop.h"
#include "Gbk.h"
#include "ICalendar.h"
#include "RzWidgets.h"
#include "ui_DateWin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

using namespace std::chrono;

QPointer<TFRM_Date> FRM_Date;

namespace {

// Cell grid: a 42 px column pitch and a 32 px row pitch from the templates'
// places (the weekday headers stand 40 px apart).
constexpr int ColumnPitch = 42;
constexpr int RowPitch = 32;
// 11 points at 96 dpi, the day numbers' size once a month is shown.
constexpr int DayNumberPixelSize = 15;
// One notch of a mouse wheel, in eighths of a degree; finer wheels and touch
// pads add up to a step.
constexpr int WheelNotch = 120;

constexpr std::array<const char16_t *, 7> WeekdayNames{u"星期日", u"星期一", u"星期二", u"星期三",
                                                       u"星期四", u"星期五", u"星期六"};

void SetTextColor(QLabel *label, const QColor &color) {
  if (label->palette().color(QPalette::WindowText) == color)
    return;
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
}

} // namespace

TFRM_Date::TFRM_Date(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TFRM_Date>()) {
  ui->setupUi(this);
  // Caption and close box only, fixed client 331 x 285 on white, default
  // font "宋体" 12 px.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(331, 285);
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(12);
  setFont(font);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  if (const QScreen *screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());

  connect(ui->Label1, &RzClickLabel::clicked, this, &TFRM_Date::Label1Click);
  connect(ui->Label17, &RzClickLabel::clicked, this, &TFRM_Date::Label17Click);
  connect(ui->StaticText1, &RzClickLabel::clicked, this, &TFRM_Date::StaticText1Click);
  connect(ui->UpDown1, &UpDown::clicked, this, &TFRM_Date::UpDown1Click);
  connect(ui->UpDown2, &UpDown::clicked, this, &TFRM_Date::UpDown2Click);
  connect(this, &QDialog::finished, this, &TFRM_Date::FormClose);
  // The window's keys stand for these labels (Home for "今天", Page Up and
  // Page Down for the spinners), so none of them takes the focus.
  for (RzClickLabel *label : {ui->Label1, ui->Label17, ui->StaticText1})
    label->setFocusPolicy(Qt::NoFocus);
  setAccessibleName(windowTitle());
  ui->Label1->setAccessibleDescription(ui->Label1->toolTip());
  ui->Label17->setAccessibleDescription(ui->Label17->toolTip());
  ui->StaticText1->setAccessibleDescription(QStringLiteral("回到今天（Home 键）"));
  ui->UpDown1->setAccessibleName(QStringLiteral("年份"));
  ui->UpDown2->setAccessibleName(QStringLiteral("月份"));
  ui->UpDown1->upButton()->setAccessibleName(QStringLiteral("下一年（Ctrl+Page Up）"));
  ui->UpDown1->downButton()->setAccessibleName(QStringLiteral("上一年（Ctrl+Page Down）"));
  ui->UpDown2->upButton()->setAccessibleName(QStringLiteral("下个月（Page Up）"));
  ui->UpDown2->downButton()->setAccessibleName(QStringLiteral("上个月（Page Down）"));
  ui->Label21->setAccessibleName(QStringLiteral("生肖年"));
  ui->Label22->setAccessibleName(QStringLiteral("星座"));
  DayMenu = new QMenu(this);
  DayMenu->setObjectName(QStringLiteral("DayMenu"));
  QAction *exportCalendar = DayMenu->addAction(QStringLiteral("导出日历…"), this, &TFRM_Date::ExportCalendarClick);
  exportCalendar->setObjectName(QStringLiteral("ExportCalendar"));
  connect(DayMenu, &QMenu::aboutToShow, this, [this, exportCalendar] {
    Asking = true;
    // The table's years have festivals and terms to export.
    const int year = static_cast<int>(DecodeDate(ShownFirst).year());
    exportCalendar->setEnabled(year >= FirstTableYear && year <= LastTableYear);
  });
  connect(DayMenu, &QMenu::aboutToHide, this, [this] { Asking = false; });
  FormCreate();
}

TFRM_Date::~TFRM_Date() = default;

void TFRM_Date::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TFRM_Date::changeEvent(QEvent *event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange)
    return;
  if (isActiveWindow())
    WasActive = true;
  else if (WasActive && isVisible() && !Asking && !(AlmanacWindow && QApplication::activeWindow() == AlmanacWindow))
    FormDeactivate(); // our own almanac window, menu or save dialog keeps the calendar open
}

// A double-click on a day's cell selects the day and opens its almanac.
bool TFRM_Date::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonDblClick)
    if (auto *label = qobject_cast<RzClickLabel *>(watched); label && label->property("tag").isValid()) {
      CnDayClick(label);
      ShowAlmanac();
      return true;
    }
  return QDialog::eventFilter(watched, event);
}

void TFRM_Date::ShowAlmanac() {
  if (SelectedCell < FirstCell || SelectedCell >= FirstCell + ShownDays)
    return;
  if (!AlmanacWindow) {
    AlmanacWindow = new TFrmAlmanac(this);
    // Leaving for another application from the almanac closes the calendar too.
    connect(AlmanacWindow, &TFrmAlmanac::applicationLeft, this, &TFRM_Date::FormDeactivate);
  }
  AlmanacWindow->ShowDay(DecodeDate(ShownFirst + (SelectedCell - FirstCell)));
  AlmanacWindow->show();
  AlmanacWindow->raise();
  AlmanacWindow->activateWindow();
}

void TFRM_Date::CreateDayLabels() {
  // The templates' fonts and colours come from their style sheets.
  ui->day1->ensurePolished();
  ui->Cnday->ensurePolished();
  for (int i = 1; i <= CellCount; ++i) {
    auto *dayLabel = new RzClickLabel(this);
    auto *lunarLabel = new RzClickLabel(this);
    DayLabels[static_cast<std::size_t>(i - 1)] = dayLabel;
    LunarLabels[static_cast<std::size_t>(i - 1)] = lunarLabel;
    connect(dayLabel, &RzClickLabel::clicked, this, [this, dayLabel] { CnDayClick(dayLabel); });
    connect(dayLabel, &RzClickLabel::pressed, this, [this, dayLabel] { CnDayMouseDown(dayLabel); });
    connect(lunarLabel, &RzClickLabel::clicked, this, [this, lunarLabel] { CHnDayClick(lunarLabel); });
    connect(lunarLabel, &RzClickLabel::pressed, this, [this, lunarLabel] { ChnDateMouseDown(lunarLabel); });

    const int column = (i - 1) % 7, row = (i - 1) / 7;
    dayLabel->setGeometry(ui->day1->x() + ColumnPitch * column, ui->day1->y() + RowPitch * row, ui->day1->width(),
                          ui->day1->height());
    lunarLabel->setGeometry(ui->Cnday->x() + ColumnPitch * column, ui->Cnday->y() + RowPitch * row, ui->Cnday->width(),
                            ui->Cnday->height());
    dayLabel->setAlignment(ui->day1->alignment());
    lunarLabel->setAlignment(ui->Cnday->alignment());
    dayLabel->setFont(ui->day1->font());
    lunarLabel->setFont(ui->Cnday->font());
    SetTextColor(dayLabel, Qt::black);
    SetTextColor(lunarLabel, ui->Cnday->palette().color(QPalette::WindowText));
    dayLabel->setObjectName(QStringLiteral("DayLabel%1").arg(i));
    lunarLabel->setObjectName(QStringLiteral("LunarLabel%1").arg(i));
    // The keyboard reaches the cells through the window's keys, not by Tab.
    dayLabel->setFocusPolicy(Qt::NoFocus);
    lunarLabel->setFocusPolicy(Qt::NoFocus);
    dayLabel->installEventFilter(this);
    lunarLabel->installEventFilter(this);
    dayLabel->hide();
    lunarLabel->hide();
  }
  // The form stacks the frame lowest and the two watermarks right over it, so
  // that they stay behind the highlight and every text.
  // Created after the designed labels, the cells lie over the highlight, the
  // watermarks and the zodiac and star-sign labels; the spinners and "今天"
  // stay on top as the window's only controls of their own.
  ui->UpDown1->raise();
  ui->UpDown2->raise();
  ui->StaticText1->raise();
}

void TFRM_Date::ShowMonth(DateValue date) {
  const year_month_day shown = DecodeDate(date);
  const int y = static_cast<int>(shown.year());
  const int m = static_cast<int>(static_cast<unsigned>(shown.month()));
  const int selected = static_cast<int>(static_cast<unsigned>(shown.day()));
  ui->Label20->setText(QString::number(y));
  ui->Label1->setText(QString::number(y));
  ui->Label17->setText(QString::number(m));
  ui->Label16->setText(ui->Label17->text());
  ui->Label21->setText(Gbk::FromGbk(GetZodiacYear(date)));

  const DateValue first = EncodeDate(shown.year() / shown.month() / 1);
  const MonthCells cells = GetMonthCells(first);
  const int firstCell = cells.FirstCell; // 1 = Sunday
  const int length = cells.DayCount;
  ShownFirst = first;
  FirstCell = firstCell;
  ShownDays = length;

  ResetCells(firstCell, length);

  const QColor lunarDayColor = ui->Cnday->palette().color(QPalette::WindowText);
  for (int i = firstCell; i < firstCell + length; ++i) {
    const int d = i - firstCell + 1;
    const DateValue cellDate = first + (d - 1);
    RzClickLabel *dayLabel = DayLabel(i);
    RzClickLabel *lunarLabel = LunarLabel(i);
    dayLabel->setText(QString::number(d));
    dayLabel->setProperty("tag", d);
    lunarLabel->setProperty("tag", d);

    // The lunar line: day name, month name on the first day of a lunar
    // month, Gregorian festival, solar term, lunar festival, the later winning.
    const LunarLine line = GetLunarLine(cellDate);
    lunarLabel->setText(Gbk::FromGbk(line.Text));
    const bool dayName = line.Kind == LunarLineKind::LunarDay;
    SetTextColor(lunarLabel, dayName ? lunarDayColor : QColor(DesignColor(LunarLineDesignColor(line.Kind))));

    const QString spokenDay = QStringLiteral("%1月%2日").arg(m).arg(d);
    dayLabel->setAccessibleName(line.Text.isEmpty() ? spokenDay : spokenDay + u' ' + lunarLabel->text());
    // The day's almanac in brief: 干支, 冲煞, spirit, the first 宜 and 忌.
    const QString almanac = Almanac::GetAlmanacSummary(DecodeDate(cellDate));
    dayLabel->setToolTip(almanac);
    lunarLabel->setToolTip(almanac);
    if (d == selected) {
      ui->Shape2->move(dayLabel->x() - 1, dayLabel->y() + 1);
      ui->Label22->setText(Gbk::FromGbk(GetStarSignOfDay(selected, date)));
      Select(i);
    }
    dayLabel->show();
    lunarLabel->show();
  }
}

void TFRM_Date::ResetCells(int firstCell, int length) {
  // Cells outside the month are hidden; the others get every property anew
  // in ShowMonth. Only what changes is touched, so a month costs no relayout
  // of cells that stay.
  QFont dayFont = ui->day1->font();
  dayFont.setPixelSize(DayNumberPixelSize);
  for (int i = 1; i <= CellCount; ++i) {
    const bool used = i >= firstCell && i < firstCell + length;
    if (!used) {
      DayLabel(i)->hide();
      LunarLabel(i)->hide();
    }
    SetTextColor(DayLabel(i), Qt::black);
    if (DayLabel(i)->font() != dayFont)
      DayLabel(i)->setFont(dayFont);
  }
}

void TFRM_Date::StoreCurDate() { CurDate = ClampedEncodeDate(CurYear, CurMonth, CurDay); }

void TFRM_Date::FormCreate() {
  CreateDayLabels();
  CurDate = Today();
}

// A date outside the spinner's years 1901..2050 is shown all the same; the
// year spinner then holds its nearest bound, so its first press brings the
// grid back into the table's years.
void TFRM_Date::FormShow() {
  const year_month_day current = DecodeDate(CurDate);
  CurYear = static_cast<std::uint16_t>(static_cast<int>(current.year()));
  CurMonth = static_cast<std::uint16_t>(static_cast<unsigned>(current.month()));
  CurDay = static_cast<std::uint16_t>(static_cast<unsigned>(current.day()));
  ui->UpDown1->setPosition(CurYear);
  ui->UpDown2->setPosition(CurMonth);
  ShowMonth(CurDate);
}

void TFRM_Date::FormDeactivate() { close(); }

// Closing hides the window; it lives on until the next calendar command
// replaces it.
void TFRM_Date::FormClose() {
  WasActive = false;
  if (AlmanacWindow)
    AlmanacWindow->close();
}

void TFRM_Date::Label1Click() {
  ui->UpDown1->show();
  ui->UpDown2->hide();
}

void TFRM_Date::Label17Click() {
  ui->UpDown2->show();
  ui->UpDown1->hide();
}

void TFRM_Date::UpDown1Click() {
  CurYear = static_cast<std::uint16_t>(ui->UpDown1->position());
  ShowMonth(ClampedEncodeDate(CurYear, CurMonth, CurDay));
}

void TFRM_Date::UpDown2Click() {
  CurMonth = static_cast<std::uint16_t>(ui->UpDown2->position());
  ShowMonth(ClampedEncodeDate(CurYear, CurMonth, CurDay));
}

void TFRM_Date::StaticText1Click() {
  CurDate = Today();
  FormShow();
}

void TFRM_Date::CnDayClick(QLabel *sender) {
  CurDay = static_cast<std::uint16_t>(sender->property("tag").toInt());
  StoreCurDate();
  Select(FirstCell + CurDay - 1);
}

void TFRM_Date::CnDayMouseDown(QLabel *sender) { ui->Shape2->move(sender->x() - 1, sender->y() + 1); }

void TFRM_Date::CHnDayClick(QLabel *sender) { CnDayClick(sender); }

void TFRM_Date::ChnDateMouseDown(QLabel *sender) { ui->Shape2->move(sender->x(), sender->y() - 16); }

void TFRM_Date::Select(int cell) {
  if (SelectedCell >= 1 && SelectedCell <= CellCount && SelectedCell != cell)
    DayLabel(SelectedCell)->setAccessibleDescription(QString());
  SelectedCell = cell;
  const QString description = SelectedCellDescription();
  DayLabel(cell)->setAccessibleDescription(description);
  setAccessibleDescription(description);
}

// "2024年2月10日 星期六，春节，水瓶座": the lunar line or the star sign is
// left out where the date has none.
QString TFRM_Date::SelectedCellDescription() const {
  if (SelectedCell < FirstCell || SelectedCell >= FirstCell + ShownDays)
    return {};
  const int d = SelectedCell - FirstCell + 1;
  const year_month_day shown = DecodeDate(ShownFirst);
  QStringList parts{QStringLiteral("%1年%2月%3日 %4")
                        .arg(static_cast<int>(shown.year()))
                        .arg(static_cast<unsigned>(shown.month()))
                        .arg(d)
                        .arg(QString::fromUtf16(WeekdayNames[static_cast<std::size_t>((SelectedCell - 1) % 7)]))};
  for (const QString &part : {LunarLabel(SelectedCell)->text(), Gbk::FromGbk(GetStarSignOfDay(d, ShownFirst))})
    if (!part.isEmpty())
      parts << part;
  return parts.join(QStringLiteral("，"));
}

void TFRM_Date::MoveSelection(int days) {
  if (SelectedCell == 0)
    return;
  const int target = SelectedCell + days;
  if (target < FirstCell || target >= FirstCell + ShownDays)
    return; // the selection stays within the shown month
  DayLabel(target)->click();
}

void TFRM_Date::StepSpinner(bool year, bool up) {
  const UpDown *spinner = year ? ui->UpDown1 : ui->UpDown2;
  (up ? spinner->upButton() : spinner->downButton())->click();
}

void TFRM_Date::keyPressEvent(QKeyEvent *event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool plain = modifiers == Qt::NoModifier;
  const bool control = modifiers == Qt::ControlModifier;
  switch (event->key()) {
  case Qt::Key_Left:
  case Qt::Key_Right:
  case Qt::Key_Up:
  case Qt::Key_Down:
    if (!plain)
      break;
    MoveSelection(event->key() == Qt::Key_Left    ? -1
                  : event->key() == Qt::Key_Right ? 1
                  : event->key() == Qt::Key_Up    ? -7
                                                  : 7);
    return;
  case Qt::Key_PageUp:
  case Qt::Key_PageDown:
    if (!plain && !control)
      break;
    StepSpinner(control, event->key() == Qt::Key_PageUp);
    return;
  case Qt::Key_Home:
    if (!plain)
      break;
    ui->StaticText1->click();
    return;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    if (!plain)
      break;
    ShowAlmanac(); // the selected day's whole almanac
    return;
  default:
    break;
  }
  QDialog::keyPressEvent(event);
}

void TFRM_Date::wheelEvent(QWheelEvent *event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (!ui->Image1->geometry().contains(event->position().toPoint()) ||
      (modifiers != Qt::NoModifier && modifiers != Qt::ControlModifier)) {
    QDialog::wheelEvent(event);
    return;
  }
  event->accept();
  WheelRemainder += event->angleDelta().y();
  // Rolling away from the user is the up arrow, as on any spinner.
  for (; WheelRemainder >= WheelNotch; WheelRemainder -= WheelNotch)
    StepSpinner(modifiers == Qt::ControlModifier, true);
  for (; WheelRemainder <= -WheelNotch; WheelRemainder += WheelNotch)
    StepSpinner(modifiers == Qt::ControlModifier, false);
}

void TFRM_Date::contextMenuEvent(QContextMenuEvent *event) {
  QPoint where = event->pos();
  const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
  if (fromKeyboard && SelectedCell >= FirstCell && SelectedCell < FirstCell + ShownDays)
    where = DayLabel(SelectedCell)->geometry().center();
  bool overCell = false;
  for (int i = FirstCell; i < FirstCell + ShownDays && !overCell; ++i)
    overCell = DayLabel(i)->geometry().contains(where) || LunarLabel(i)->geometry().contains(where);
  if (!overCell) {
    QDialog::contextMenuEvent(event);
    return;
  }
  event->accept();
  DayMenu->popup(mapToGlobal(where));
}

void TFRM_Date::ExportCalendarClick() {
  Asking = true;
  const auto asked = qScopeGuard([this] { Asking = false; });
  const year y = DecodeDate(ShownFirst).year();
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  QString path = Desktop::AskSaveFile(this, QStringLiteral("导出日历"),
                                      QStringLiteral("%1/农历%2年.ics").arg(folder).arg(static_cast<int>(y)),
                                      QStringLiteral("iCalendar 日历 (*.ics)"));
  if (path.isEmpty())
    return;
  if (QFileInfo(path).suffix().isEmpty())
    path += QStringLiteral(".ics");
  const QList<CalendarEvent> events = GetFestivalEvents(y / January / 1, y / December / 31);
  const SaveResult saved = SaveICalendar(WriteICalendar(events, Desktop::Clock()), path);
  switch (saved.Problem) {
  case SaveProblem::None:
    return;
  case SaveProblem::NotACalendarFile:
    Desktop::Notice(this, QStringLiteral("%1 已存在，而且不是日历文件，没有覆盖它。请换一个文件名。").arg(path));
    return;
  case SaveProblem::NotARegularFile:
    Desktop::Notice(this, QStringLiteral("无法写入 %1：它不是普通文件。").arg(path));
    return;
  case SaveProblem::WriteFailed:
    Desktop::Notice(this, QStringLiteral("无法写入 %1：%2").arg(path, saved.Reason));
    return;
  }
}
