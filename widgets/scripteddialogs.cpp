// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripteddialogs.h"

#include <QDialog>
#include <QMetaObject>

namespace {

QString kindName(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Message:
        return QStringLiteral("message box");
    case ScriptedDialogs::Kind::Input:
        return QStringLiteral("input box");
    case ScriptedDialogs::Kind::SaveFile:
        return QStringLiteral("save-file dialog");
    case ScriptedDialogs::Kind::OpenFile:
        return QStringLiteral("open-file dialog");
    case ScriptedDialogs::Kind::Printer:
        return QStringLiteral("printer dialog");
    case ScriptedDialogs::Kind::Exec:
        return QStringLiteral("dialog");
    }
    return QString();
}

} // namespace

ScriptedDialogs &ScriptedDialogs::answerMessage(Button button)
{
    m_script.push_back(Answer{Kind::Message, button, false, {}, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerInput(const QString &text)
{
    m_script.push_back(Answer{Kind::Input, Ok, true, text, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancelInput()
{
    m_script.push_back(Answer{Kind::Input, Cancel, false, {}, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerSaveFile(const QString &fileName)
{
    m_script.push_back(Answer{Kind::SaveFile, Ok, !fileName.isEmpty(), fileName, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancelSaveFile()
{
    return answerSaveFile(QString());
}

ScriptedDialogs &ScriptedDialogs::answerOpenFile(const QString &fileName)
{
    m_script.push_back(Answer{Kind::OpenFile, Ok, !fileName.isEmpty(), fileName, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerPrinter(bool accept)
{
    m_script.push_back(Answer{Kind::Printer, accept ? Ok : Cancel, accept, {}, {}});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::choosePrinter(PrinterHandler handler)
{
    m_script.push_back(Answer{Kind::Printer, Ok, true, {}, {}, std::move(handler)});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerExec(ExecHandler handler)
{
    m_script.push_back(Answer{Kind::Exec, Ok, true, {}, std::move(handler)});
    return *this;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Interaction &i : m_log)
        if (i.kind == Kind::Message) out << i.caption + QLatin1Char('|') + i.text;
    return out;
}

void ScriptedDialogs::clear()
{
    m_script.clear();
    m_log.clear();
    m_unexpected.clear();
}

QString ScriptedDialogs::describe(const Interaction &i)
{
    return QStringLiteral("%1 \"%2\": \"%3\"").arg(kindName(i.kind), i.caption, i.text);
}

void ScriptedDialogs::reject(Interaction &i, const QString &why)
{
    i.answered = false;
    m_log << i;
    const QString text = QStringLiteral("unexpected %1 (%2)").arg(describe(i), why);
    m_unexpected << text;
    qWarning("ScriptedDialogs: %s", qPrintable(text));
    if (onUnexpected) onUnexpected(text);
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(Interaction &i)
{
    if (m_script.empty()) {
        reject(i, QStringLiteral("no answer left"));
        return std::nullopt;
    }
    if (m_script.front().kind != i.kind) {
        reject(i, QStringLiteral("the next answer is for a %1").arg(kindName(m_script.front().kind)));
        return std::nullopt;
    }
    if (i.kind == Kind::Message && !(i.buttons & m_script.front().button)) {
        reject(i, QStringLiteral("the scripted button is not offered"));
        return std::nullopt;
    }
    // Taken by value: an exec handler may ask further questions while it runs.
    Answer a = std::move(m_script.front());
    m_script.pop_front();
    i.answered = true;
    m_log << i;
    return a;
}

Dialogs::Button ScriptedDialogs::message(QWidget *, const QString &caption, const QString &text, Icon icon,
                                         int buttons, Button defaultButton)
{
    Interaction i;
    i.kind = Kind::Message;
    i.caption = caption;
    i.text = text;
    i.icon = icon;
    i.buttons = buttons;
    i.defaultButton = defaultButton;
    const std::optional<Answer> a = take(i);
    return a ? a->button : Cancel;
}

bool ScriptedDialogs::inputBox(QWidget *, const QString &caption, const QString &prompt, QString &value)
{
    Interaction i;
    i.kind = Kind::Input;
    i.caption = caption;
    i.text = prompt;
    i.value = value;
    const std::optional<Answer> a = take(i);
    if (!a || !a->accept) return false;
    value = a->text;
    return true;
}

QString ScriptedDialogs::saveFileName(QWidget *, const SaveFileOptions &options)
{
    Interaction i;
    i.kind = Kind::SaveFile;
    i.caption = options.caption;
    i.text = options.filter;
    i.value = options.fileName;
    i.saveOptions = options;
    const std::optional<Answer> a = take(i);
    return a ? a->text : QString();
}

QString ScriptedDialogs::openFileName(QWidget *, const SaveFileOptions &options)
{
    Interaction i;
    i.kind = Kind::OpenFile;
    i.caption = options.caption;
    i.text = options.filter;
    i.saveOptions = options;
    const std::optional<Answer> a = take(i);
    return a ? a->text : QString();
}

bool ScriptedDialogs::printerDialog(QWidget *, QPrinter &printer)
{
    Interaction i;
    i.kind = Kind::Printer;
    const std::optional<Answer> a = take(i);
    if (a && a->printer) return a->printer(printer);
    return a && a->accept;
}

int ScriptedDialogs::exec(QDialog &dialog)
{
    Interaction i;
    i.kind = Kind::Exec;
    i.caption = dialog.windowTitle();
    i.text = QString::fromLatin1(dialog.metaObject()->className());
    const std::optional<Answer> a = take(i);
    if (!a) return QDialog::Rejected;
    const int result = a->handler ? a->handler(dialog) : QDialog::Accepted;
    dialog.setResult(result);
    return result;
}

ScriptedDialogsScope::ScriptedDialogsScope() : m_previous(&Dialogs::instance())
{
    Dialogs::setInstance(&m_dialogs);
}

ScriptedDialogsScope::~ScriptedDialogsScope()
{
    Dialogs::setInstance(m_previous);
}
