// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"

#include "qtdialogs.h"

#include "base/apperror.h"

namespace {

Dialogs *g_installed = nullptr;

} // namespace

Dialogs &Dialogs::instance()
{
    static QtDialogs qtDialogs;
    return g_installed ? *g_installed : qtDialogs;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    g_installed = dialogs;
}

void ShowErrorsOf(QWidget *parent, const std::function<void()> &work)
{
    try {
        work();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), parent);
    }
}

QString ErrorBoxText(const QString &message)
{
    // Messages that end in a word or a closing quote get their full stop here,
    // so that the layer's messages need not carry one.
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void ShowErrorBox(const QString &message, QWidget *parent)
{
    Dialogs::instance().message(parent, QStringLiteral("Tavirelsverwaltung"), ErrorBoxText(message),
                                Dialogs::Error, Dialogs::Ok, Dialogs::Ok);
}
