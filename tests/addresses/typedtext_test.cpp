// SPDX-License-Identifier: GPL-3.0-or-later
// Text still in a control of the address window when it closes belongs to
// the change the closing questions are about: "Nein" leaves all of it
// pending, "Ja" saves all of it, a refused value keeps the window, and
// ending the program takes it along too.
#include "addressfixture.h"

#include "app/tfmain.h"
#include "program/businesswindows.h"

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>

namespace {

class TypedTextOnClose : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1, QStringLiteral("Adler"));
        address(2, QStringLiteral("Bauer"));
        person(2, QStringLiteral("Eins"));
    }
    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AddressFixture::TearDown();
    }
    // The window inside the main window, editing on, on address 2.
    TFAdr *openInMainWindow()
    {
        openModule();
        main = std::make_unique<Tfmain>();
        RegisterBusinessWindows(*main);
        main->show();
        QApplication::setActiveWindow(main.get());
        main->Kontakte1->trigger();
        auto *w = qobject_cast<TFAdr *>(main->FAdr.data());
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        w->eingabeClick();
        EXPECT_TRUE(adress().Locate(QStringLiteral("KDNR"), Value(2), 0));
        return w;
    }
    // Types into the control as the user does, leaving the focus there.
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    QString storedOf(const char *column)
    {
        return db->scalar(QStringLiteral("select %1 from Adress where KDNR = 2").arg(QLatin1String(column)))
            .rawText();
    }
    static QString saveQuestion()
    {
        return QStringLiteral("Tavirelsverwaltung|Der aktuelle Datensatz ist noch nicht gespeichert. "
                              "Wollen Sie jetzt speichern?");
    }

    std::unique_ptr<Tfmain> main;
};

TEST_F(TypedTextOnClose, NeinLeavesBothFieldsPendingTheFocusedOneIncluded)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    typeInto(w->eStrasse, QStringLiteral("Hauptstr. 1"));
    typeInto(w->eOrt, QStringLiteral("Hamm"));
    ASSERT_TRUE(w->eOrt->hasFocus());

    dialogs->answerMessage(Dialogs::No);
    main->Schlieen1->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->FAdr.isNull());
    EXPECT_EQ(messages(), saveQuestion());
    EXPECT_EQ(adress().State(), DataSetState::Edit);
    EXPECT_EQ(current("STRASSE"), QStringLiteral("Hauptstr. 1"));
    EXPECT_EQ(current("ORT"), QStringLiteral("Hamm")) << "the focused field belongs to the edit";
    EXPECT_TRUE(storedOf("ORT").isEmpty());

    // The pending change is saved whole later, as at the end of the run.
    adress().Post();
    EXPECT_EQ(storedOf("STRASSE"), QStringLiteral("Hauptstr. 1"));
    EXPECT_EQ(storedOf("ORT"), QStringLiteral("Hamm"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(TypedTextOnClose, JaSavesTheFocusedFieldAndAContactCellToo)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    // A contact's name typed into its grid cell, the editor still open.
    w->DBGrid2->setFocus(Qt::TabFocusReason);
    w->DBGrid2->setCurrentIndex(w->DBGrid2->model()->index(0, 1));
    QTest::keyClick(w->DBGrid2, Qt::Key_F2);
    auto *cell = w->DBGrid2->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(cell, nullptr);
    cell->selectAll();
    QTest::keyClicks(cell, "Neu");
    ASSERT_TRUE(cell->hasFocus());

    dialogs->answerMessage(Dialogs::Yes);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|Der aktuelle Ansprechpartner ist noch nicht "
                                         "gespeichert. Wollen Sie jetzt speichern?"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen where FIRMAID = 2 and NAME = 'Neu'")), 1);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(TypedTextOnClose, CountryAndVatIdFollowTheTownAndAreStoredAsTheTaxCaseReadsThem)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    w->eOrt->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->eOrt, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->eLand) << "the country follows the town";
    typeInto(w->eLand, QStringLiteral("at"));
    typeInto(w->eUstId, QStringLiteral("ATU 1234 5678"));
    w->eOrt->setFocus(Qt::TabFocusReason);
    adress().Post();
    EXPECT_EQ(storedOf("LAND"), QStringLiteral("AT"));
    EXPECT_EQ(storedOf("USTID"), QStringLiteral("ATU 1234 5678"));
}

TEST_F(TypedTextOnClose, ARefusedValueKeepsTheWindowWithOneMessageAndNoQuestion)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    typeInto(w->eKontakt, QStringLiteral("31.02.2005"));
    dialogs->answerMessage(Dialogs::Ok);
    main->Schlieen1->trigger();
    EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|'31.02.2005' ist kein gültiges Datum."));
    EXPECT_EQ(main->FAdr.data(), w) << "the window stays for the correction";
    EXPECT_TRUE(w->eKontakt->hasFocus());
    EXPECT_EQ(w->eKontakt->text(), QStringLiteral("31.02.2005"));
    EXPECT_TRUE(dialogs->allAnswered());
    QTest::keyClick(w->eKontakt, Qt::Key_Escape);
}

TEST_F(TypedTextOnClose, ARefusedValueOnAnotherPageBringsItsPageBack)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    w->PControl->setCurrentWidget(w->TabSheet2);
    w->DBNavigator2->click(DBNavigator::Insert);
    typeInto(w->DBEdit1, QStringLiteral("gestern"));
    dialogs->answerMessage(Dialogs::Ok);
    w->PControl->setCurrentWidget(w->SAdr); // leaving tells once
    dialogs->answerMessage(Dialogs::Ok);
    main->Schlieen1->trigger();
    EXPECT_EQ(dialogs->messages().size(), 2) << messages().toStdString();
    EXPECT_EQ(main->FAdr.data(), w);
    EXPECT_EQ(w->PControl->currentWidget(), w->TabSheet2) << "the field in question is shown";
    EXPECT_TRUE(w->DBEdit1->hasFocus());
    EXPECT_TRUE(dialogs->allAnswered());
    QTest::keyClick(w->DBEdit1, Qt::Key_Escape);
}

TEST_F(TypedTextOnClose, EndingTakesTheTypedTextIntoThePendingChange)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    typeInto(w->eOrt, QStringLiteral("Hamm"));
    main->Beenden1->trigger();
    EXPECT_TRUE(main->FAdr.isNull()) << "ending asks nothing";
    EXPECT_TRUE(dialogs->interactions().isEmpty());
    EXPECT_EQ(current("ORT"), QStringLiteral("Hamm"));
    adress().Close(); // the end of the run saves the pending address
    EXPECT_EQ(storedOf("ORT"), QStringLiteral("Hamm"));
}

TEST_F(TypedTextOnClose, EndingStopsAtARefusedValue)
{
    TFAdr *w = openInMainWindow();
    ASSERT_NE(w, nullptr);
    typeInto(w->eKontakt, QStringLiteral("gestern"));
    dialogs->answerMessage(Dialogs::Ok);
    main->Beenden1->trigger();
    EXPECT_EQ(dialogs->messages().size(), 1);
    EXPECT_EQ(main->FAdr.data(), w);
    EXPECT_TRUE(main->isVisible()) << "the program runs on for the correction";
    EXPECT_TRUE(dialogs->allAnswered());
    QTest::keyClick(w->eKontakt, Qt::Key_Escape);
}

} // namespace
