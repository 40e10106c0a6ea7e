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
class QPushButton;
class QTreeWidget;

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

  QTreeWidget *List() const { return list; }
  QLineEdit *Search() const { return search; }
  QCheckBox *RecordBox() const { return record; }

private:
  qint64 SelectedId() const;

  std::unique_ptr<SignJournal> journal;
  QLineEdit *search;
  QTreeWidget *list;
  QPushButton *view;
  QPushButton *remove;
  QPushButton *removeAll;
  QPushButton *exportCsv;
  QCheckBox *record;
};

// One reading reopened: its report as the divination window wrote it, and
// its slip picture, with the commands to save or copy the picture.
class TFrmSlipView : public QDialog {
  Q_OBJECT

public:
  TFrmSlipView(QWidget *parent, const SignSlip &slip, const QStringList &reportLines);
  const SignSlip &Slip() const { return slip; }

private:
  SignSlip slip;
};

// Opens the journal window modally over parent.
void ShowJournal(QWidget *parent);
