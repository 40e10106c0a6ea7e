#pragma once
// The modal questions the program puts to its user, as Seams (Seam.h): tests
// give the answers instead of a dialog.

#include "Seam.h"

#include <QString>

class QWidget;

namespace Desktop {

// The file to save to, from the save dialog titled title, offering suggested
// and the file types of filter (QFileDialog's form); empty when cancelled.
extern Seam<QString(QWidget *parent, const QString &title, const QString &suggested, const QString &filter)>
    AskSaveFile;
// Tells the user something that went wrong, without stopping anything.
extern Seam<void(QWidget *parent, const QString &text)> Notice;
// Asks a yes/no question; true for yes, No is the default button.
extern Seam<bool(QWidget *parent, const QString &text)> Confirm;

} // namespace Desktop
