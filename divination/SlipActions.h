#pragma once
// What the divination window offers beyond its report: saving or copying the
// reading as a slip picture, recording each completed reading in the journal,
// and opening the journal. The commands sit in the report's context menu and
// on keys of the window (Ctrl+S, Ctrl+Shift+C, Ctrl+J); nothing of the
// window's layout changes.

#include "SignSlip.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QWidget;

// Saves slip through the save dialog; reports a failure through
// Desktop::Notice.
void SaveSlipAsked(QWidget *parent, const SignSlip &slip);
// Puts the slip picture on the clipboard.
void CopySlip(const SignSlip &slip);

class SlipActions : public QObject {
  Q_OBJECT

public:
  // Adds the commands to window and to memo's context menu.
  SlipActions(QWidget *window, QPlainTextEdit *memo);

  // A report began: until it completes there is no slip to save.
  void ReportStarted();
  // A report of characters (GBK) completed: its slip is cast, and recorded in
  // the journal, as soon as the compute action has returned.
  void ReportCompleted(const QByteArray &characters);

  const std::optional<SignSlip> &LastSlip() const { return Last; }
  // The note of recordings still waiting for the journal; hidden when none.
  QLabel *WaitingNote() const { return Waiting; }
  QAction *SaveAction() const { return Save; }
  QAction *CopyAction() const { return Copy; }
  QAction *JournalAction() const { return Journal; }

private:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void ShowMenu(const QPoint &position);
  void Record(const SignSlip &slip, const QDateTime &time);
  // Shows how many recordings wait to be written, in a corner of the report.
  void ShowWaiting();

  QWidget *Window;
  QPlainTextEdit *Memo;
  QAction *Save;
  QAction *Copy;
  QAction *Journal;
  QLabel *Waiting;
  std::optional<SignSlip> Last;
  // Counts reports, so that a slip cast late belongs to the latest one.
  quint64 Generation = 0;
};

// A journal problem is told once per run of the program, not at every
// reading; tests reset it.
void ResetJournalNotice();
