// SPDX-License-Identifier: GPL-3.0-or-later
// Contact notes per address on the "Kontakt-Notizen" page, the note types
// and their editor, and the note viewer on its own.
#include "addressfixture.h"

#include "addresses/tftextshow.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

class Notes : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1, QStringLiteral("Adler"));
        address(2, QStringLiteral("Bauer"));
        note(1, QStringLiteral("2005-01-10"), QStringLiteral("Anruf"), QStringLiteral("erster"));
        note(1, QStringLiteral("2005-02-01"), QStringLiteral("Brief"), QStringLiteral("neuester"));
        note(1, QStringLiteral("2004-12-24"), QStringLiteral("Termin"), QStringLiteral("ältester"));
        note(2, QStringLiteral("2005-01-05"), QStringLiteral("Anruf"), QStringLiteral("von Bauer"));
    }
    TVexDaoTable &notes() { return *window->Notizen; }
    QStringList noteTexts()
    {
        QStringList texts;
        const int keep = notes().RecNo();
        for (notes().First(); !notes().Eof(); notes().Next())
            texts << notes().FieldByName(QStringLiteral("Text"))->AsString();
        if (keep >= 0) notes().MoveTo(keep);
        return texts;
    }
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(Notes, EachAddressShowsItsOwnNotesNewestFirst)
{
    openWindow();
    ASSERT_EQ(current("NAME1"), QStringLiteral("Adler"));
    EXPECT_EQ(noteTexts(), QStringList({QStringLiteral("neuester"), QStringLiteral("erster"),
                                        QStringLiteral("ältester")}));
    EXPECT_EQ(window->DBGrid3->model()->rowCount(), 3);
    EXPECT_EQ(window->DBGrid3->model()->index(0, 0).data().toString(), QStringLiteral("01.02.2005"));
    adress().Next();
    EXPECT_EQ(noteTexts(), QStringList(QStringLiteral("von Bauer")));
    EXPECT_EQ(window->DBGrid3->model()->rowCount(), 1);
}

TEST_F(Notes, ANewNoteBelongsToTheCurrentAddressAndIsDatedToday)
{
    openWindow();
    adress().Next();
    window->eingabeClick();
    window->PControl->setCurrentWidget(window->TabSheet2);
    window->DBNavigator2->click(DBNavigator::Insert);
    ASSERT_EQ(notes().State(), DataSetState::Insert);
    EXPECT_EQ(window->DBEdit1->text(), QStringLiteral("15.03.2005"));
    window->Vtypbox->setFocus();
    window->Vtypbox->setCurrentIndex(window->Vtypbox->findText(QStringLiteral("Brief")));
    QTest::keyClick(window->Vtypbox, Qt::Key_Return);
    window->DBMemo1->setFocus();
    QTest::keyClicks(window->DBMemo1, "Angebot geschickt");
    window->DBNavigator2->click(DBNavigator::Post);
    EXPECT_EQ(notes().State(), DataSetState::Browse);
    EXPECT_EQ(
        db->scalar(QStringLiteral("select KDNR || '|' || Datum || '|' || Typ || '|' || Text from Notizen "
                                  "where Text like 'Angebot%'"))
            .rawText(),
        QStringLiteral("2.0|2005-03-15|Brief|Angebot geschickt"));
    EXPECT_EQ(noteTexts(), QStringList({QStringLiteral("Angebot geschickt"), QStringLiteral("von Bauer")}));
    adress().First();
    EXPECT_EQ(noteTexts().size(), 3) << "the other address keeps its own";
}

TEST_F(Notes, NotesAreLockedWhileEditingIsOff)
{
    openWindow();
    for (QWidget *w : AreaLock::inputControls(window->Eingabe1))
        EXPECT_TRUE(AreaLock::refusesInput(w)) << w->objectName().toStdString();
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    window->DBNavigator2->click(DBNavigator::Insert);
    window->DBNavigator2->click(DBNavigator::Delete);
    EXPECT_EQ(dialogs->messages(),
              QStringList({QStringLiteral("Tavirelsverwaltung|Bearbeitung ist gesperrt!"),
                           QStringLiteral("Tavirelsverwaltung|Bearbeitung ist gesperrt!")}));
    EXPECT_EQ(notes().State(), DataSetState::Browse);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen")), 4);
    window->DBNavigator2->click(DBNavigator::Next);
    EXPECT_EQ(notes().RecNo(), 1) << "moving stays free";
}

TEST_F(Notes, DeletingANoteAsksFirstAndTheNextBecomesCurrent)
{
    openWindow();
    window->eingabeClick();
    dialogs->answerMessage(Dialogs::No).answerMessage(Dialogs::Yes);
    window->DBNavigator2->click(DBNavigator::Delete);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen")), 4);
    window->DBNavigator2->click(DBNavigator::Delete);
    EXPECT_EQ(dialogs->messages().last(),
              QStringLiteral("Tavirelsverwaltung|Wollen Sie die Notiz vom 01.02.2005 wirklich löschen?"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where Text = 'neuester'")), 0);
    EXPECT_EQ(notes().FieldByName(QStringLiteral("Text"))->AsString(), QStringLiteral("erster"));
}

TEST_F(Notes, ANoteBeingTypedIsSavedWhenTheWindowCloses)
{
    openWindow();
    window->eingabeClick();
    window->DBNavigator2->click(DBNavigator::Insert);
    window->DBMemo1->setFocus();
    QTest::keyClicks(window->DBMemo1, "noch offen");
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(dialogs->interactions().isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where KDNR = 1 and Text = 'noch offen'")),
              1);
}

TEST_F(Notes, AnOlderFileWithoutTheTableGetsIt)
{
    db->exec(QStringLiteral("drop table Notizen"));
    openWindow();
    EXPECT_TRUE(notes().Active());
    EXPECT_TRUE(notes().IsEmpty());
    window->eingabeClick();
    window->DBNavigator2->click(DBNavigator::Insert);
    window->DBNavigator2->click(DBNavigator::Post);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen where KDNR = 1")), 1);
}

TEST_F(Notes, NoteTypesAreSortedAndTheEditorChangesThemForTheNextWindowOnly)
{
    openWindow();
    const QStringList sorted = {QStringLiteral("Anruf"), QStringLiteral("Brief"), QStringLiteral("Termin")};
    EXPECT_EQ(window->Vtypbox->items(), sorted);
    window->eingabeClick();
    dialogs->answerExec([](QDialog &d) {
        auto &viewer = dynamic_cast<TFTextshow &>(d);
        EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Notiztypen bearbeiten"));
        EXPECT_EQ(viewer.Memo1->toPlainText(), QStringLiteral("Termin\nAnruf\nBrief"));
        viewer.Memo1->setPlainText(QStringLiteral("Termin\nAnruf\nBrief\nBesuch"));
        viewer.Beenden1->trigger();
        return viewer.result();
    });
    window->SpeedButton6->click();
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_EQ(fileBytes(typesPath()), QByteArray("Termin\r\nAnruf\r\nBrief\r\nBesuch\r\n"));
    EXPECT_EQ(window->Vtypbox->items(), sorted) << "the open window keeps its list";

    EXPECT_TRUE(window->close());
    openWindow();
    EXPECT_EQ(window->Vtypbox->items(), QStringList({QStringLiteral("Anruf"), QStringLiteral("Besuch"),
                                                     QStringLiteral("Brief"), QStringLiteral("Termin")}));
}

TEST_F(Notes, MissingNoteTypesAreReportedAndTheWindowOpensAnyway)
{
    QFile::remove(typesPath());
    dialogs->answerMessage(Dialogs::Ok);
    openWindow();
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Tavirelsverwaltung|Datei ")))
        << lastMessage().toStdString();
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Error);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Vtypbox->count(), 0);
}

class NoteViewer : public AddressFixture
{
  protected:
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(NoteViewer, AMissingFileOpensEmptyAndIsCreatedOnClose)
{
    const QString path = db->folder() + QStringLiteral("/neu.txt");
    TFTextshow viewer;
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Textshow"));
    viewer.LoadText(path);
    EXPECT_TRUE(viewer.Memo1->toPlainText().isEmpty());
    viewer.show();
    viewer.close();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(fileBytes(path), QByteArray());
}

TEST_F(NoteViewer, CtrlSWritesAndStaysOpenAndClosingWritesAgain)
{
    const QString path = db->folder() + QStringLiteral("/text.txt");
    TextFiles::saveLines(path, {QStringLiteral("eins")});
    TFTextshow viewer;
    viewer.LoadText(path);
    viewer.show();
    QApplication::setActiveWindow(&viewer);
    viewer.Memo1->setFocus();
    viewer.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(viewer.Memo1, Qt::Key_Return);
    QTest::keyClicks(viewer.Memo1, "zwei");
    QTest::keyClick(viewer.Memo1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(fileBytes(path), QByteArray("eins\r\nzwei\r\n"));
    QTest::keyClicks(viewer.Memo1, "drei");
    viewer.Beenden1->trigger();
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(fileBytes(path), QByteArray("eins\r\nzweidrei\r\n"));
}

TEST_F(NoteViewer, AFailedWriteIsReportedAndTheWindowCanStillBeLeft)
{
    // A folder that cannot exist: its parent is a file.
    const QString blocker = db->folder() + QStringLiteral("/datei");
    TextFiles::saveLines(blocker, {});
    const QString path = blocker + QStringLiteral("/typ.txt");
    TFTextshow viewer;
    viewer.LoadText(path);
    viewer.show();
    viewer.Memo1->setPlainText(QStringLiteral("Anruf"));
    dialogs->answerMessage(Dialogs::Ok).answerMessage(Dialogs::Ok);
    EXPECT_FALSE(viewer.Speichern1Click());
    EXPECT_TRUE(viewer.isVisible());
    viewer.Beenden1Click();
    EXPECT_FALSE(viewer.isVisible()) << "leaving works even though the write failed";
    ASSERT_EQ(dialogs->messages().size(), 2);
    // Said in German: the system's own text would be "Not a directory".
    EXPECT_TRUE(dialogs->messages().last().contains(
        QStringLiteral("kann nicht geschrieben werden: %1 ist eine Datei, kein Ordner")
            .arg(QDir::toNativeSeparators(blocker))))
        << dialogs->messages().last().toStdString();
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Error);
}

} // namespace
