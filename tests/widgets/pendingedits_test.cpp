// SPDX-License-Identifier: GPL-3.0-or-later
// A typed value is never lost: the controls of a window write what they hold
// when the window asks for it (before its closing question) and when the
// window goes away while the row is left pending.
#include "widgetfixture.h"

#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbmemo.h"
#include "widgets/pendingedits.h"

#include <QLineEdit>

namespace {

class PendingText : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Schraube"), QStringLiteral("Mutter")});
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        t->Open();
        // The source belongs to a data module, as the shared datasets' do.
        source = std::make_unique<TDataSource>(nullptr, t);
        name = bind(QStringLiteral("Beschreibung"));
        price = bind(QStringLiteral("VK"));
        notes = add(new DBMemo);
        notes->setDataSource(source.get());
        notes->setDataField(QStringLiteral("Notizen"));
        grid = add(new DBGrid);
        grid->setDataSource(source.get());
        grid->setColumns({{QStringLiteral("Art-Nr")}, {QStringLiteral("VK")}});
        show();
    }
    void TearDown() override
    {
        window.reset();
        source.reset();
        WidgetFixture::TearDown();
    }
    DBEdit *bind(const QString &field)
    {
        auto *e = add(new DBEdit);
        e->setDataSource(source.get());
        e->setDataField(field);
        return e;
    }
    void retype(QWidget *w, const QString &text)
    {
        focusOn(w);
        if (auto *line = qobject_cast<QLineEdit *>(w)) line->selectAll();
        type(w, text);
    }
    QLineEdit *cellEditor() { return cellEditorOf(grid); }
    QString field(const char *fieldName) { return t->FieldByName(QString::fromUtf8(fieldName))->AsString(); }
    QString stored(const char *column)
    {
        return db
            ->scalar(
                QStringLiteral("select %1 from Artikel where [Art-Nr] = 'A1'").arg(QLatin1String(column)))
            .rawText();
    }

    TVexDaoTable *t = nullptr;
    std::unique_ptr<TDataSource> source;
    DBEdit *name = nullptr, *price = nullptr;
    DBMemo *notes = nullptr;
    DBGrid *grid = nullptr;
};

TEST_F(PendingText, TheWindowHasEveryControlWriteBeforeItAsks)
{
    retype(name, QStringLiteral("Dübel"));
    retype(notes, QStringLiteral("lang"));
    EXPECT_TRUE(field("Notizen").isEmpty()) << "the focused control still holds it";
    EXPECT_TRUE(PendingEdits::writeAll(window.get()));
    EXPECT_EQ(field("Beschreibung"), QStringLiteral("Dübel"));
    EXPECT_EQ(field("Notizen"), QStringLiteral("lang"));
    EXPECT_EQ(t->State(), DataSetState::Edit) << "written, not saved: saving is the window's question";
    EXPECT_TRUE(notes->hasFocus()) << "the focus stays";

    // A refused value stops the window, with one message and the focus back.
    retype(price, QStringLiteral("12a"));
    dialogs->answerMessage(Dialogs::Ok);
    EXPECT_FALSE(PendingEdits::writeAll(window.get()));
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|'12a' ist kein gültiger Fließkommawert für Feld 'VK'"));
    EXPECT_TRUE(price->hasFocus());
    EXPECT_EQ(price->text(), QStringLiteral("12a"));

    // The same for a grid cell.
    QTest::keyClick(price, Qt::Key_Escape);
    typeIntoCell(grid, 0, 1, QStringLiteral("x"));
    dialogs->clear();
    dialogs->answerMessage(Dialogs::Ok);
    EXPECT_FALSE(PendingEdits::writeAll(window.get()));
    EXPECT_EQ(dialogs->messages().size(), 1);
    ASSERT_NE(cellEditor(), nullptr);
    EXPECT_TRUE(cellEditor()->hasFocus());
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(PendingText, ControlsGoingAwayLeaveTheirTextInThePendingRow)
{
    retype(name, QStringLiteral("Dübel"));
    retype(notes, QStringLiteral("Zeile 1"));
    QTest::keyClick(notes, Qt::Key_Return);
    type(notes, QStringLiteral("Zeile 2"));
    window.reset(); // closed without a question, the row left pending
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_EQ(field("Beschreibung"), QStringLiteral("Dübel"));
    EXPECT_EQ(field("Notizen"), QStringLiteral("Zeile 1\r\nZeile 2"));
    t->Post();
    EXPECT_EQ(stored("Notizen"), QStringLiteral("Zeile 1\r\nZeile 2"));
}

TEST_F(PendingText, AnOpenCellGoingAwayLeavesItsTextInThePendingRow)
{
    typeIntoCell(grid, 0, 1, QStringLiteral("2,5"));
    window.reset();
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_DOUBLE_EQ(t->FieldByName(QStringLiteral("VK"))->AsFloat(), 2.5);
}

TEST_F(PendingText, AWindowOwnedSourceGoingFirstStillHandsTheTextOn)
{
    auto *own = new TDataSource(window.get(), t); // destroyed before the controls made after it
    auto *edit = add(new DBEdit);
    edit->setDataSource(own);
    edit->setDataField(QStringLiteral("Beschreibung"));
    retype(edit, QStringLiteral("Splint"));
    window.reset();
    EXPECT_EQ(field("Beschreibung"), QStringLiteral("Splint"));
}

} // namespace
