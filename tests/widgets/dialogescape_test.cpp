// SPDX-License-Identifier: GPL-3.0-or-later
// Esc in a dialog: in a control holding typed text it only reverts that
// text and the dialog stays; a dialog may give Esc an action of its own
// (closing as OK with what was typed), which wins over the revert.
#include "widgetfixture.h"

#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dialogescape.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>

namespace {

class EscapeInDialogs : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Schraube")});
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        t->Open();
        src = sourceOf(t);
        dialog = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(dialog.get());
        name = new DBEdit(dialog.get());
        name->setDataSource(src);
        name->setDataField(QStringLiteral("Beschreibung"));
        layout->addWidget(name);
        grid = new DBGrid(dialog.get());
        grid->setDataSource(src);
        grid->setColumns({{QStringLiteral("Beschreibung")}, {QStringLiteral("VK")}});
        layout->addWidget(grid);
        // An Esc shortcut of the window's own, which a control's revert must beat.
        auto *cancel = new QAction(QStringLiteral("Abbrechen"), dialog.get());
        cancel->setShortcut(Qt::Key_Escape);
        QObject::connect(cancel, &QAction::triggered, dialog.get(), &QDialog::reject);
        dialog->addAction(cancel);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    void TearDown() override
    {
        dialog.reset();
        WidgetFixture::TearDown();
    }
    QLineEdit *cellEditor() { return cellEditorOf(grid); }
    // Esc as the keyboard sends it: shortcuts first, then the focused control.
    static void escape(QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); }
    QString description() { return t->FieldByName(QStringLiteral("Beschreibung"))->AsString(); }

    TVexDaoTable *t = nullptr;
    std::unique_ptr<QDialog> dialog;
    DBEdit *name = nullptr;
    DBGrid *grid = nullptr;
};

TEST_F(EscapeInDialogs, EscRevertsTypedTextAndTheDialogStays)
{
    focusOn(name);
    type(name, QStringLiteral("x"));
    escape(name);
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    EXPECT_TRUE(dialog->isVisible()) << "the dialog's Esc did not act";
    EXPECT_EQ(t->State(), DataSetState::Edit);

    // In the grid each Esc takes back one step: the cell, then the row.
    focusOn(grid);
    grid->setCurrentIndex(grid->gridModel()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(cellEditor(), nullptr);
    type(cellEditor(), QStringLiteral("x"));
    escape(cellEditor());
    EXPECT_EQ(cellEditor(), nullptr);
    EXPECT_TRUE(dialog->isVisible());
    escape(grid);
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_TRUE(dialog->isVisible());

    escape(grid);
    EXPECT_FALSE(dialog->isVisible()) << "nothing left to take back: the dialog's Esc";
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(EscapeInDialogs, ADialogsOwnEscActionWinsAndKeepsWhatWasTyped)
{
    DialogEscape::acceptOnEscape(dialog.get());
    focusOn(name);
    name->selectAll();
    type(name, QStringLiteral("Dübel"));
    escape(name);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << "closed as OK";
    EXPECT_EQ(description(), QStringLiteral("Dübel"));
    EXPECT_EQ(t->State(), DataSetState::Edit);

    // Typed into a grid cell: the same.
    t->Cancel();
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    focusOn(grid);
    grid->setCurrentIndex(grid->gridModel()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(cellEditor(), nullptr);
    cellEditor()->selectAll();
    type(cellEditor(), QStringLiteral("Mutter"));
    escape(cellEditor());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(description(), QStringLiteral("Mutter"));

    // A value the field refuses keeps the dialog open with its message.
    t->Cancel();
    dialog->setResult(0);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    focusOn(grid);
    grid->setCurrentIndex(grid->gridModel()->index(0, 1));
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_NE(cellEditor(), nullptr);
    type(cellEditor(), QStringLiteral("1.5"));
    dialogs->answerMessage(Dialogs::Ok);
    escape(cellEditor());
    EXPECT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    ASSERT_NE(cellEditor(), nullptr);
    EXPECT_TRUE(dialogs->allAnswered());
}

} // namespace
