// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialog seam on real Qt dialogs. The boxes are built by separate
// functions so that their German texts can be checked without showing them.
#include "dialogs.h"

#include <memory>

class QMessageBox;

class QtDialogs : public Dialogs
{
  public:
    Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon, int buttons,
                   Button defaultButton = Ok) override;
    bool inputBox(QWidget *parent, const QString &caption, const QString &prompt, QString &value) override;
    QString saveFileName(QWidget *parent, const SaveFileOptions &options) override;
    QString openFileName(QWidget *parent, const SaveFileOptions &options) override;
    bool printerDialog(QWidget *parent, QPrinter &printer) override;
    int exec(QDialog &dialog) override;

    // The message box as message() shows it, not yet shown.
    static std::unique_ptr<QMessageBox> makeMessageBox(QWidget *parent, const QString &caption,
                                                       const QString &text, Icon icon, int buttons,
                                                       Button defaultButton);
    // The button of ours that was pressed in such a box; Cancel when none was.
    static Button pressedButton(const QMessageBox &box);
    // The one-line input box as inputBox() shows it; its line edit is named "value".
    static std::unique_ptr<QDialog> makeInputBox(QWidget *parent, const QString &caption,
                                                 const QString &prompt, const QString &value);
};
