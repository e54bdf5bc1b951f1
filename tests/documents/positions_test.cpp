// SPDX-License-Identifier: GPL-3.0-or-later
// The positions in the document editor: their order, moving them up and down
// (at the ends and with gaps in the numbers), renumbering, adding, saving and
// deleting them, and numbers typed into the grid that are no numbers.
#include "editorfixture.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

class Positions : public EditorFixture
{
  protected:
    // A document with positions numbered so, in the order of the list.
    qint64 documentWith(const QList<int> &numbers)
    {
        const qint64 id = document(QStringLiteral("R"), QStringLiteral("10001"));
        // Stored out of order: the editor shows them by their numbers.
        for (int i = int(numbers.size()) - 1; i >= 0; --i)
            position(id, numbers[i], QStringLiteral("T%1").arg(i + 1), 1, 10 * (i + 1));
        return id;
    }
    void goTo(const QString &titel)
    {
        for (positions().First(); !positions().Eof(); positions().Next())
            if (pos("Titel")->AsString() == titel) return;
        FAIL() << "no position " << titel.toStdString();
    }
    QString currentTitel() { return pos("Titel")->AsString(); }
    // The open cell editor of the grid.
    QLineEdit *cellEditor()
    {
        QWidget *e = window->Tab->cellEditor();
        if (auto *combo = qobject_cast<QComboBox *>(e)) return combo->lineEdit();
        return qobject_cast<QLineEdit *>(e);
    }
    void typeIntoCell(int column, const QString &text)
    {
        QAbstractItemModel *m = window->Tab->model();
        window->Tab->setFocus();
        window->Tab->setCurrentIndex(m->index(positions().RecNo(), column));
        window->Tab->edit(window->Tab->currentIndex());
        QLineEdit *e = cellEditor();
        ASSERT_NE(e, nullptr);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
};

TEST_F(Positions, ShownInTheOrderOfTheirNumbers)
{
    const qint64 id = documentWith({1, 2, 3});
    openEditor(id);
    EXPECT_EQ(shownPositions(),
              (QStringList{QStringLiteral("1:T1"), QStringLiteral("2:T2"), QStringLiteral("3:T3")}));
    EXPECT_EQ(window->Tab->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("VK"));
    EXPECT_EQ(window->Tab->model()->index(1, 6).data().toString(), QStringLiteral("20,00"));
    const auto *grid = window->Tab->model();
    EXPECT_EQ(grid->index(1, grid->columnCount() - 1).data().toString(), QStringLiteral("20,00"));
}

TEST_F(Positions, MovingUpExchangesTheNumbersWithTheRowAbove)
{
    const qint64 id = documentWith({1, 2, 3});
    openEditor(id);
    goTo(QStringLiteral("T2"));
    window->ToolButton1->click();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T2"), QStringLiteral("2:T1"), QStringLiteral("3:T3")}));
    EXPECT_EQ(shownPositions(), storedPositions(id)) << "shown in their new order";
    EXPECT_EQ(currentTitel(), QStringLiteral("T2")) << "the moved row stays current";

    // Again: now it is first and stays so.
    window->Posnachoben1Click();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T2"), QStringLiteral("2:T1"), QStringLiteral("3:T3")}));
    EXPECT_EQ(currentTitel(), QStringLiteral("T2"));
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 60) << "every save recomputes the totals";
}

TEST_F(Positions, AnEmptyNewRowIsDroppedRatherThanMoved)
{
    const qint64 id = documentWith({1, 2});
    openEditor(id);
    goTo(QStringLiteral("T2"));
    window->LeerposClick();
    window->Posnachoben1Click();
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("1:T1"), QStringLiteral("2:T2")}));
    EXPECT_EQ(shownPositions(), storedPositions(id));
}

TEST_F(Positions, MovingUpAFirstRowWithAGapLowersOnlyItsNumber)
{
    const qint64 id = documentWith({3, 5});
    openEditor(id);
    goTo(QStringLiteral("T1"));
    window->Posnachoben1Click();
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("2:T1"), QStringLiteral("5:T2")}));
}

TEST_F(Positions, MovingDownExchangesWithTheRowBelowAndTheLastRowStays)
{
    const qint64 id = documentWith({1, 2, 3});
    openEditor(id);
    goTo(QStringLiteral("T1"));
    window->ToolButton8->click();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T2"), QStringLiteral("2:T1"), QStringLiteral("3:T3")}));
    EXPECT_EQ(shownPositions(), storedPositions(id));
    EXPECT_EQ(currentTitel(), QStringLiteral("T1"));

    goTo(QStringLiteral("T3"));
    window->Posnachunten1Click();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T2"), QStringLiteral("2:T1"), QStringLiteral("3:T3")}));
    EXPECT_EQ(currentTitel(), QStringLiteral("T3")) << "the cursor stays on the last row";

    // With a gap the moved row takes the number after the one it passed.
    const qint64 gaps = document(QStringLiteral("R"), QStringLiteral("10002"));
    position(gaps, 2, QStringLiteral("A"));
    position(gaps, 7, QStringLiteral("B"));
    vorgang().Refresh();
    showDocument(gaps);
    goTo(QStringLiteral("A"));
    window->Posnachunten1Click();
    EXPECT_EQ(storedPositions(gaps), (QStringList{QStringLiteral("2:B"), QStringLiteral("3:A")}));
}

TEST_F(Positions, ShortCutsMoveTheCurrentPosition)
{
    const qint64 id = documentWith({1, 2});
    openEditor(id);
    goTo(QStringLiteral("T2"));
    window->Tab->setFocus();
    QTest::keyClick(window->Tab, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("1:T2"), QStringLiteral("2:T1")}));
    QTest::keyClick(window->Tab, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(storedPositions(id), (QStringList{QStringLiteral("1:T1"), QStringLiteral("2:T2")}));
}

TEST_F(Positions, RenumberingCountsFromOneInTheOrderShown)
{
    const qint64 id = documentWith({2, 5, 9});
    const qint64 empty = document(QStringLiteral("R"), QStringLiteral("10002"));
    openEditor(id);
    const double vk = doc("vk")->AsFloat();
    window->ToolButton11->click();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T1"), QStringLiteral("2:T2"), QStringLiteral("3:T3")}));
    EXPECT_EQ(shownPositions(), storedPositions(id));
    EXPECT_FALSE(window->vorgang2->Active()) << "open only while renumbering";
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), vk) << "the totals are not recomputed";

    showDocument(empty);
    window->tbPosnrClick();
    EXPECT_TRUE(storedPositions(empty).isEmpty());
    EXPECT_EQ(storedPositions(id).size(), 3);
}

TEST_F(Positions, AnEmptyPositionIsNumberedAndSavedWithTheTotals)
{
    const qint64 id = documentWith({1, 2, 3});
    openEditor(id);
    window->ToolButton7->click();
    ASSERT_EQ(positions().State(), DataSetState::Insert);
    EXPECT_EQ(pos("Pos")->AsInteger(), 4);
    EXPECT_TRUE(window->Tab->hasFocus()) << "to be filled in the grid";
    typeIntoCell(2, QStringLiteral("Anfahrt"));
    typeIntoCell(3, QStringLiteral("2"));
    typeIntoCell(6, QStringLiteral("12,50"));
    window->ToolButton10->click();
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_EQ(storedPositions(id).last(), QStringLiteral("4:Anfahrt"));
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 85);

    // Saving with nothing pending does nothing.
    window->Positionspeichern1->trigger();
    EXPECT_EQ(positions().State(), DataSetState::Browse);
}

TEST_F(Positions, DeletingAsksRenumbersAndRecomputes)
{
    const qint64 id = documentWith({1, 2, 3, 4});
    openEditor(id);
    goTo(QStringLiteral("T2"));
    dialogs->answerMessage(Dialogs::No);
    window->ToolButton6->click();
    EXPECT_EQ(dialogs->interactions().last().text,
              QStringLiteral("Wollen Sie diese Position wirklich löschen?"));
    EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Information);
    EXPECT_EQ(storedPositions(id).size(), 4);

    dialogs->answerMessage(Dialogs::Yes);
    window->PosdelClick();
    EXPECT_EQ(storedPositions(id),
              (QStringList{QStringLiteral("1:T1"), QStringLiteral("2:T3"), QStringLiteral("3:T4")}));
    EXPECT_EQ(currentTitel(), QStringLiteral("T3"));
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 80);

    // The grid's own delete of the last positions leaves totals of zero.
    window->Tab->setFocus();
    for (int i = 0; i < 3; ++i) {
        dialogs->answerMessage(Dialogs::Yes);
        QTest::keyClick(window->Tab, Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_TRUE(storedPositions(id).isEmpty());
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 0);
    EXPECT_DOUBLE_EQ(doc("ek")->AsFloat(), 0);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Positions, TextThatIsNoNumberIsRefusedAndThePositionStays)
{
    const qint64 id = documentWith({1});
    openEditor(id);
    for (const QString &bad : {QStringLiteral("1,2,3"), QStringLiteral("abc"), QStringLiteral("1e400")}) {
        for (int column : {3, 5, 6}) { // anzahl, EK, VK
            SCOPED_TRACE(bad.toStdString() + " in column " + std::to_string(column));
            typeIntoCell(column, bad);
            dialogs->answerMessage(Dialogs::Ok);
            window->ToolButton10->click(); // saving writes the cell first
            EXPECT_EQ(dialogs->interactions().last().icon, Dialogs::Error);
            EXPECT_TRUE(dialogs->interactions().last().text.contains(bad)) << lastMessage().toStdString();
            // Esc takes the text back; the position is as it was.
            QTest::keyClick(cellEditor(), Qt::Key_Escape);
            QTest::keyClick(window->Tab, Qt::Key_Escape);
            EXPECT_EQ(positions().State(), DataSetState::Browse);
            EXPECT_DOUBLE_EQ(pos("anzahl")->AsFloat(), 1);
            EXPECT_DOUBLE_EQ(pos("EK")->AsFloat(), 5);
            EXPECT_DOUBLE_EQ(pos("Preis")->AsFloat(), 10);
        }
    }
    EXPECT_DOUBLE_EQ(
        db->scalar(QStringLiteral("select anzahl * Preis from Vorgang2 where vorgangID = %1").arg(id))
            .toDouble(),
        10);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(Positions, WithoutADocumentNoPositionCanBeMade)
{
    openEditor();
    window->LeerposClick();
    window->PosnewClick();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 0);
    EXPECT_TRUE(vorgang().IsEmpty());
    EXPECT_TRUE(window->Tab->isReadOnly());
    EXPECT_FALSE(window->Paneltitel->isEnabled()) << "typing would make a document without a number";
}

} // namespace
