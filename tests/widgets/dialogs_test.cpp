// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog seam: the error box text, the German message and input boxes of
// the Qt implementation, and the scripted seam the window tests rely on.
#include "tests/testdb.h"
#include "widgets/qtdialogs.h"
#include "widgets/scripteddialogs.h"

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterIt)
{
    EXPECT_EQ(ErrorBoxText(QStringLiteral("x")), QStringLiteral("x."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("x!")), QStringLiteral("x!"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("x.")), QStringLiteral("x."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("(x)")), QStringLiteral("(x)"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Feld 'VK'")), QStringLiteral("Feld 'VK'"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Seite 3")), QStringLiteral("Seite 3."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Wirklich?")), QStringLiteral("Wirklich?."));
    EXPECT_EQ(ErrorBoxText(QString()), QString());
}

TEST(ErrorBox, GoesThroughTheSeamWithCaptionIconAndOk)
{
    ScriptedDialogsScope dialogs;
    dialogs->answerMessage(Dialogs::Ok);
    ShowErrorBox(QStringLiteral("Datei fehlt"));
    ASSERT_EQ(dialogs->interactions().size(), 1);
    const auto &i = dialogs->interactions().first();
    EXPECT_EQ(i.kind, ScriptedDialogs::Kind::Message);
    EXPECT_EQ(i.caption, QStringLiteral("Tavirelsverwaltung"));
    EXPECT_EQ(i.text, QStringLiteral("Datei fehlt."));
    EXPECT_EQ(i.icon, Dialogs::Error);
    EXPECT_EQ(i.buttons, int(Dialogs::Ok));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST(QtDialogsBoxes, MessageBoxHasExactlyTheGermanButtonsAskedFor)
{
    auto box = QtDialogs::makeMessageBox(nullptr, QStringLiteral("Frage"), QStringLiteral("Löschen?"),
                                         Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel,
                                         Dialogs::No);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Frage"));
    EXPECT_EQ(box->text(), QStringLiteral("Löschen?"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QStringList texts;
    for (QAbstractButton *b : box->buttons())
        texts << b->text();
    texts.sort();
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"), QStringLiteral("Abbrechen")}));
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
    EXPECT_EQ(QtDialogs::pressedButton(*box), Dialogs::Cancel) << "closed without a button";
    box->button(QMessageBox::Yes)->click();
    EXPECT_EQ(QtDialogs::pressedButton(*box), Dialogs::Yes);

    auto ok =
        QtDialogs::makeMessageBox(nullptr, QString(), QString(), Dialogs::Error, Dialogs::Ok, Dialogs::Ok);
    ASSERT_EQ(ok->buttons().size(), 1);
    EXPECT_EQ(ok->buttons().first()->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->icon(), QMessageBox::Critical);
}

TEST(ScriptedSeam, AnswersInOrderAndRecordsEveryQuestion)
{
    ScriptedDialogsScope dialogs;
    dialogs->answerMessage(Dialogs::No)
        .answerInput(QStringLiteral("42"))
        .answerSaveFile(QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(Dialogs::instance().message(nullptr, QStringLiteral("Vorgang"), QStringLiteral("Speichern?"),
                                          Dialogs::Question, Dialogs::Yes | Dialogs::No),
              Dialogs::No);
    QString value = QStringLiteral("1");
    EXPECT_TRUE(
        Dialogs::instance().inputBox(nullptr, QStringLiteral("Druck"), QStringLiteral("Nr.:"), value));
    EXPECT_EQ(value, QStringLiteral("42"));
    Dialogs::SaveFileOptions options;
    options.caption = QStringLiteral("Export");
    options.defaultSuffix = QStringLiteral("txt");
    EXPECT_EQ(Dialogs::instance().saveFileName(nullptr, options), QStringLiteral("/tmp/a.txt"));

    EXPECT_TRUE(dialogs->allAnswered());
    const auto &log = dialogs->interactions();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0].icon, Dialogs::Question);
    EXPECT_EQ(log[0].buttons, Dialogs::Yes | Dialogs::No);
    EXPECT_EQ(log[1].kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(log[1].text, QStringLiteral("Nr.:"));
    EXPECT_EQ(log[1].value, QStringLiteral("1"));
    EXPECT_EQ(log[2].saveOptions.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(dialogs->messages(), QStringList{QStringLiteral("Vorgang|Speichern?")});

    dialogs->cancelInput().cancelSaveFile().answerPrinter(false);
    EXPECT_FALSE(Dialogs::instance().inputBox(nullptr, QString(), QString(), value));
    EXPECT_EQ(value, QStringLiteral("42")) << "a cancelled input box leaves the value alone";
    EXPECT_TRUE(Dialogs::instance().saveFileName(nullptr, {}).isEmpty());
    QPrinter printer;
    EXPECT_FALSE(Dialogs::instance().printerDialog(nullptr, printer));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST(ScriptedSeam, UnexpectedQuestionsAreRecordedAndRefused)
{
    ScriptedDialogsScope dialogs;
    QStringList reported;
    dialogs->onUnexpected = [&](const QString &what) { reported << what; };
    // Nothing scripted.
    EXPECT_EQ(Dialogs::instance().message(nullptr, QStringLiteral("T"), QStringLiteral("Hallo"),
                                          Dialogs::Warning, Dialogs::Ok),
              Dialogs::Cancel);
    // The next answer is of another kind: it stays for its own question.
    dialogs->answerInput(QStringLiteral("x"));
    EXPECT_EQ(Dialogs::instance().message(nullptr, QStringLiteral("T"), QStringLiteral("Zwei"),
                                          Dialogs::Warning, Dialogs::Ok),
              Dialogs::Cancel);
    EXPECT_EQ(dialogs->pending(), 1);
    QString v;
    EXPECT_TRUE(Dialogs::instance().inputBox(nullptr, QString(), QString(), v));
    // A button the box does not offer.
    dialogs->answerMessage(Dialogs::Yes);
    EXPECT_EQ(Dialogs::instance().message(nullptr, QStringLiteral("T"), QStringLiteral("Drei"),
                                          Dialogs::Information, Dialogs::Ok),
              Dialogs::Cancel);

    EXPECT_FALSE(dialogs->allAnswered());
    ASSERT_EQ(dialogs->unexpected().size(), 3);
    EXPECT_EQ(reported, dialogs->unexpected());
    EXPECT_TRUE(dialogs->unexpected()[1].contains(QStringLiteral("Zwei")));
    EXPECT_FALSE(dialogs->interactions()[0].answered);
}

TEST(ScriptedSeam, ExecHandlerFillsTheDialogAndMayAskFurtherQuestions)
{
    ScriptedDialogsScope dialogs;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Kalender"));
    auto *edit = new QLineEdit(&dialog);
    dialogs->answerExec([&](QDialog &d) {
        d.findChild<QLineEdit *>()->setText(QStringLiteral("01.02.2005"));
        Dialogs::instance().message(&d, QStringLiteral("K"), QStringLiteral("Sicher?"), Dialogs::Question,
                                    Dialogs::Yes | Dialogs::No);
        return int(QDialog::Accepted);
    });
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerExec({});
    EXPECT_EQ(Dialogs::instance().exec(dialog), QDialog::Accepted);
    EXPECT_EQ(edit->text(), QStringLiteral("01.02.2005"));
    EXPECT_EQ(dialogs->interactions()[0].caption, QStringLiteral("Kalender"));
    EXPECT_EQ(dialogs->interactions()[1].text, QStringLiteral("Sicher?"));
    EXPECT_EQ(Dialogs::instance().exec(dialog), QDialog::Accepted) << "no handler: accepted as it is";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST(ScriptedSeam, ScopesRestoreThePreviousImplementation)
{
    Dialogs *qt = &Dialogs::instance();
    {
        ScriptedDialogsScope outer;
        EXPECT_EQ(&Dialogs::instance(), &outer.dialogs());
        {
            ScriptedDialogsScope inner;
            EXPECT_EQ(&Dialogs::instance(), &inner.dialogs());
        }
        EXPECT_EQ(&Dialogs::instance(), &outer.dialogs());
    }
    EXPECT_EQ(&Dialogs::instance(), qt);
    EXPECT_NE(dynamic_cast<QtDialogs *>(qt), nullptr);
}

} // namespace
