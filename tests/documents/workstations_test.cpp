// SPDX-License-Identifier: GPL-3.0-or-later
// Two workstations on one database file: what the editor saves over a change
// another one made in between is refused with the layer's message, for the
// document and for its positions, and nothing of the other's is overwritten.
#include "editorfixture.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

class Workstations : public EditorFixture
{
  protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        id = document(QStringLiteral("R"), QStringLiteral("10001"));
        position(id, 1, QStringLiteral("Wartung"), 1, 50);
        openEditor(id);
    }
    // The other workstation writes straight into the file.
    void elsewhere(const QString &sql) { db->exec(sql.arg(id)); }

    qint64 id = 0;
};

const QString kChanged = QStringLiteral("von einem anderen Benutzer geändert");

TEST_F(Workstations, TheSecondSaveOfTheDocumentIsRefused)
{
    window->sKunde->setFocus();
    window->sKunde->moveCursor(QTextCursor::End);
    QTest::keyClicks(window->sKunde, QStringLiteral(" GmbH"));
    elsewhere(QStringLiteral("update Vorgang1 set anschrift = 'Firma Adler' where id = %1"));

    dialogs->answerMessage(Dialogs::Ok);
    window->DBNavigator1->click(DBNavigator::Post);
    EXPECT_TRUE(lastMessage().contains(kChanged)) << lastMessage().toStdString();
    EXPECT_EQ(stored(id, "anschrift"), QStringLiteral("Firma Adler")) << "the other's change stays";
    EXPECT_EQ(vorgang().State(), DataSetState::Edit);
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Eva Muster GmbH")) << "the user's text is kept";

    // Closing cannot save it: the user is asked, and No keeps the window.
    dialogs->answerMessage(Dialogs::Ok);
    dialogs->answerMessage(Dialogs::No);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("trotzdem schließen"))) << lastMessage().toStdString();
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Eva Muster GmbH"));

    // Yes drops the change: the other's stays.
    dialogs->answerMessage(Dialogs::Ok);
    dialogs->answerMessage(Dialogs::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(stored(id, "anschrift"), QStringLiteral("Firma Adler"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Workstations, TheSecondSaveOfAPositionIsRefused)
{
    QAbstractItemModel *m = window->Tab->model();
    window->Tab->setFocus();
    window->Tab->setCurrentIndex(m->index(0, 3));
    window->Tab->edit(window->Tab->currentIndex());
    auto *cell = qobject_cast<QLineEdit *>(window->Tab->cellEditor());
    ASSERT_NE(cell, nullptr);
    cell->selectAll();
    QTest::keyClicks(cell, QStringLiteral("3"));
    elsewhere(QStringLiteral("update Vorgang2 set anzahl = 2 where vorgangID = %1"));

    dialogs->answerMessage(Dialogs::Ok);
    window->tbposSaveClick();
    EXPECT_TRUE(lastMessage().contains(kChanged)) << lastMessage().toStdString();
    EXPECT_DOUBLE_EQ(
        db->scalar(QStringLiteral("select anzahl from Vorgang2 where vorgangID = %1").arg(id)).toDouble(), 2);
    EXPECT_EQ(positions().State(), DataSetState::Edit);
    EXPECT_DOUBLE_EQ(pos("anzahl")->AsFloat(), 3);
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 0) << "no totals of a refused save";

    // Moving a position over a change made elsewhere starts from what is stored.
    positions().Cancel();
    elsewhere(QStringLiteral("update Vorgang2 set Titel = 'Wartung Therme' where vorgangID = %1"));
    window->tbPosnrClick();
    EXPECT_EQ(storedPositions(id), QStringList{QStringLiteral("1:Wartung Therme")});
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Workstations, APositionIsSavedWithItsTotalsOrNotAtAll)
{
    const QString positions = QStringLiteral("select count(*) from Vorgang2 where vorgangID = %1").arg(id);
    // The document was changed at the other workstation: the position and its
    // totals are refused together, and the document shows what is stored.
    elsewhere(QStringLiteral("update Vorgang1 set bezahlt = 1 where id = %1"));
    window->LeerposClick();
    pos("anzahl")->SetAsFloat(1);
    pos("Preis")->SetAsFloat(20);
    dialogs->answerMessage(Dialogs::Ok);
    window->tbposSaveClick();
    EXPECT_TRUE(lastMessage().contains(kChanged)) << lastMessage().toStdString();
    EXPECT_EQ(count(positions), 1) << "no position without its totals";
    EXPECT_EQ(this->positions().State(), DataSetState::Insert) << "the typed position stays";
    EXPECT_DOUBLE_EQ(pos("Preis")->AsFloat(), 20);
    EXPECT_TRUE(doc("bezahlt")->AsBoolean()) << "shown as stored";

    // Saved again on what the user now sees: both together.
    window->tbposSaveClick();
    EXPECT_EQ(count(positions), 2);
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 70);
    EXPECT_EQ(stored(id, "bezahlt"), QStringLiteral("1"));

    // Deleted at the other workstation: a new position is refused, none stays.
    elsewhere(QStringLiteral("delete from Vorgang1 where id = %1"));
    window->LeerposClick();
    pos("anzahl")->SetAsFloat(1);
    pos("Preis")->SetAsFloat(5);
    dialogs->answerMessage(Dialogs::Ok);
    window->tbposSaveClick();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("gelöscht"))) << lastMessage().toStdString();
    EXPECT_EQ(count(positions), 2) << "no orphaned position";
    EXPECT_TRUE(dialogs->allAnswered());
}

// The other workstation changed position 2 and saved (with its totals);
// this one changes position 3 of the same document. Once the save goes
// through, the totals are those of the positions as stored, not of the
// positions this workstation still shows.
TEST_F(Workstations, TotalsAreThoseOfTheStoredPositions)
{
    position(id, 2, QStringLiteral("Filter"), 2, 10);
    position(id, 3, QStringLiteral("Dichtung"), 1, 5);
    db->exec(QStringLiteral("update Vorgang2 set MwstSatz = 16, MwstKat = 'S'"));
    showDocument(id);
    positions().Refresh();
    elsewhere(QStringLiteral("update Vorgang2 set anzahl = 3 where Pos = 2 and vorgangID = %1"));
    elsewhere(QStringLiteral("update Vorgang1 set vk = 85, mwst = 13.6 where id = %1"));

    ASSERT_TRUE(positions().Locate(QStringLiteral("Pos"), Value(qint64(3)), 0));
    positions().Edit();
    pos("Preis")->SetAsFloat(7);
    dialogs->answerMessage(Dialogs::Ok);
    window->tbposSaveClick();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("anderen Benutzer geändert")))
        << lastMessage().toStdString();
    EXPECT_EQ(positions().State(), DataSetState::Edit) << "the typed price stays";
    EXPECT_DOUBLE_EQ(pos("Preis")->AsFloat(), 7);
    window->tbposSaveClick();
    EXPECT_DOUBLE_EQ(storedNumber(id, "vk"), 87); // 50 + 3 × 10 + 7
    EXPECT_DOUBLE_EQ(storedNumber(id, "mwst"), 13.92);
    EXPECT_TRUE(dialogs->allAnswered());
}

} // namespace
