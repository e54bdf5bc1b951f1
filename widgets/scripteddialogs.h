// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialog seam for tests: answers each modal question from a script, in
// order, and records every question asked with its exact texts. A question
// for which no fitting answer was scripted is recorded as unexpected and
// answered with Cancel / Rejected, so that a test notices it.
#include "dialogs.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class ScriptedDialogs : public Dialogs
{
  public:
    enum class Kind { Message, Input, SaveFile, OpenFile, Printer, Exec };

    struct Interaction
    {
        Kind kind = Kind::Message;
        QString caption;    // window title
        QString text;       // message or prompt; the class name for exec()
        Icon icon = NoIcon; // message boxes
        int buttons = 0;    // message boxes: the Button flags offered
        Button defaultButton = Ok;
        QString value; // input box: the proposed text; save dialog: the proposed file name
        SaveFileOptions saveOptions;
        bool answered = false; // false when nothing fitting was scripted
    };

    using ExecHandler = std::function<int(QDialog &)>;
    // Chooses in the printer dialog (page range, copies...); true confirms.
    using PrinterHandler = std::function<bool(QPrinter &)>;

    // ---- the script, consumed in order
    ScriptedDialogs &answerMessage(Button button);
    ScriptedDialogs &answerInput(const QString &text);
    ScriptedDialogs &cancelInput();
    ScriptedDialogs &answerSaveFile(const QString &fileName);
    ScriptedDialogs &cancelSaveFile();
    ScriptedDialogs &answerOpenFile(const QString &fileName);
    ScriptedDialogs &answerPrinter(bool accept);
    ScriptedDialogs &choosePrinter(PrinterHandler handler);
    // The handler may fill in the dialog's controls; it returns the result code.
    ScriptedDialogs &answerExec(ExecHandler handler);

    // ---- what happened
    const QList<Interaction> &interactions() const { return m_log; }
    // Only the message boxes, as "caption|text" for compact assertions.
    QStringList messages() const;
    // True when every scripted answer was used and nothing unexpected was asked.
    bool allAnswered() const { return m_script.empty() && m_unexpected.isEmpty(); }
    QStringList unexpected() const { return m_unexpected; }
    int pending() const { return int(m_script.size()); }
    void clear();
    // Called with a description of each unexpected question (tests report a failure there).
    std::function<void(const QString &)> onUnexpected;

    // ---- Dialogs
    Button message(QWidget *parent, const QString &caption, const QString &text, Icon icon, int buttons,
                   Button defaultButton = Ok) override;
    bool inputBox(QWidget *parent, const QString &caption, const QString &prompt, QString &value) override;
    QString saveFileName(QWidget *parent, const SaveFileOptions &options) override;
    QString openFileName(QWidget *parent, const SaveFileOptions &options) override;
    bool printerDialog(QWidget *parent, QPrinter &printer) override;
    int exec(QDialog &dialog) override;

    static QString describe(const Interaction &i);

  private:
    struct Answer
    {
        Kind kind;
        Button button = Cancel;
        bool accept = false;
        QString text;
        ExecHandler handler;
        PrinterHandler printer = {};
    };
    // The next answer when it is of this kind; records the interaction either way.
    std::optional<Answer> take(Interaction &i);
    void reject(Interaction &i, const QString &why);

    std::deque<Answer> m_script;
    QList<Interaction> m_log;
    QStringList m_unexpected;
};

// Installs a ScriptedDialogs for the lifetime of the scope and restores the
// implementation that was in use before.
class ScriptedDialogsScope
{
  public:
    ScriptedDialogsScope();
    ~ScriptedDialogsScope();
    ScriptedDialogsScope(const ScriptedDialogsScope &) = delete;
    ScriptedDialogsScope &operator=(const ScriptedDialogsScope &) = delete;

    ScriptedDialogs &dialogs() { return m_dialogs; }
    ScriptedDialogs *operator->() { return &m_dialogs; }
    ScriptedDialogs &operator*() { return m_dialogs; }

  private:
    ScriptedDialogs m_dialogs;
    Dialogs *m_previous;
};
