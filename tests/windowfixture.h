// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every window test starts from: a fresh test database (the demo firm
// when the test asks for it) with today fixed, the program folder there, and
// the scripted dialog seam, where an unasked-for question fails the test.
#include "tests/modulesfixture.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>

class WindowFixture : public ModulesBase
{
  protected:
    void SetUp() override
    {
        startDatabase(demo, today);
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
    }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ModulesBase::TearDown();
    }

    // The message boxes asked so far, one "caption|text" a line.
    QString messages() { return dialogs->messages().join(QLatin1Char('\n')); }
    QString lastMessage() { return dialogs->messages().isEmpty() ? QString() : dialogs->messages().last(); }

    bool demo = false;
    QDate today = QDate(2005, 3, 15);
    ScriptedDialogsScope dialogs;
};
