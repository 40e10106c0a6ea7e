#pragma once
// The journal window ("测字记录"): past divinations newest first, searchable
// by character, sign number or sign name; each can be reopened as its full
// report and slip picture, deleted one by one or all together, and the list
// exported as CSV. A box switches recording on or off.

#include "SignJournal.h"
#include "SignSlip.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLineEdit;
class QTreeWidget;

namespace Ui {
class TFrmJournal;
class TFrmSlipView;
} // namespace Ui

class TFrmJournal : public QDialog {
  Q_OBJECT

public:
  explicit TFrmJournal(QWidget *parent = nullptr, const QString &journalFile = DefaultJournalFile());
  ~TFrmJournal() override;

  // Fills the list anew from the journal with the search text applied.
  void Refresh();
  void ViewSelected();
  void DeleteSelected();
  void DeleteAll();
  void ExportCsv();

  QTreeWidget *List() const;
  QLineEdit *Search() const;
  QCheckBox *RecordBox() const;

private:
  qint64 SelectedId() const;
  void EnableCommands();

  std::unique_ptr<Ui::TFrmJournal> ui;
  std::unique_ptr<SignJournal> Journal;
  // The entries the list shows, in its order: what the export writes.
  QList<JournalEntry> Shown;
};

// One reading reopened: its report as the divination window wrote it, and
// its slip picture, with the commands to save or copy the picture.
class TFrmSlipView : public QDialog {
  Q_OBJECT

public:
  TFrmSlipView(QWidget *parent, const SignSlip &slip, const QStringList &reportLines);
  ~TFrmSlipView() override;
  const SignSlip &Slip() const { return ShownSlip; }

private:
  std::unique_ptr<Ui::TFrmSlipView> ui;
  SignSlip ShownSlip;
};

// Opens the journal window modally over parent.
void ShowJournal(QWidget *parent);
