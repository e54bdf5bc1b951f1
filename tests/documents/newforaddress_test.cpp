// SPDX-License-Identifier: GPL-3.0-or-later
// New documents for the current address from the address window, and the
// main window's "Neuer Vorgang": the question, the document made in the one
// editor, its number range, address block and due date.
#include "editorfixture.h"

#include "addresses/tfadr.h"
#include "base/textfiles.h"
#include "documents/tfvadr.h"
#include "tests/realboxes.h"

#include <QAction>
#include <QMenu>

namespace {

class NewForAddress : public EditorFixture
{
  protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        QDir(db->folder()).mkpath(QStringLiteral("notiz"));
        TextFiles::saveLines(db->folder() + QStringLiteral("/notiz/typ.txt"), {QStringLiteral("Anruf")});
        address(7, QStringLiteral("Muster"), QStringLiteral("Eva"));
        address(8, QStringLiteral("Adler GmbH"));
        openMain();
        main->Kontakte1->trigger();
        adr = qobject_cast<TFAdr *>(main->FAdr.data());
        ASSERT_NE(adr, nullptr);
    }
    void showAddress(int kdnr)
    {
        TVexDaoTable &a = addresses->Adress;
        for (a.First(); !a.Eof(); a.Next())
            if (a.FieldByName(QStringLiteral("kdnr"))->AsInteger() == kdnr) return;
        FAIL() << "no address " << kdnr;
    }
    QString question()
    {
        return dialogs->interactions().isEmpty() ? QString() : dialogs->interactions().last().text;
    }

    TFAdr *adr = nullptr;
};

TEST_F(NewForAddress, TheButtonMakesAnInvoiceAndItsMenuTheFiveKinds)
{
    EXPECT_TRUE(adr->ToolButton3->isEnabled());
    ASSERT_NE(adr->ToolButton3->menu(), nullptr);
    QStringList captions;
    for (QAction *a : adr->ToolButton3->menu()->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{QStringLiteral("&Rechnung anlegen"), QStringLiteral("&Angebot anlegen"),
                                     QStringLiteral("-"), QStringLiteral("&Lieferschein anlegen"),
                                     QStringLiteral("&Bestellung anlegen"), QStringLiteral("-"),
                                     QStringLiteral("&Vertrag anlegen")}));

    showAddress(7);
    dialogs->answerMessage(Dialogs::Yes);
    adr->ToolButton3->click();
    EXPECT_EQ(question(), QStringLiteral("Neue Rechnung für Eva Muster anlegen?"));
    TFVorgang *editor = editorInMain();
    ASSERT_NE(editor, nullptr);
    const qint64 id = doc("id")->AsInteger();
    EXPECT_EQ(stored(id, "typ"), QStringLiteral("R"));
    EXPECT_EQ(stored(id, "vorgangnr"), QStringLiteral("10000"));
    EXPECT_EQ(stored(id, "kdnr"), QStringLiteral("7"));
    EXPECT_EQ(stored(id, "datum"), QStringLiteral("2005-03-15"));
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Eva Muster\rAm Markt 1\r34117 Kassel"));
    EXPECT_EQ(doc("zieldatum")->AsDate(), QDate(2005, 3, 22));
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Vorgang: Rechnung R-10000"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(FVadrRef()) << "the borrowed chooser is gone again";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(NewForAddress, EachKindAsksWithItsTitleAndCountsInItsRange)
{
    struct Case
    {
        QAction *item;
        QString question, typ, number;
    };
    showAddress(8); // no first name: no leading blank in the question
    const QList<Case> cases{
        {adr->NeuesAngebot1, QStringLiteral("Neues Angebot für Adler GmbH anlegen?"), QStringLiteral("A"),
         QStringLiteral("5000")},
        {adr->NeuerLieferschein1, QStringLiteral("Neuen Lieferschein für Adler GmbH anlegen?"),
         QStringLiteral("L"), QStringLiteral("10000")},
        {adr->Bestellunganlegen1, QStringLiteral("Neue Bestellung für Adler GmbH anlegen?"),
         QStringLiteral("B"), QStringLiteral("1000")},
        {adr->VertragMonatlich1, QStringLiteral("Neuer Vertrag für Adler GmbH anlegen?"), QStringLiteral("V"),
         QStringLiteral("30000")},
        {adr->NeueRechnung2, QStringLiteral("Neue Rechnung für Adler GmbH anlegen?"), QStringLiteral("R"),
         QStringLiteral("10000")},
    };
    QPointer<TFVorgang> first;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.question.toStdString());
        dialogs->answerMessage(Dialogs::Yes);
        c.item->trigger();
        EXPECT_EQ(question(), c.question);
        EXPECT_EQ(doc("typ")->AsString(), c.typ);
        EXPECT_EQ(doc("vorgangnr")->AsString(), c.number);
        EXPECT_EQ(doc("kdnr")->AsInteger(), 8);
        if (!first) first = editorInMain();
        EXPECT_EQ(editorInMain(), first.data()) << "one editor shows each new document";
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 5) << "each earlier one saved";
    EXPECT_TRUE(first->typbox->isVisible() == false);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(NewForAddress, NoOrAVanishedAddressMakesNothing)
{
    showAddress(7);
    dialogs->answerMessage(Dialogs::No);
    adr->NeueRechnung1Click();
    EXPECT_EQ(editorInMain(), nullptr) << "no window made";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 0);

    // Another program removed the address meanwhile.
    db->exec(QStringLiteral("delete from Adress where kdnr = 7"));
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerMessage(Dialogs::Ok);
    adr->NeueRechnung1Click();
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|Adresse nicht gefunden"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 0);
    EXPECT_EQ(editorInMain(), nullptr);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(NewForAddress, TheMainWindowsButtonOpensTheEditorAndStartsADocument)
{
    EXPECT_TRUE(main->vorgangneu->isEnabled());
    dialogs->answerMessage(Dialogs::Yes);
    dialogs->answerExec([](QDialog &d) {
        auto &chooser = static_cast<TFVadr &>(d);
        chooser.adr->First(); // Adler GmbH, in name order
        chooser.uebernahmeClick();
        return int(QDialog::Accepted);
    });
    main->vorgangneu->trigger();
    TFVorgang *editor = editorInMain();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->parentWidget()->isMaximized());
    EXPECT_EQ(doc("kdnr")->AsInteger(), 8);
    EXPECT_EQ(doc("vorgangnr")->AsString(), QStringLiteral("10000"));
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Vorgang: Rechnung R-10000"));

    // Closing saves and frees it; the next use makes a new one.
    editor->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->FVorgang.isNull());
    EXPECT_EQ(stored(doc("id")->AsInteger(), "zieldatum"), QStringLiteral("2005-03-22"));
    main->ShowVorgangEditor();
    EXPECT_NE(editorInMain(), nullptr);
    EXPECT_TRUE(dialogs->allAnswered());
}

} // namespace

// The editor the user just asked for comes to the front with the focus,
// also when the question was a real box and the window system gives the
// focus back only afterwards.
TEST_F(NewForAddress, TheNewDocumentsEditorStaysInFrontWithTheFocus)
{
    showAddress(8);
    adr->setFocus();
    {
        RealMessageBoxes boxes;
        adr->NeuesAngebot1->trigger();
        ASSERT_EQ(boxes.texts, QStringList{QStringLiteral("Neues Angebot für Adler GmbH anlegen?")});
    }
    QApplication::setActiveWindow(main.get());
    QCoreApplication::processEvents();
    TFVorgang *editor = editorInMain();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(main->activeChild(), editor);
    EXPECT_TRUE(editor->isAncestorOf(QApplication::focusWidget()))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
}

// After "Position bearbeiten" the editor is in front again, whichever window
// had the focus while the dialog was open.
TEST_F(NewForAddress, AfterThePositionDialogTheEditorIsInFront)
{
    showAddress(8);
    dialogs->answerMessage(Dialogs::Yes);
    adr->NeuesAngebot1->trigger();
    TFVorgang *editor = editorInMain();
    ASSERT_NE(editor, nullptr);
    Data->vorgangdata.Insert();
    Data->vorgangdata.FieldByName(QStringLiteral("Titel"))->SetAsString(QStringLiteral("Kabel"));
    Data->vorgangdata.Post();
    main->Kontakte1->trigger(); // the address window in front, as while choosing an article
    ASSERT_EQ(main->activeChild(), adr);
    dialogs->answerExec([](QDialog &) { return int(QDialog::Accepted); });
    editor->PosshowClick();
    QApplication::setActiveWindow(main.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(main->activeChild(), editor);
    EXPECT_TRUE(editor->isAncestorOf(QApplication::focusWidget()));
    EXPECT_TRUE(dialogs->allAnswered());
}
