// SPDX-License-Identifier: GPL-3.0-or-later
// An error that no operation catches ends that operation in the error box;
// the program goes on.
#include "base/apperror.h"
#include "widgets/scripteddialogs.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(ErrorBox, AnErrorThrownByAClickedSlotIsShownAndTheProgramGoesOn)
{
    ScriptedDialogsScope dialogs;
    dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    QPushButton button(QStringLiteral("Speichern"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&clicks] {
        ++clicks;
        if (clicks == 1) throw AppError(QStringLiteral("Kunde nicht gefunden"));
        if (clicks == 2) throw std::runtime_error("Speicher voll");
    });
    button.show();

    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);

    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(dialogs->messages(), (QStringList{QStringLiteral("Tavirelsverwaltung|Kunde nicht gefunden."),
                                                QStringLiteral("Tavirelsverwaltung|Speicher voll.")}));
    EXPECT_FALSE(button.isDown());
}

TEST(ErrorBox, AnErrorOfAQueuedCallIsShownToo)
{
    ScriptedDialogsScope dialogs;
    dialogs->answerMessage(Dialogs::Ok);
    QObject target;
    QMetaObject::invokeMethod(
        &target, [] { throw AppError(QStringLiteral("Datei nicht gefunden")); }, Qt::QueuedConnection);
    QCoreApplication::sendPostedEvents(&target, QEvent::MetaCall);
    EXPECT_EQ(dialogs->messages(), QStringList{QStringLiteral("Tavirelsverwaltung|Datei nicht gefunden.")});
}
