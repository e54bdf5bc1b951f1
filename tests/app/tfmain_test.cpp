// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its creation values, the window-dependent menu items, the
// business windows that exist at most once, menu merging, the window list and
// the two ways of ending (close box asks the children, "&Beenden" does not).
#include "app/tfmain.h"

#include "testwindows.h"

#include "data/programvalues.h"
#include "data/tdataa.h"
#include "tests/testdb.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

class MainWindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
        main = std::make_unique<Tfmain>();
        main->show();
        QApplication::setActiveWindow(main.get());
    }
    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Registers a plain test window for the kind; made counts its creations.
    void registerPlain(WindowKind kind, const QString &caption)
    {
        main->registerWindow(kind, [this, caption] {
            ++made[caption];
            return new TestWindow(caption);
        });
    }
    TestWindow *child(int i) const { return static_cast<TestWindow *>(main->childWindows().at(i)); }
    QStringList menuBarCaptions() const
    {
        QStringList captions;
        for (QAction *a : main->menuBar()->actions())
            if (a->isVisible()) captions << a->text();
        return captions;
    }
    // The entries of the window list below "&Nebeneinander" and "Ü&berlappend".
    QList<QAction *> windowList() const
    {
        QList<QAction *> entries;
        for (QAction *a : main->Fenster1->actions())
            if (a->isCheckable()) entries << a;
        return entries;
    }
    bool windowItemsEnabled() const
    {
        const bool s = main->Schlieen1->isEnabled();
        EXPECT_EQ(s, main->Nebeneinander1->isEnabled());
        EXPECT_EQ(s, main->berlappend1->isEnabled());
        return s;
    }

    ScriptedDialogsScope dialogs;
    std::unique_ptr<Tfmain> main;
    QHash<QString, int> made;
};

// Asks through the seam before closing and refuses on "Abbrechen", as a
// business window with unsaved changes does.
void askBeforeClosing(TestWindow *w)
{
    w->onClose = [w](QCloseEvent *e) {
        if (Dialogs::instance().message(w, w->windowTitle(), QStringLiteral("Änderungen speichern?"),
                                        Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel,
                                        Dialogs::Yes) == Dialogs::Cancel)
            e->ignore();
    };
}

} // namespace

TEST(MainWindowCreation, SetsTheProgramValuesCaptionAndPlace)
{
    ProgramValues &values = ProgramValues::instance();
    values.MwstSatz = 7;
    values.MaKuerzel = QStringLiteral("XX");
    values.DmEuroKurs = 2.0L;

    Tfmain main;
    EXPECT_EQ(values.MwstSatz, 19);
    EXPECT_EQ(values.MaKuerzel.size(), 2);
    EXPECT_EQ(values.DmEuroKurs, 1.95583L);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Tavirels-Verwaltung"));
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);
    // Before it is shown maximised it stands 544 x 375 in the middle of the screen.
    EXPECT_EQ(main.size(), QSize(544, 375));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(qAbs(main.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(qAbs(main.geometry().center().y() - screen.center().y()), 1);
    EXPECT_EQ(fmain, &main);
}

TEST_F(MainWindowTest, BusinessEntriesStayDisabledUntilTheirWindowRegisters)
{
    const QList<QAction *> entries{main->Kontakte1, main->ToolButton2, main->ArtikelListe1, main->ToolButton5,
                                   main->bersicht1, main->ToolButton4, main->vorgangneu};
    for (QAction *a : entries) {
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        a->trigger();
    }
    main->ShowVorgangEditor();
    main->vorgangneuClick();
    EXPECT_TRUE(main->childWindows().isEmpty());
    // Disabled or not, no tool button is ever empty, whatever the desktop's theme.
    for (QToolBar *bar : {main->ToolBar1, main->ToolBar2})
        for (QAction *a : bar->actions())
            EXPECT_FALSE(
                qobject_cast<QToolButton *>(bar->widgetForAction(a))->icon().pixmap(24, 24).isNull());

    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    EXPECT_TRUE(main->ArtikelListe1->isEnabled());
    EXPECT_TRUE(main->ToolButton5->isEnabled());
    EXPECT_FALSE(main->Kontakte1->isEnabled());
    EXPECT_FALSE(main->vorgangneu->isEnabled());
}

TEST_F(MainWindowTest, WindowItemsAreEnabledExactlyWhileAChildIsOpen)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    EXPECT_FALSE(windowItemsEnabled());
    QSignalSpy closeRequests(main->Schlieen1, &QAction::triggered);
    QTest::keyClick(main.get(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(closeRequests.count(), 0);

    main->Kontakte1->trigger();
    EXPECT_TRUE(windowItemsEnabled());
    main->ArtikelListe1->trigger();
    EXPECT_TRUE(windowItemsEnabled());

    // Ctrl+F4 reaches "&Schließen" even though the child frames know the key too.
    QTest::keyClick(main.get(), Qt::Key_F4, Qt::ControlModifier);
    ASSERT_EQ(main->childWindows().size(), 1);
    EXPECT_EQ(main->childWindows().first()->windowTitle(), QStringLiteral("Adressen"));
    EXPECT_TRUE(windowItemsEnabled());
    QTest::keyClick(main.get(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_TRUE(main->childWindows().isEmpty());
    EXPECT_FALSE(windowItemsEnabled());
}

TEST_F(MainWindowTest, AskingAgainBringsTheOneWindowToTheFront)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    main->Kontakte1->trigger();
    QWidget *addresses = main->FAdr;
    main->ArtikelListe1->trigger();
    EXPECT_EQ(main->activeChild(), main->Fartikel.data());

    main->ToolButton2->trigger();
    main->Kontakte1Click();
    EXPECT_EQ(made[QStringLiteral("Adressen")], 1);
    EXPECT_EQ(main->childWindows().size(), 2);
    EXPECT_EQ(main->FAdr.data(), addresses);
    EXPECT_EQ(main->activeChild(), addresses);
    EXPECT_TRUE(addresses->parentWidget()->isMaximized());
}

TEST_F(MainWindowTest, AClosedWindowIsMadeAnewOnTheNextRequest)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    main->Kontakte1->trigger();
    QPointer<QWidget> first = main->FAdr;
    main->Schlieen1->trigger();
    // The reference is empty at once, not only when the window is freed later.
    EXPECT_TRUE(main->FAdr.isNull());
    main->Kontakte1->trigger();
    EXPECT_EQ(made[QStringLiteral("Adressen")], 2);
    EXPECT_NE(main->FAdr.data(), first.data());
    EXPECT_EQ(main->childWindows().size(), 1);

    // A window that closes itself takes its frame along.
    main->FAdr->close();
    EXPECT_TRUE(main->FAdr.isNull());
    EXPECT_TRUE(main->childWindows().isEmpty());
    EXPECT_FALSE(windowItemsEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
}

TEST_F(MainWindowTest, AWindowThatRefusesToCloseStaysWithItsReference)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    main->Kontakte1->trigger();
    askBeforeClosing(child(0));
    dialogs->answerMessage(Dialogs::Cancel).answerMessage(Dialogs::Cancel);

    main->Schlieen1->trigger();
    main->FAdr->close();
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_FALSE(main->FAdr.isNull());
    EXPECT_EQ(main->childWindows().size(), 1);
    EXPECT_TRUE(main->FAdr->isVisible());
    EXPECT_TRUE(windowItemsEnabled());
}

TEST_F(MainWindowTest, AChildsMenusStandBeforeFensterOnlyWhileItIsActive)
{
    main->registerWindow(WindowKind::Adressen,
                         [] { return new MergingTestWindow(QStringLiteral("Adressen")); });
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    const QStringList plain{QStringLiteral("&Datei"), QStringLiteral("&Stammdaten"),
                            QStringLiteral("&Fenster"), QStringLiteral("&Hilfe")};
    const QStringList merged{QStringLiteral("&Datei"),   QStringLiteral("&Stammdaten"),
                             QStringLiteral("&Adresse"), QStringLiteral("&Suchen"),
                             QStringLiteral("&Fenster"), QStringLiteral("&Hilfe")};

    main->Kontakte1->trigger();
    EXPECT_EQ(menuBarCaptions(), merged);
    main->ArtikelListe1->trigger();
    EXPECT_EQ(menuBarCaptions(), plain);
    main->Kontakte1->trigger();
    EXPECT_EQ(menuBarCaptions(), merged);
    main->ClientArea->activateNextSubWindow();
    EXPECT_EQ(menuBarCaptions(), plain);
    main->ClientArea->activatePreviousSubWindow();
    EXPECT_EQ(menuBarCaptions(), merged);

    main->Schlieen1->trigger();
    EXPECT_EQ(menuBarCaptions(), plain);
    EXPECT_EQ(main->activeChild(), main->Fartikel.data());
}

TEST_F(MainWindowTest, WindowListNamesTheChildrenAndActivatesTheChosenOne)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel & Preise"));
    EXPECT_TRUE(windowList().isEmpty());
    main->Kontakte1->trigger();
    main->ArtikelListe1->trigger();

    QList<QAction *> entries = windowList();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&1 Adressen"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&2 Artikel && Preise"));
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->isChecked());

    entries[0]->trigger();
    EXPECT_EQ(main->activeChild(), main->FAdr.data());
    entries = windowList();
    EXPECT_TRUE(entries[0]->isChecked());
    EXPECT_FALSE(entries[1]->isChecked());
}

TEST_F(MainWindowTest, CloseBoxAsksEveryChildAndOneRefusalKeepsTheProgram)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    registerPlain(WindowKind::Vorgangsliste, QStringLiteral("Vorgänge"));
    main->Kontakte1->trigger();
    main->ArtikelListe1->trigger();
    main->bersicht1->trigger();
    askBeforeClosing(child(0));
    askBeforeClosing(child(1));
    askBeforeClosing(child(2));
    dialogs->answerMessage(Dialogs::No).answerMessage(Dialogs::Cancel);

    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    // Asked in turn until one refused; the third was not asked.
    EXPECT_EQ(dialogs->messages(), (QStringList{QStringLiteral("Adressen|Änderungen speichern?"),
                                                QStringLiteral("Artikel|Änderungen speichern?")}));
    ASSERT_EQ(main->childWindows().size(), 2);
    EXPECT_TRUE(main->FAdr.isNull());
    EXPECT_FALSE(main->Fartikel.isNull());

    dialogs->clear();
    dialogs->answerMessage(Dialogs::No).answerMessage(Dialogs::No);
    EXPECT_TRUE(main->close());
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_TRUE(main->childWindows().isEmpty());
}

TEST_F(MainWindowTest, AltF4EndsThroughBeendenWithoutAskingTheChildren)
{
    registerPlain(WindowKind::Adressen, QStringLiteral("Adressen"));
    registerPlain(WindowKind::Artikel, QStringLiteral("Artikel"));
    main->Kontakte1->trigger();
    main->ArtikelListe1->trigger();
    askBeforeClosing(child(0));
    askBeforeClosing(child(1));

    // Any question here would fail the test as unexpected.
    QTest::keyClick(main.get(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(dialogs->interactions().isEmpty());
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(main->childWindows().isEmpty());
    EXPECT_TRUE(main->FAdr.isNull());
    EXPECT_TRUE(main->Fartikel.isNull());
}

TEST_F(MainWindowTest, NewDocumentOpensTheEditorOnceAndStartsADocumentEachTime)
{
    int editors = 0;
    main->registerWindow(WindowKind::Vorgang, [&editors] {
        ++editors;
        return new EditorTestWindow;
    });
    main->vorgangneu->trigger();
    main->vorgangneuClick();
    main->ShowVorgangEditor();
    EXPECT_EQ(editors, 1);
    auto *editor = dynamic_cast<EditorTestWindow *>(main->FVorgang.data());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->newDocuments, 2);
}

TEST_F(MainWindowTest, DocumentsOfTheCurrentAddressReuseTheOpenList)
{
    TestDb db;
    Tdataa addresses;
    dataa = &addresses;
    addresses.DataModuleCreate(db.path());
    addresses.Adress.Insert(); // numbered and saved at once
    addresses.Adress.Post();
    const QString kdnr = addresses.AdressKDNR->AsString();
    ASSERT_FALSE(kdnr.isEmpty());

    int lists = 0;
    main->registerWindow(WindowKind::Vorgangsliste, [&lists] {
        ++lists;
        return new ListTestWindow;
    });
    main->bersicht1->trigger();
    auto *list = dynamic_cast<ListTestWindow *>(main->FVListe.data());
    ASSERT_NE(list, nullptr);
    list->customerFilter = QStringLiteral("kdnr =999");

    main->ShowVorgaengeOfAddress();
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(list->appliedWith, QStringList{QStringLiteral("kdnr =") + kdnr});
    EXPECT_TRUE(list->button->isChecked());
    main->ShowVorgaengeOfAddress();
    EXPECT_TRUE(list->button->isChecked());
    EXPECT_EQ(list->appliedWith.size(), 2);
    dataa = nullptr;
}
