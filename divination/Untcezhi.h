#pragma once
// The character divination window: the user types three Chinese characters,
// one per edit, and "测算" writes the selected sign's title and text into the
// memo as a five-line report.

#include "CharacterEntry.h"

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
  // Each edit's key filter, two-byte rule and stroke note.
  void ConnectEdits();
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
