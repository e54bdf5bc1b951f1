// SPDX-License-Identifier: GPL-3.0-or-later
// The grid's hold on its rows: a refused cell value keeps the row (one
// message, the editor open), a refusal elsewhere is not shown again by a
// click into the grid, Ctrl+Del deletes after the question, and a new row
// nobody touched goes again when the grid is left.
#include "widgetfixture.h"

#include "tests/realboxes.h"

#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"

#include <QLineEdit>
#include <QSet>

namespace {

class GridRows : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei"), QStringLiteral("Drei")});
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        // Defaults of a new row, as the positions get their number.
        t->AfterInsert = [](TVexDaoTable &ds) {
            ds.FieldByName(QStringLiteral("Einheit"))->SetAsString(QStringLiteral("Stk"));
        };
        t->Open();
        grid = add(new DBGrid);
        grid->setDataSource(sourceOf(t));
        grid->setColumns(
            {{QStringLiteral("Art-Nr")}, {QStringLiteral("Beschreibung")}, {QStringLiteral("VK")}});
        other = add(new QLineEdit);
        show();
    }
    QLineEdit *cellEditor() { return cellEditorOf(grid); }
    void clickCell(int row, int column)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->gridModel()->index(row, column)).center());
    }
    // The price in an edit beside the grid, with a text it will refuse.
    DBEdit *priceWithRefusedText()
    {
        auto *price = add(new DBEdit);
        price->setDataSource(grid->dataSource());
        price->setDataField(QStringLiteral("VK"));
        focusOn(price);
        price->selectAll();
        type(price, QStringLiteral("12a"));
        return price;
    }
    QString stored(int row)
    {
        return db
            ->scalar(QStringLiteral("select Beschreibung from Artikel where [Art-Nr] = 'A%1'").arg(row + 1))
            .rawText();
    }

    TVexDaoTable *t = nullptr;
    DBGrid *grid = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(GridRows, ARefusedCellValueHoldsTheRowWithOneMessage)
{
    typeIntoCell(grid, 0, 1, QStringLiteral("Uno"));
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    typeIntoCell(grid, 0, 2, QStringLiteral("abc"));
    const QString refusal =
        QStringLiteral("Tavirelsverwaltung|'abc' ist kein gültiger Fließkommawert für Feld 'VK'");

    dialogs->answerMessage(Dialogs::Ok);
    clickCell(2, 1);
    EXPECT_EQ(dialogs->messages(), QStringList{refusal}) << "once";
    ASSERT_NE(cellEditor(), nullptr) << "the editor stays open";
    EXPECT_EQ(cellEditor()->text(), QStringLiteral("abc"));
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_EQ(stored(0), QStringLiteral("Eins")) << "the row's other change is not saved either";

    // Leaving the row by key is held the same way.
    dialogs->answerMessage(Dialogs::Ok);
    QTest::keyClick(cellEditor(), Qt::Key_Down);
    EXPECT_EQ(dialogs->messages(), (QStringList{refusal, refusal}));
    EXPECT_EQ(t->RecNo(), 0);
    ASSERT_NE(cellEditor(), nullptr);

    // Corrected, the click moves on and the row is saved whole.
    cellEditor()->selectAll();
    type(cellEditor(), QStringLiteral("4,5"));
    clickCell(2, 1);
    EXPECT_EQ(t->RecNo(), 2);
    EXPECT_EQ(stored(0), QStringLiteral("Uno"));
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where [Art-Nr] = 'A1'")).toDouble(), 4.5);
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(GridRows, ARefusalInAPlainControlIsShownOnceWhenTheGridIsClicked)
{
    DBEdit *price = priceWithRefusedText();
    dialogs->answerMessage(Dialogs::Ok);
    clickCell(2, 1);
    EXPECT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(price->hasFocus());
    EXPECT_EQ(t->RecNo(), 0) << "the click did not act";
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_TRUE(dialogs->allAnswered());
}

// The same with the real message box, which leaves no window active and no
// focus anywhere when it closes.
TEST_F(GridRows, WithTheRealMessageBoxARefusalIsShownOnceAndHoldsTheRow)
{
    RealMessageBoxes boxes;
    const QString refusal = QStringLiteral("'abc' ist kein gültiger Fließkommawert für Feld 'VK'");
    typeIntoCell(grid, 0, 1, QStringLiteral("Uno"));
    QTest::keyClick(cellEditor(), Qt::Key_Tab);
    type(cellEditor(), QStringLiteral("abc"));
    clickCell(2, 1);
    EXPECT_EQ(boxes.texts, QStringList{refusal}) << "once";
    ASSERT_NE(cellEditor(), nullptr) << "the editor stays open";
    EXPECT_EQ(cellEditor()->text(), QStringLiteral("abc"));
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(stored(0), QStringLiteral("Eins")) << "the row's other change is not saved either";
    QTest::keyClick(cellEditor(), Qt::Key_Escape);
    t->Cancel();

    // A refused value in a control beside the grid.
    show();
    DBEdit *price = priceWithRefusedText();
    boxes.texts.clear();
    clickCell(2, 1);
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(t->RecNo(), 0) << "the click did not act";
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(price->text(), QStringLiteral("12a"));
    EXPECT_TRUE(dialogs->allAnswered());
}

// A save refused after its write (a total over the limit, a change made at
// another workstation), by click and by key, with the real box: one message,
// the row marked is the dataset's row, and the keys go to the grid again.
TEST_F(GridRows, ARefusedSaveLeavesTheMarkedRowCurrentAndTheFocusInTheGrid)
{
    t->AfterPost = [](TVexDaoTable &ds) {
        if (ds.FieldByName(QStringLiteral("VK"))->AsFloat() > 1000)
            throw AppError(QStringLiteral("Die Summe des Vorgangs liegt über der Grenze"));
    };
    RealMessageBoxes boxes;
    typeIntoCell(grid, 1, 2, QStringLiteral("5000"));
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    const auto marked = [this] {
        QSet<int> rows;
        for (const QModelIndex &i : grid->selectionModel()->selectedIndexes())
            rows.insert(i.row());
        return rows;
    };
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey);
        boxes.texts.clear();
        if (byKey)
            QTest::keyClick(grid, Qt::Key_Up);
        else
            clickCell(0, 1);
        EXPECT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(t->RecNo(), 1);
        EXPECT_EQ(t->State(), DataSetState::Edit);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        EXPECT_EQ(marked(), QSet<int>{1});
        QApplication::setActiveWindow(window.get());
        EXPECT_EQ(QApplication::focusWidget(), grid);
    }
    // Typed keys reach the row again.
    grid->setCurrentIndex(grid->gridModel()->index(1, 2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    ASSERT_NE(cellEditor(), nullptr);
    cellEditor()->selectAll();
    type(cellEditor(), QStringLiteral("9"));
    clickCell(0, 1);
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel where [Art-Nr] = 'A2'")).toDouble(), 9.0);
}

TEST_F(GridRows, CtrlDelDeletesTheRowAfterTheQuestion)
{
    focusOn(grid);
    grid->setCurrentIndex(grid->gridModel()->index(1, 1));
    dialogs->answerMessage(Dialogs::No);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(dialogs->interactions().size(), 1);
    const auto &question = dialogs->interactions().first();
    EXPECT_EQ(question.caption, QStringLiteral("Bestätigung"));
    EXPECT_EQ(question.text, QStringLiteral("Datensatz löschen?"));
    EXPECT_EQ(question.buttons, Dialogs::Yes | Dialogs::No);
    EXPECT_EQ(count(QStringLiteral("Artikel")), 3);

    dialogs->answerMessage(Dialogs::Yes);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(count(QStringLiteral("Artikel")), 2);
    EXPECT_EQ(count(QStringLiteral("Artikel where Beschreibung = 'Zwei'")), 0);
    EXPECT_EQ(grid->gridModel()->rowCount(), 2);
    EXPECT_EQ(t->RecNo(), 1);

    grid->setReadOnly(true);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs->interactions().size(), 2) << "a read-only grid deletes nothing and asks nothing";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(GridRows, ANewRowNobodyTouchedGoesWhenTheGridIsLeft)
{
    focusOn(grid);
    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_EQ(t->State(), DataSetState::Insert);
    EXPECT_TRUE(t->Modified()) << "the default counts for the dataset";
    focusOn(other);
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(grid->gridModel()->rowCount(), 3);

    focusOn(grid);
    QTest::keyClick(grid, Qt::Key_Insert);
    clickCell(0, 1);
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->gridModel()->rowCount(), 3);
    EXPECT_EQ(count(QStringLiteral("Artikel")), 3) << "no empty record";

    // A read-only grid chooses rows; their new rows are typed elsewhere.
    grid->setReadOnly(true);
    t->Insert();
    focusOn(grid);
    focusOn(other);
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->Cancel();
    grid->setReadOnly(false);

    // A row the user typed into stays and is saved as usual.
    QTest::keyClick(grid, Qt::Key_Insert);
    typeIntoCell(grid, 3, 0, QStringLiteral("A4"));
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    focusOn(other);
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->First();
    EXPECT_EQ(count(QStringLiteral("Artikel where [Art-Nr] = 'A4' and Einheit = 'Stk'")), 1);
}

} // namespace
