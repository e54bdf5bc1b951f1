// SPDX-License-Identifier: GPL-3.0-or-later
// Typed text stops at the size of its text field in every bound control, so
// that nothing typed is cut off silently when the row is saved.
#include "widgetfixture.h"

#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbmemo.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace {

class FieldSize : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Schraube")});
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        t->Open();
        src = sourceOf(t);
        other = add(new QLineEdit);
        show();
    }
    QString field(const char *name) { return t->FieldByName(QString::fromUtf8(name))->AsString(); }

    TVexDaoTable *t = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(FieldSize, EditsPickListsMemosAndCellsTakeNoMoreThanTheFieldHolds)
{
    // Einheit holds 4 characters, Art-Nr 30.
    auto *unit = bind(new DBComboBox, QStringLiteral("Einheit"));
    unit->setEditable(true);
    unit->setItems({QStringLiteral("Stk"), QStringLiteral("Std")});
    focusOn(unit);
    unit->lineEdit()->selectAll();
    type(unit->lineEdit(), QStringLiteral("Stücke"));
    EXPECT_EQ(unit->currentText(), QStringLiteral("Stüc")) << "what the user sees is what is stored";
    focusOn(other);
    EXPECT_EQ(field("Einheit"), QStringLiteral("Stüc"));

    auto *number = bind(new DBMemo, QStringLiteral("Art-Nr"));
    focusOn(number);
    number->selectAll();
    QApplication::clipboard()->setText(QString(40, QLatin1Char('x')));
    number->paste(); // a paste runs past the end as typing would
    EXPECT_EQ(number->toPlainText(), QString(30, QLatin1Char('x')));
    number->selectAll();
    type(number, QString(28, QLatin1Char('y')));
    QTest::keyClick(number, Qt::Key_Return); // a line break counts two stored characters
    type(number, QStringLiteral("z"));
    EXPECT_EQ(number->toPlainText(), QString(28, QLatin1Char('y')) + QLatin1Char('\n'));
    focusOn(other);
    EXPECT_EQ(field("Art-Nr"), QString(28, QLatin1Char('y')) + QStringLiteral("\r\n"));

    auto *grid = add(new DBGrid);
    grid->setDataSource(src);
    grid->setColumns({{QStringLiteral("Einheit")}});
    focusOn(grid);
    QTest::keyClick(grid, Qt::Key_F2);
    auto *cell = grid->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(cell, nullptr);
    cell->selectAll();
    type(cell, QStringLiteral("Liter"));
    EXPECT_EQ(cell->text(), QStringLiteral("Lite"));
    QTest::keyClick(cell, Qt::Key_Return);
    EXPECT_EQ(field("Einheit"), QStringLiteral("Lite"));

    // A longer text stored by other means is shown whole and kept unless edited.
    t->Cancel();
    db->exec(QStringLiteral("update Artikel set Einheit = 'Packung'"));
    t->Refresh();
    auto *edit = bind(new DBEdit, QStringLiteral("Einheit"));
    EXPECT_EQ(edit->text(), QStringLiteral("Packung"));
}

} // namespace
