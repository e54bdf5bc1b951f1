// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialog seam: every modal interaction of the program (message boxes,
// questions, the input box, the save-file dialog, the printer dialog and the
// program's own modal dialogs such as the calendar) goes through this one
// interface. The program uses the Qt implementation; tests install a scripted
// one that answers and records each question.
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QPrinter;
class QWidget;

class Dialogs
{
  public:
    enum Icon { NoIcon, Information, Warning, Error, Question };
    enum Button { Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };

    struct SaveFileOptions
    {
        QString caption;
        QString defaultSuffix; // "txt"
        QString filter;        // "Textdateien (*.txt);;Alle Dateien (*)"
        QString directory;
        QString fileName;
        bool confirmOverwrite = true;
    };

    virtual ~Dialogs() = default;

    // A message box with German button texts ("Ja", "Nein", "Abbrechen", "OK");
    // returns the button pressed (Cancel when the box is closed otherwise).
    virtual Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                           int buttons, Button defaultButton = Ok) = 0;
    // The one-line input box; false when cancelled, value unchanged then.
    virtual bool inputBox(QWidget *parent, const QString &caption, const QString &prompt, QString &value) = 0;
    // The save-file dialog; empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const SaveFileOptions &options) = 0;
    // The open-file dialog for one existing file (caption, filter, directory
    // of the options); empty when cancelled.
    virtual QString openFileName(QWidget *parent, const SaveFileOptions &options) = 0;
    // The printer dialog; false when cancelled.
    virtual bool printerDialog(QWidget *parent, QPrinter &printer) = 0;
    // Runs one of the program's own modal dialogs; returns its result code
    // (QDialog::Accepted or QDialog::Rejected).
    virtual int exec(QDialog &dialog) = 0;

    // The implementation in use (the Qt one unless a test installed another).
    static Dialogs &instance();
    static void setInstance(Dialogs *dialogs); // null = the Qt one again
};

// The application's error box: caption "Tavirelsverwaltung", error icon, OK;
// the message followed by "." when its last character sorts after the full stop.
void ShowErrorBox(const QString &message, QWidget *parent = nullptr);
QString ErrorBoxText(const QString &message);
// Runs what a handler does; what it refuses (an AppError) is shown in the
// error box over the parent and ends the handler there, so that no error
// leaves a slot for Qt to meet.
void ShowErrorsOf(QWidget *parent, const std::function<void()> &work);
