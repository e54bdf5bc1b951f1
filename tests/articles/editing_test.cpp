// SPDX-License-Identifier: GPL-3.0-or-later
// The article window: markup and the 90 % cut, the units list and its
// editor, the currency buttons, deleting, closing, and re-reading the
// catalogue whenever the window becomes the active child of the main window.
#include "articlefixture.h"
#include "tests/realboxes.h"

#include "app/tfmain.h"
#include "data/dates.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "documents/tftedit.h"
#include "program/businesswindows.h"
#include "tests/app/testwindows.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>

namespace {

class ArticleWindow : public ArticleFixture
{
  protected:
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void typeMarkup(const char *keys)
    {
        QTest::keyClicks(window->gewinnbox->lineEdit(), QString::fromLatin1(keys));
    }
};

TEST_F(ArticleWindow, MarkupRecomputesVKFromTheUnchangedEKAtEveryChange)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    article(QStringLiteral("A2"), QStringLiteral("Mutter"), 10, 12);
    openWindow();
    ASSERT_EQ(currentNr(), QStringLiteral("A1"));
    EXPECT_TRUE(window->gewinnbox->currentText().isEmpty()) << "the box starts empty";

    window->gewinnbox->setCurrentIndex(window->gewinnbox->findText(QStringLiteral("15")));
    EXPECT_DOUBLE_EQ(field("VK")->AsFloat(), 115);
    EXPECT_EQ(artikel().State(), DataSetState::Edit);
    EXPECT_EQ(window->EditVK->text(), QStringLiteral("115,00"));
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "VK"), 150) << "saved only with the article";

    window->gewinnbox->lineEdit()->selectAll();
    typeMarkup("1");
    EXPECT_EQ(window->gewinnbox->lineEdit()->text(), QStringLiteral("1")) << "not completed to the item 10";
    EXPECT_DOUBLE_EQ(field("VK")->AsFloat(), 101);
    typeMarkup("2");
    EXPECT_DOUBLE_EQ(field("VK")->AsFloat(), 112);
    EXPECT_DOUBLE_EQ(field("EK")->AsFloat(), 100);

    // Moving on saves; the box keeps its value for the next article.
    artikel().Next();
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "VK"), 112);
    EXPECT_EQ(storedText(QStringLiteral("A1"), "Preisdatum"), QStringLiteral("2005-03-15"));
    EXPECT_EQ(window->gewinnbox->currentText(), QStringLiteral("12"));
    EXPECT_TRUE(dialogs->messages().isEmpty());
}

TEST_F(ArticleWindow, TheRateIsOneOfTodaysOrTypedAndGivesTheGross)
{
    article(QStringLiteral("A1"), QStringLiteral("Brot"), 1, 100, QStringLiteral("€"));
    openWindow();
    const Tax::Rates &rates = ProgramValues::instance().Steuer.rates;
    QStringList todays;
    for (double r : rates.choicesAt(Today()))
        todays << Tax::rateText(r);
    EXPECT_EQ(window->cMwst->items(), todays);
    window->cMwst->lineEdit()->selectAll();
    QTest::keyClicks(window->cMwst->lineEdit(), QStringLiteral("7"));
    window->EditEK->setFocus(Qt::TabFocusReason);
    artikel().Post();
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "MwstSatz"), 7);
    EXPECT_DOUBLE_EQ(field("vkbrutto")->AsFloat(), 107);
    EXPECT_TRUE(dialogs->messages().isEmpty());
}

TEST_F(ArticleWindow, AMarkupThatIsNoWholeNumberLeavesVKAsItWas)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openWindow();
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    typeMarkup("1");
    typeMarkup("x");
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|'1x' ist kein gültiger Integerwert."));
    EXPECT_DOUBLE_EQ(field("VK")->AsFloat(), 101);
    EXPECT_EQ(artikel().State(), DataSetState::Edit);

    window->gewinnbox->lineEdit()->clear();
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|'' ist kein gültiger Integerwert."));
    EXPECT_DOUBLE_EQ(field("VK")->AsFloat(), 101);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ArticleWindow, NinetyPercentTwiceWithASaveBetweenGives81)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openWindow();
    window->SpeedButton1->click();
    EXPECT_DOUBLE_EQ(field("EK")->AsFloat(), 90);
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "EK"), 100);
    window->SpeedButton1->click();
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "EK"), 90) << "the first cut is saved before the second";
    EXPECT_DOUBLE_EQ(field("EK")->AsFloat(), 81);
    window->Navigator->click(DBNavigator::Post);
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "EK"), 81);
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "VK"), 150);
    EXPECT_EQ(window->EditEK->text(), QStringLiteral("81,00"));
}

TEST_F(ArticleWindow, NinetyPercentCutsWhatWasTypedIntoEK)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openWindow();
    window->EditEK->setFocus();
    window->EditEK->selectAll();
    QTest::keyClicks(window->EditEK, "200");
    window->SpeedButton1->click(); // the button takes no focus: the typed text is still in the box
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("A1"), "EK"), 200);
    EXPECT_DOUBLE_EQ(field("EK")->AsFloat(), 180);
}

TEST_F(ArticleWindow, EditedUnitsAreOfferedAtOnceAndCancelLeavesTheFile)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openWindow();
    EXPECT_EQ(window->cEinheit->items(),
              QStringList({QStringLiteral("Stk"), QStringLiteral("h"), QStringLiteral("kg")}));
    const QByteArray before = fileBytes(unitsPath());

    QString caption;
    dialogs->answerExec([&caption](QDialog &d) {
        auto &editor = dynamic_cast<TFtedit &>(d);
        caption = editor.windowTitle();
        editor.Textfeld->setPlainText(QStringLiteral("Psch\nStk"));
        editor.CancelBtn->click();
        return editor.result();
    });
    window->SpeedButton2->click();
    EXPECT_EQ(caption, QStringLiteral("Editor - einheit.txt"));
    EXPECT_EQ(fileBytes(unitsPath()), before);
    EXPECT_EQ(window->cEinheit->items().size(), 3);

    dialogs->answerExec([](QDialog &d) {
        auto &editor = dynamic_cast<TFtedit &>(d);
        editor.Textfeld->appendPlainText(QStringLiteral("Psch"));
        editor.OKBtn->click();
        return editor.result();
    });
    window->SpeedButton2->click();
    EXPECT_EQ(fileBytes(unitsPath()), QByteArray("Stk\r\nh\r\nkg\r\nPsch\r\n"));
    EXPECT_TRUE(window->cEinheit->items().contains(QStringLiteral("Psch")));
    EXPECT_EQ(window->cEinheit->currentText(), QStringLiteral("Stk")) << "the article's unit still shows";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ArticleWindow, WithoutAUnitsFileTheWindowOpensAndTheEditorCreatesIt)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150, QStringLiteral("€"));
    IniFile(iniPath()).writeBool(QStringLiteral("Euro"), QStringLiteral("Artikel"), true);
    QFile::remove(unitsPath());
    dialogs->answerMessage(Dialogs::Ok);
    openWindow();
    EXPECT_EQ(lastMessage(), QStringLiteral("Tavirelsverwaltung|Datei %1 kann nicht geöffnet werden.")
                                 .arg(QDir::toNativeSeparators(unitsPath())));
    EXPECT_TRUE(window->cEinheit->items().isEmpty());
    // The currency buttons follow the catalogue and the flag all the same.
    EXPECT_FALSE(window->dmbt->isVisibleTo(window));
    EXPECT_FALSE(window->eurbt->isVisibleTo(window));

    dialogs->answerExec([](QDialog &d) {
        auto &editor = dynamic_cast<TFtedit &>(d);
        EXPECT_TRUE(editor.Textfeld->toPlainText().isEmpty());
        editor.Textfeld->setPlainText(QStringLiteral("Stk\nm²"));
        editor.OKBtn->click();
        return editor.result();
    });
    window->SpeedButton2->click();
    EXPECT_EQ(window->cEinheit->items(), QStringList({QStringLiteral("Stk"), QStringLiteral("m²")}));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ArticleWindow, CurrencyButtonsFollowTheCurrentArticleAndTheFlagAtCreation)
{
    struct Case
    {
        QString currency;
        QString flag; // empty: no key
        bool dm, euro;
    };
    const Case cases[] = {{QStringLiteral("DM"), QString(), false, true},
                          {QStringLiteral("€"), QStringLiteral("1"), false, false},
                          {QString(), QStringLiteral("0"), true, true},
                          {QStringLiteral("EUR"), QStringLiteral("1"), true, false}};
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openModules();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.currency.toStdString() + " / " + c.flag.toStdString());
        QFile::remove(iniPath());
        if (!c.flag.isEmpty())
            IniFile(iniPath()).writeString(QStringLiteral("Euro"), QStringLiteral("Artikel"), c.flag);
        db->exec(QStringLiteral("update Artikel set Waehrung = '%1'").arg(c.currency));
        artikel().Refresh();
        openWindow();
        EXPECT_EQ(window->dmbt->isVisibleTo(window), c.dm);
        EXPECT_EQ(window->eurbt->isVisibleTo(window), c.euro);
        // Decided once: a later change of the flag does not move the buttons.
        IniFile(iniPath()).writeBool(QStringLiteral("Euro"), QStringLiteral("Artikel"), !c.euro);
        window->FormActivate();
        EXPECT_EQ(window->eurbt->isVisibleTo(window), c.euro);
        delete window.data();
    }
}

TEST_F(ArticleWindow, ClosingWithAChangeAsksToSave)
{
    article(QStringLiteral("A1"), QStringLiteral("Schraube"), 100, 150);
    openWindow();
    window->MemoNotizen->setFocus();
    QTest::keyClicks(window->MemoNotizen, "teuer");

    dialogs->answerMessage(Dialogs::Cancel);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(lastMessage(),
              QStringLiteral("Tavirelsverwaltung|Der aktuelle Datensatz ist noch nicht gespeichert. "
                             "Wollen Sie jetzt speichern?"));
    EXPECT_EQ(window->MemoNotizen->toPlainText(), QStringLiteral("teuer")) << "the typed text stays";

    dialogs->answerMessage(Dialogs::Yes);
    EXPECT_TRUE(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(storedText(QStringLiteral("A1"), "Notizen"), QStringLiteral("teuer"));

    openWindow();
    artikel().Edit();
    field("Notizen")->SetAsString(QStringLiteral("doch nicht"));
    dialogs->answerMessage(Dialogs::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(storedText(QStringLiteral("A1"), "Notizen"), QStringLiteral("teuer"));
    EXPECT_TRUE(dialogs->allAnswered());
}

// "Neuer Artikel" twice, and closing, on a new article nothing was typed
// into: it goes unsaved and unasked; one with a typed text is kept.
TEST_F(ArticleWindow, AnUntouchedNewArticleIsDroppedNotSaved)
{
    openWindow();
    const auto articles = [this] { return count(QStringLiteral("select count(*) from Artikel")); };
    window->ToolButton2->click();
    EXPECT_EQ(artikel().State(), DataSetState::Insert);
    window->ToolButton2->click();
    EXPECT_EQ(articles(), 0) << "the untouched one was not saved";
    EXPECT_EQ(artikel().State(), DataSetState::Insert);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(articles(), 0);
    EXPECT_TRUE(dialogs->messages().isEmpty()) << messages().toStdString();

    openWindow();
    window->ToolButton2->click();
    window->eBeschreibung->setFocus();
    QTest::keyClicks(window->eBeschreibung, "Kabel");
    window->ToolButton2->click();
    EXPECT_EQ(articles(), 1) << "what was typed is an article";
}

// ---- inside the main window

class ArticleInMainWindow : public ArticleWindow
{
  protected:
    void SetUp() override
    {
        ArticleWindow::SetUp();
        article(QStringLiteral("B2"), QStringLiteral("Bolzen"), 1, 2);
        article(QStringLiteral("A1"), QStringLiteral("Anker"), 1, 2);
        article(QStringLiteral("C3"), QStringLiteral("Clip"), 1, 2);
        openModules();
        main = std::make_unique<Tfmain>();
        RegisterBusinessWindows(*main);
        main->registerWindow(WindowKind::Adressen, [] { return new TestWindow(QStringLiteral("Adressen")); });
        main->show();
        QApplication::setActiveWindow(main.get());
    }
    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ArticleWindow::TearDown();
    }
    TFartikel *articleWindow() { return qobject_cast<TFartikel *>(main->Fartikel.data()); }

    std::unique_ptr<Tfmain> main;
};

TEST_F(ArticleInMainWindow, OpensOnceAndRereadsWhenItBecomesTheActiveChildAgain)
{
    main->ArtikelListe1->trigger();
    main->ToolButton5->trigger();
    QPointer<TFartikel> w = articleWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(main->childWindows().size(), 1);
    EXPECT_TRUE(w->activeChild());
    EXPECT_EQ(currentNr(), QStringLiteral("A1")) << "ordered by number";
    artikel().Last();
    artikel().Edit();
    field("Notizen")->SetAsString(QStringLiteral("Restposten"));
    db->exec(QStringLiteral("insert into Artikel (\"Art-Nr\", Beschreibung) values ('A0', 'Achse')"));

    main->Kontakte1->trigger(); // another child becomes active
    EXPECT_FALSE(w->activeChild());
    EXPECT_EQ(storedText(QStringLiteral("C3"), "Notizen"), QStringLiteral("Restposten"))
        << "saved on leaving";

    artikel().Last();
    main->ArtikelListe1->trigger();
    EXPECT_TRUE(w->activeChild());
    EXPECT_EQ(currentNr(), QStringLiteral("A0"));
    EXPECT_EQ(w->DBGrid2->model()->rowCount(), 4);
    artikel().Next();
    main->ArtikelListe1->trigger(); // already the active child: nothing moves
    EXPECT_EQ(currentNr(), QStringLiteral("A1"));

    main->Schlieen1->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(main->Fartikel.isNull());
    EXPECT_FALSE(artikel().Filtered());
    main->ArtikelListe1->trigger();
    EXPECT_NE(articleWindow(), nullptr) << "a new window after closing";
}

// With the real message box: a refused number is said once, before any
// closing question and however often the windows change; what is typed and
// taken outlives "Beenden".
TEST_F(ArticleInMainWindow, ARefusedNumberIsSaidOnceAndATypedChangeOutlivesTheEnd)
{
    main->ArtikelListe1->trigger();
    TFartikel *w = articleWindow();
    ASSERT_NE(w, nullptr);
    RealMessageBoxes boxes;
    const QString refusal = QStringLiteral("'0.500' ist kein gültiger Fließkommawert für Feld 'EK'");
    w->EditEK->setFocus();
    w->EditEK->selectAll();
    QTest::keyClicks(w->EditEK, "0.500");
    main->Schlieen1->trigger();
    EXPECT_EQ(boxes.texts, QStringList{refusal}) << "no closing question before the refusal";
    EXPECT_FALSE(main->Fartikel.isNull());

    boxes.texts.clear();
    main->Kontakte1->trigger();
    main->ArtikelListe1->trigger();
    EXPECT_LE(boxes.texts.size(), 1) << boxes.texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w->EditEK->text(), QStringLiteral("0.500")) << "the typed text waits for its correction";
    EXPECT_NEAR(stored(QStringLiteral("A1"), "EK"), 1, 1e-12);

    // Back from another program, a click on the catalogue keeps the row and
    // says why; the value to correct takes the focus.
    boxes.texts.clear();
    QApplication::setActiveWindow(nullptr);
    const QModelIndex other = w->DBGrid2->model()->index(2, 0);
    QTest::mouseClick(w->DBGrid2->viewport(), Qt::LeftButton, {}, w->DBGrid2->visualRect(other).center());
    EXPECT_TRUE(boxes.texts.isEmpty()) << "said once already";
    EXPECT_EQ(currentNr(), QStringLiteral("A1"));
    EXPECT_EQ(main->focusWidget(), w->EditEK);
    EXPECT_TRUE(QToolTip::text().startsWith(QStringLiteral("Erst diesen Wert korrigieren")));
    EXPECT_EQ(w->EditEK->text(), QStringLiteral("0.500"));

    // The user comes back to the window and corrects the number.
    QApplication::setActiveWindow(main.get());
    w->EditEK->setFocus();
    w->EditEK->selectAll();
    QTest::keyClicks(w->EditEK, "0,5");
    main->Beenden1Click();
    documents.reset(); // the end of the run
    EXPECT_NEAR(stored(QStringLiteral("A1"), "EK"), 0.5, 1e-12);
}

} // namespace
