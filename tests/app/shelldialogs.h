#pragma once
// A small scripted dialog seam for the shell tests: records every message box
// as "caption|text" and answers from a queue (the default button when the
// queue is empty).
#include "widgets/dialogs.h"

#include <QStringList>
#include <deque>

class ShellDialogs : public Dialogs
{
  public:
    ShellDialogs() { Dialogs::setInstance(this); }
    ~ShellDialogs() override { Dialogs::setInstance(nullptr); }
    ShellDialogs(const ShellDialogs &) = delete;
    ShellDialogs &operator=(const ShellDialogs &) = delete;

    QStringList messages;
    std::deque<Button> answers;

    Button message(QWidget *, const QString &caption, const QString &text, Icon, int,
                   Button defaultButton) override
    {
        messages << caption + QLatin1Char('|') + text;
        if (answers.empty()) return defaultButton;
        const Button b = answers.front();
        answers.pop_front();
        return b;
    }
    bool inputBox(QWidget *, const QString &, const QString &, QString &) override { return false; }
    QString saveFileName(QWidget *, const SaveFileOptions &) override { return QString(); }
    bool printerDialog(QWidget *, QPrinter &) override { return false; }
    int exec(QDialog &) override { return 0; }
};
