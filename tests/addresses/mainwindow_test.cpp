// SPDX-License-Identifier: GPL-3.0-or-later
// The address window inside the main window: its menus merged while it is
// active, closing through "&Schließen" with its questions, the reference that
// empties, and the document commands that follow what the main window offers.
#include "addressfixture.h"

#include "app/tfmain.h"
#include "lists/tfvliste.h"
#include "program/businesswindows.h"
#include "tests/app/testwindows.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMenuBar>
#include <QToolButton>

namespace {

class InMainWindow : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(7, QStringLiteral("Adler"));
        openModule();
        main = std::make_unique<Tfmain>();
        RegisterBusinessWindows(*main);
        main->show();
        QApplication::setActiveWindow(main.get());
    }
    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AddressFixture::TearDown();
    }
    TFAdr *addressWindow() { return qobject_cast<TFAdr *>(main->FAdr.data()); }
    QStringList menuBarCaptions() const
    {
        QStringList captions;
        for (QAction *a : main->menuBar()->actions())
            if (a->isVisible()) captions << a->text();
        return captions;
    }

    std::unique_ptr<Tfmain> main;
};

TEST_F(InMainWindow, ItsThreeMenusStandBetweenStammdatenAndFensterWhileItIsActive)
{
    main->registerWindow(WindowKind::Artikel, [] { return new TestWindow(QStringLiteral("Artikel")); });
    const QStringList plain{QStringLiteral("&Datei"), QStringLiteral("&Stammdaten"),
                            QStringLiteral("&Fenster"), QStringLiteral("&Hilfe")};
    const QStringList merged{QStringLiteral("&Datei"),   QStringLiteral("&Stammdaten"),
                             QStringLiteral("&Adresse"), QStringLiteral("&Ansprechpartner"),
                             QStringLiteral("&Vorgang"), QStringLiteral("&Fenster"),
                             QStringLiteral("&Hilfe")};

    main->Kontakte1->trigger();
    ASSERT_NE(addressWindow(), nullptr);
    EXPECT_EQ(menuBarCaptions(), merged);
    EXPECT_FALSE(addressWindow()->MainMenu1->isVisible()) << "no second menu bar inside the frame";
    main->ArtikelListe1->trigger();
    EXPECT_EQ(menuBarCaptions(), plain);
    main->Kontakte1->trigger();
    EXPECT_EQ(menuBarCaptions(), merged);

    // The merged items act on the address window.
    addressWindow()->Bearbeitenerlauben1->trigger();
    EXPECT_TRUE(addressWindow()->editing());
}

TEST_F(InMainWindow, ClosingAsksAndTheReferenceEmptiesOnlyWhenItCloses)
{
    main->Kontakte1->trigger();
    QPointer<TFAdr> first = addressWindow();
    ASSERT_TRUE(first);
    adress().Edit();
    addresses->AdressORT->SetAsString(QStringLiteral("Hamm"));

    dialogs->answerMessage(Dialogs::Cancel);
    main->Schlieen1->trigger();
    EXPECT_EQ(main->FAdr.data(), first.data()) << "Cancel keeps the window and its reference";
    EXPECT_EQ(main->childWindows().size(), 1);

    dialogs->answerMessage(Dialogs::No);
    main->Schlieen1->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->FAdr.isNull());
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(adress().State(), DataSetState::Edit) << "the change outlives the window";

    main->Kontakte1->trigger();
    ASSERT_NE(addressWindow(), nullptr);
    EXPECT_EQ(addressWindow()->eOrt->text(), QStringLiteral("Hamm"));
    EXPECT_FALSE(addressWindow()->editing()) << "a new window starts with editing off";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(InMainWindow, DocumentCommandsFollowWhatTheMainWindowOffers)
{
    // A shell without the document windows.
    main->registerWindow(WindowKind::Vorgang, {});
    main->registerWindow(WindowKind::Vorgangsliste, {});
    main->Kontakte1->trigger();
    TFAdr *w = addressWindow();
    EXPECT_FALSE(w->Vorgangliste->isEnabled());
    EXPECT_FALSE(w->alleVorgngean1->isEnabled());
    EXPECT_FALSE(w->ToolButton3->isEnabled());

    int lists = 0;
    main->registerWindow(WindowKind::Vorgangsliste, [&lists] {
        ++lists;
        return new ListTestWindow;
    });
    main->registerWindow(WindowKind::Vorgang, [] { return new EditorTestWindow; });
    w->VorganglisteClick();
    ASSERT_EQ(lists, 1);
    auto *list = dynamic_cast<ListTestWindow *>(main->FVListe.data());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->appliedWith, QStringList(QStringLiteral("kdnr =7")));
    EXPECT_TRUE(w->alleVorgngean1->isEnabled());
    EXPECT_TRUE(w->ToolButton3->isEnabled()) << "new documents once the editor can take them";
    EXPECT_TRUE(w->NeueRechnung2->isEnabled());
    dialogs->answerMessage(Dialogs::No);
    w->NeueRechnung1Click();
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|Neue Rechnung für Adler anlegen?"));
    EXPECT_EQ(main->childWindows().size(), 2) << "No opens no editor";
}

TEST_F(InMainWindow, AllDocumentsOfTheAddressOpenTheDocumentList)
{
    db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (8, 'Berger')"));
    db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum) values ('R', '10001', 7, "
                            "'2005-01-10'), ('R', '10002', 8, '2005-01-11')"));
    QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"),
                db->folder() + QStringLiteral("/vliste.sql"));
    main->Kontakte1->trigger();
    addressWindow()->alleVorgngean1->trigger();
    auto *list = qobject_cast<TFVListe *>(main->FVListe.data());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->BTfilter()->isChecked());
    EXPECT_EQ(list->vorganglist->RecordCount(), 1);
    EXPECT_EQ(list->vorganglist->FieldByName(QStringLiteral("vorgangnr"))->AsString(),
              QStringLiteral("10001"));
}

} // namespace
