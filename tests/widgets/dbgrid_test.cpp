// SPDX-License-Identifier: GPL-3.0-or-later
// The grid: reading only what is in view on a large dataset, the current row
// shared with the dataset, column set-up, title clicks, editing cells and its
// rows following inserts, deletes and suspended display.
#include "widgetfixture.h"

#include "data/engine.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <chrono>

namespace {

class GridTest : public WidgetFixture
{
  protected:
    void open(const std::function<void(TVexDaoTable &)> &before = {})
    {
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        if (before) before(*t);
        t->Open();
        grid = add(new DBGrid);
        grid->setDataSource(sourceOf(t));
        model = grid->gridModel();
        show();
    }
    void openWithColumns()
    {
        open();
        grid->addColumn(QStringLiteral("Art-Nr"), QStringLiteral("Nummer"), 90);
        grid->addColumn(QStringLiteral("Beschreibung"));
        grid->addColumn(QStringLiteral("VK"), QStringLiteral("Preis"));
    }
    QPoint cellCentre(int row, int column) { return grid->visualRect(model->index(row, column)).center(); }
    QString cell(int row, int column) { return model->index(row, column).data().toString(); }
    // The open cell editor (closed ones wait hidden for their deletion).
    QLineEdit *editor()
    {
        for (QLineEdit *e : grid->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    // Paints the grid as the screen would; the offscreen window is not exposed
    // before the event loop runs, so the grid is rendered into a picture.
    void paint()
    {
        QPixmap picture(grid->size());
        grid->render(&picture);
    }

    TVexDaoTable *t = nullptr;
    DBGrid *grid = nullptr;
    DBGridModel *model = nullptr;
};

TEST_F(GridTest, HundredThousandRowsAreReadOnlyWhereTheyAreSeen)
{
    constexpr int kRows = 100000;
    Engine &raw = db->raw();
    raw.begin();
    auto insert =
        raw.prepare(QStringLiteral("insert into Artikel([Art-Nr], Beschreibung, VK) values (?, ?, ?)"));
    for (int i = 1; i <= kRows; ++i) {
        insert->reset();
        insert->bind(1, Value(QStringLiteral("A%1").arg(i, 6, 10, QLatin1Char('0'))));
        insert->bind(2, Value(QStringLiteral("Artikel %1").arg(i)));
        insert->bind(3, Value(double(i) / 4));
        insert->step();
    }
    raw.commit();

    // A calculated column counts the rows whose texts were made.
    int calculated = 0;
    open([&](TVexDaoTable &ds) {
        ds.addCalcField(QStringLiteral("Zeile"), FieldType::Integer);
        ds.OnCalcFields = [&](TVexDaoTable &d) {
            d.FieldByName(QStringLiteral("Zeile"))->SetAsInteger(++calculated);
        };
    });
    const auto started = std::chrono::steady_clock::now();
    grid->setColumns({{QStringLiteral("Art-Nr")}, {QStringLiteral("VK")}, {QStringLiteral("Zeile")}});
    paint();
    EXPECT_EQ(model->rowCount(), kRows);
    EXPECT_GT(calculated, 0);
    EXPECT_LT(calculated, 100) << "only the rows in view";

    grid->scrollToBottom();
    paint();
    EXPECT_LT(calculated, 200);
    EXPECT_EQ(grid->rowAt(grid->viewport()->height() - 2), kRows - 1);
    EXPECT_EQ(cell(kRows - 1, 0), QStringLiteral("A100000"));
    EXPECT_EQ(cell(kRows - 1, 1), QStringLiteral("25000"));

    t->Last();
    EXPECT_EQ(grid->currentIndex().row(), kRows - 1);
    t->First();
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0) << "the grid scrolls to the dataset's row";
    paint();
    EXPECT_LT(calculated, 300);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
            .count();
    EXPECT_LT(ms, 5000) << "showing and scrolling must not depend on the row count";
}

TEST_F(GridTest, ChoosingARowMovesTheDatasetAndMovingSelectsTheRow)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei"), QStringLiteral("Drei")});
    openWithColumns();
    grid->setRowSelect(true);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    EXPECT_EQ(t->RecNo(), 2);
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), 3) << "the whole row";
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(t->RecNo(), 1);
    t->First();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->currentIndex().column(), 1) << "the column stays";
}

TEST_F(GridTest, ColumnsCarryTitlesWidthsColoursAndReadOnlyFlags)
{
    addArticles({QStringLiteral("Eins")});
    open();
    EXPECT_EQ(model->columnCount(), t->FieldCount()) << "without columns: every field";

    DBGridColumn price;
    price.fieldName = QStringLiteral("VK");
    price.readOnly = true;
    price.color = Qt::yellow;
    price.fontColor = Qt::blue;
    price.titleColor = Qt::red;
    t->FieldByName(QStringLiteral("Beschreibung"))->DisplayLabel = QStringLiteral("Bezeichnung");
    grid->setColumns({{QStringLiteral("Art-Nr"), QStringLiteral("Nummer"), 120},
                      {QStringLiteral("Beschreibung")},
                      price,
                      {QStringLiteral("gibtsnicht")}});
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nummer"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Bezeichnung"));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("VK"));
    EXPECT_EQ(grid->columnWidth(0), 120);
    EXPECT_EQ(model->index(0, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    EXPECT_EQ(model->index(0, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_FALSE(model->headerData(1, Qt::Horizontal, Qt::ForegroundRole).isValid());
    EXPECT_TRUE(model->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->index(0, 2)) & Qt::ItemIsEditable);
    EXPECT_TRUE(cell(0, 3).isEmpty()) << "an unknown field shows nothing";
    grid->setReadOnly(true);
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
}

// An amount, or a code whose column asks for it, is never cut with "…":
// its column grows once it is drawn; a text column keeps its width.
TEST_F(GridTest, AmountsAndCodesInViewAreShownWhole)
{
    addArticles({QStringLiteral("Ein sehr langer Titel, der abgeschnitten werden darf")});
    db->exec(QStringLiteral("update Artikel set [Art-Nr] = 'SAN-WC-2024-WEISS-XL', VK = 10490000.5"));
    open();
    DBGridColumn code(QStringLiteral("Art-Nr"), QString(), 40);
    code.wholeValues = true;
    grid->setColumns(
        {code, {QStringLiteral("Beschreibung"), QString(), 40}, {QStringLiteral("VK"), QString(), 40}});
    paint();
    QCoreApplication::processEvents();
    for (int column : {0, 2}) {
        EXPECT_GE(grid->columnWidth(column), grid->fontMetrics().horizontalAdvance(cell(0, column)))
            << cell(0, column).toStdString();
    }
    EXPECT_EQ(grid->columnWidth(1), 40);
}

TEST_F(GridTest, TitleClickNamesColumnAndFieldAndDoubleClickTheRow)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei")});
    openWithColumns();
    grid->setReadOnly(true);
    QSignalSpy titles(grid, &DBGrid::titleClicked);
    QHeaderView *header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0][0].toInt(), 1);
    EXPECT_EQ(titles[0][1].toString(), QStringLiteral("Beschreibung"));

    QSignalSpy doubles(grid, &DBGrid::recordDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(1, 0));
    EXPECT_EQ(doubles.size(), 1);
    EXPECT_EQ(t->RecNo(), 1);
}

TEST_F(GridTest, CellEditorWritesTheFieldAndKeepsRefusedText)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei")});
    openWithColumns();
    focusOn(grid);
    grid->setCurrentIndex(model->index(1, 1));
    EXPECT_EQ(t->RecNo(), 1);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    type(editor(), QStringLiteral("Zwo"));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(t->FieldByName(QStringLiteral("Beschreibung"))->AsString(), QStringLiteral("Zwo"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Zwo"));
    t->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select Beschreibung from Artikel where [Art-Nr] = 'A2'")).rawText(),
              QStringLiteral("Zwo"));

    grid->setCurrentIndex(model->index(1, 2));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("2"));
    editor()->selectAll();
    type(editor(), QStringLiteral("x1"));
    dialogs->answerMessage(Dialogs::Ok);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|'x1' ist kein gültiger Fließkommawert für Feld 'VK'"));
    ASSERT_NE(editor(), nullptr) << "the editor stays open for the correction";
    EXPECT_EQ(editor()->text(), QStringLiteral("x1"));
    EXPECT_DOUBLE_EQ(t->FieldByName(QStringLiteral("VK"))->AsFloat(), 2);
    QTest::keyClick(editor(), Qt::Key_Escape);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(t->State(), DataSetState::Browse) << "the second Escape cancels the row";
    EXPECT_EQ(cell(1, 2), QStringLiteral("2"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(GridTest, PickListColumnsEditWithTheirList)
{
    addArticles({QStringLiteral("Eins")});
    open();
    DBGridColumn unit(QStringLiteral("Einheit"), QStringLiteral("Einheit"));
    unit.pickList = QStringList{QStringLiteral("Stk"), QStringLiteral("Std"), QStringLiteral("kg")};
    grid->setColumns({unit});
    focusOn(grid);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *combo = grid->viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 3);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(t->State(), DataSetState::Edit);
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(t->FieldByName(QStringLiteral("Einheit"))->AsString(), QStringLiteral("kg"));
}

TEST_F(GridTest, TextInAnOpenCellIsWrittenWhenTheDatasetPostsOrMoves)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei")});
    openWithColumns();
    focusOn(grid);
    grid->setCurrentIndex(model->index(0, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    type(editor(), QStringLiteral("Uno"));
    t->Post(); // as the navigator does, the editor still open
    EXPECT_EQ(db->scalar(QStringLiteral("select Beschreibung from Artikel where [Art-Nr] = 'A1'")).rawText(),
              QStringLiteral("Uno"));
    EXPECT_EQ(editor(), nullptr) << "the saved row is shown again";

    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    type(editor(), QStringLiteral("Un"));
    t->Next();
    EXPECT_EQ(db->scalar(QStringLiteral("select Beschreibung from Artikel where [Art-Nr] = 'A1'")).rawText(),
              QStringLiteral("Un"));
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_EQ(editor(), nullptr) << "the editor of the row left behind is closed";
    EXPECT_EQ(grid->currentIndex().row(), 1);

    grid->setCurrentIndex(model->index(1, 2));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(editor(), nullptr);
    editor()->selectAll();
    type(editor(), QStringLiteral("zwei"));
    EXPECT_EQ(ERROR_OF(t->Post()), QStringLiteral("'zwei' ist kein gültiger Fließkommawert für Feld 'VK'"));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), QStringLiteral("zwei"));
    t->Cancel();
    EXPECT_EQ(editor(), nullptr) << "cancelled with the row";
    EXPECT_EQ(cell(1, 2), QStringLiteral("2"));
}

TEST_F(GridTest, RowsFollowInsertCancelDeleteAndReopen)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei"), QStringLiteral("Drei")});
    openWithColumns();
    t->Insert();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    t->Cancel();
    EXPECT_EQ(model->rowCount(), 3);
    t->MoveTo(1);
    t->Delete();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(cell(1, 1), QStringLiteral("Drei"));
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    t->Close();
    EXPECT_EQ(model->rowCount(), 0);
    t->Open();
    EXPECT_EQ(model->rowCount(), 2);
    focusOn(grid);
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(t->State(), DataSetState::Insert);
    EXPECT_EQ(model->rowCount(), 3);
}

TEST_F(GridTest, WhileControlsAreDisabledTheGridKeepsWhatItShowed)
{
    addArticles({QStringLiteral("Eins"), QStringLiteral("Zwei"), QStringLiteral("Drei")});
    openWithColumns();
    paint();
    t->DisableControls();
    t->Last();
    t->Delete();
    t->First();
    t->Delete();
    EXPECT_EQ(model->rowCount(), 3) << "the count stays until the dataset is shown again";
    EXPECT_EQ(cell(2, 1), QStringLiteral("Drei")) << "answered from what was shown, not from the dataset";
    EXPECT_EQ(grid->currentIndex().row(), 0);
    paint();
    t->EnableControls();
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Zwei"));
}

} // namespace
