// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh database, the scripted dialog seam (an unasked-for question fails
// the test) and an active top-level window on the offscreen platform, so that
// focus changes and key presses reach the controls as they do on a screen.
#include "tests/dbfixture.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest/QTest>

class WidgetFixture : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
        window = std::make_unique<QWidget>();
        window->resize(640, 480);
        new QVBoxLayout(window.get());
    }
    void TearDown() override
    {
        window.reset();
        DbFixture::TearDown();
    }

    template <class W> W *add(W *w)
    {
        window->layout()->addWidget(w);
        if (window->isVisible()) w->show(); // the layout would show it only from the event loop
        return w;
    }
    TDataSource *sourceOf(TVexDaoTable *t) { return new TDataSource(window.get(), t); }
    void show()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    // Gives the focus to a control as a Tab press would.
    void focusOn(QWidget *w)
    {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus());
    }
    // The same, where the control being left may keep the focus.
    static void tryFocus(QWidget *w) { w->setFocus(Qt::TabFocusReason); }
    // The message boxes asked so far, one "caption|text" a line.
    QString messages() { return dialogs->messages().join(QLatin1Char('\n')); }
    // Types text into the focused control, umlauts included (QTest::keyClicks takes ASCII only).
    static void type(QWidget *w, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(w, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c),
                                    Qt::NoModifier);
        }
    }
    // A control added to the window, bound to the field through src.
    template <class C> C *bind(C *control, const QString &field)
    {
        add(control);
        control->setDataSource(src);
        control->setDataField(field);
        return control;
    }
    // The editor a grid has open on a cell, or nullptr.
    static QLineEdit *cellEditorOf(DBGrid *grid)
    {
        for (QLineEdit *e : grid->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    // Opens the cell with F2 and types the text over what it holds.
    void typeIntoCell(DBGrid *grid, int row, int column, const QString &text)
    {
        focusOn(grid);
        grid->setCurrentIndex(grid->gridModel()->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        ASSERT_NE(cellEditorOf(grid), nullptr);
        cellEditorOf(grid)->selectAll();
        type(cellEditorOf(grid), text);
    }
    // An Artikel row per description; VK is the row number.
    void addArticles(const QStringList &descriptions)
    {
        int n = 0;
        for (const QString &d : descriptions)
            db->exec(
                QStringLiteral("insert into Artikel([Art-Nr], Beschreibung, VK) values ('A%1', '%2', %1)")
                    .arg(++n)
                    .arg(d));
    }
    qint64 count(const QString &table)
    {
        return db->scalar(QStringLiteral("select count(*) from ") + table).rawInt();
    }

    ScriptedDialogsScope dialogs;
    std::unique_ptr<QWidget> window;
    TDataSource *src = nullptr; // of the rows under test
};
