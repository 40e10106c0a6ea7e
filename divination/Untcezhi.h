#pragma once
// The character divination window: the user types three Chinese characters,
// one per edit, and "测算" writes the selected sign's title and text into the
// memo as a five-line report.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringView>

#include <memory>

class QLabel;
class QLineEdit;

namespace Ui {
class TFrmcezhi;
}

// The introduction of the window: thirteen lines separated by a carriage
// return alone.
extern const QString IntroductionText;

// The key filter of the three edits: a typed character code below 127 is
// discarded unless it is 8 (backspace) or 13 (Enter).
constexpr bool PassesKeyFilter(char32_t code) { return code >= 127 || code == 8 || code == 13; }

// What an edit holding `before` shows after an edit turned it into `after`,
// when it holds at most two bytes of GBK text: the inserted part is kept as
// far as it fits, whole characters only; a character with no GBK form is
// refused. Typing into a full edit thus changes nothing, and a pasted longer
// text is cut to what fits.
QString FitEditText(QStringView before, QStringView after, qsizetype maxBytes = 2);

// What the label over an edit shows for the edit's text, as soon as it is
// typed: the traditional form whose strokes count and the count the sign
// computation uses ("雲 12画"); "无此字" when the sign database has no row
// for the character or the text is not one two-byte character; nothing for
// a blank edit, nor when the lookup fails (typing never ends in an error).
QString StrokeNote(QStringView text);

class TFrmcezhi : public QDialog {
  Q_OBJECT

public:
  explicit TFrmcezhi(QWidget *parent = nullptr);
  ~TFrmcezhi() override;

  // "测算": the five-line report of the three characters. Ends early, through
  // SilentAbort, when a lookup fails; the lines already written stay.
  void RzBitBtn1Click();
signals:
  // A compute action began writing a report / finished one whole.
  void ReportStarted();
  void ReportCompleted(const QByteArray &characters);

public:
  // "清除": empties the three edits; the memo keeps its report.
  void RzBitBtn2Click();
  // "关闭".
  void RzBitBtn3Click();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // The key filter of RzEdit1..3 (the designed RzEdit1KeyPress and its
  // siblings): true when the key press is consumed.
  bool EditKeyPress(QLineEdit *edit, const QString &typed);
  void EditTextEdited(QLineEdit *edit, const QString &text);
  // Shows StrokeNote of the edit in its label and tells screen readers.
  void ShowStrokeNote(QLineEdit *edit, QLabel *label);
  void AppendLine(const QByteArray &lineGbk);

  std::unique_ptr<Ui::TFrmcezhi> ui;
  // Each edit's text before the user's latest change, for FitEditText.
  QString Accepted[3];
};

// Creates a divination window without owner, shows it modally and returns when
// it closes; the window frees itself.
void ShowCharacterDivination();
