// SPDX-License-Identifier: GPL-3.0-or-later
// The edit cycle of a bound line edit: what it shows, typing, leaving,
// posting, cancelling, moving away, conversion errors and suspended display.
#include "widgetfixture.h"

#include "widgets/dbedit.h"

#include <QLineEdit>

namespace {

class DBEditCycle : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Schraube"), QStringLiteral("Mutter")});
        db->exec(QStringLiteral(
            "update Artikel set VK = 1234.5, Preisdatum = '2005-01-15' where [Art-Nr] = 'A1'"));
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        t->Open();
        t->FieldByName(QStringLiteral("VK"))->DisplayFormat = QStringLiteral("#,##0.00");
        src = sourceOf(t);
        name = bind(QStringLiteral("Beschreibung"));
        price = bind(QStringLiteral("VK"));
        date = bind(QStringLiteral("Preisdatum"));
        other = add(new QLineEdit);
        show();
    }
    DBEdit *bind(const QString &field)
    {
        auto *e = add(new DBEdit);
        e->setDataSource(src);
        e->setDataField(field);
        return e;
    }
    // Replaces the whole text as a user would: select all, type.
    void retype(DBEdit *e, const QString &text)
    {
        focusOn(e);
        e->selectAll();
        type(e, text);
    }
    QString stored(const char *column, const char *artNr = "A1")
    {
        return db
            ->scalar(QStringLiteral("select %1 from Artikel where [Art-Nr] = '%2'")
                         .arg(QLatin1String(column), QLatin1String(artNr)))
            .rawText();
    }
    TField *f(const char *field) { return t->FieldByName(QString::fromUtf8(field)); }

    TVexDaoTable *t = nullptr;
    DBEdit *name = nullptr, *price = nullptr, *date = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(DBEditCycle, ShowsDisplayTextAndEditTextWhileFocused)
{
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    EXPECT_EQ(price->text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(date->text(), QStringLiteral("15.01.2005"));
    focusOn(price);
    EXPECT_EQ(price->text(), QStringLiteral("1234,5"));
    focusOn(other);
    EXPECT_EQ(price->text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(t->State(), DataSetState::Browse) << "looking is no editing";
    EXPECT_EQ(name->maxLength(), 50) << "the field's size";
}

TEST_F(DBEditCycle, TypingEditsLeavingWritesAndPostStores)
{
    retype(name, QStringLiteral("Dübel"));
    EXPECT_EQ(t->State(), DataSetState::Edit);
    EXPECT_TRUE(name->isModified());
    EXPECT_EQ(f("Beschreibung")->AsString(), QStringLiteral("Schraube")) << "written only on leaving";
    focusOn(other);
    EXPECT_EQ(f("Beschreibung")->AsString(), QStringLiteral("Dübel"));
    EXPECT_FALSE(name->isModified());
    t->Post();
    EXPECT_EQ(stored("Beschreibung"), QStringLiteral("Dübel"));
    EXPECT_EQ(name->text(), QStringLiteral("Dübel"));
}

TEST_F(DBEditCycle, EnterWritesAndNumbersTakeTheDecimalComma)
{
    retype(price, QStringLiteral("2,75"));
    QTest::keyClick(price, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(f("VK")->AsFloat(), 2.75);
    EXPECT_TRUE(price->hasFocus());
    EXPECT_EQ(price->text(), QStringLiteral("2,75"));
    focusOn(other);
    EXPECT_EQ(price->text(), QStringLiteral("2,75"));
    retype(date, QStringLiteral("01.03.2006"));
    QTest::keyClick(date, Qt::Key_Enter);
    EXPECT_EQ(f("Preisdatum")->AsDate(), QDate(2006, 3, 1));
}

TEST_F(DBEditCycle, PostAndMovesWriteTextStillInTheControl)
{
    retype(name, QStringLiteral("Nagel"));
    t->Post(); // the control keeps the focus: the dataset fetches the text
    EXPECT_EQ(stored("Beschreibung"), QStringLiteral("Nagel"));
    EXPECT_EQ(t->State(), DataSetState::Browse);

    retype(name, QStringLiteral("Niete"));
    t->Next();
    EXPECT_EQ(stored("Beschreibung"), QStringLiteral("Niete")) << "moving away saves a changed row";
    EXPECT_EQ(name->text(), QStringLiteral("Mutter"));
}

TEST_F(DBEditCycle, MovingAwayWithoutAChangeDropsTheEditAndCancelRestores)
{
    retype(name, QStringLiteral("Bolzen"));
    t->Cancel();
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    EXPECT_FALSE(name->isModified());
    EXPECT_EQ(t->State(), DataSetState::Browse);
    focusOn(other);
    EXPECT_EQ(f("Beschreibung")->AsString(), QStringLiteral("Schraube"))
        << "leaving after cancel writes nothing";
    EXPECT_EQ(t->State(), DataSetState::Browse);

    t->Insert();
    focusOn(name);
    focusOn(other);
    t->First();
    EXPECT_EQ(count(QStringLiteral("Artikel")), 2) << "a new row nobody typed into is dropped";
}

TEST_F(DBEditCycle, TypingIntoAnEmptyDatasetInserts)
{
    db->exec(QStringLiteral("delete from Artikel"));
    t->Close();
    t->Open();
    EXPECT_TRUE(name->text().isEmpty());
    retype(name, QStringLiteral("Erstes"));
    EXPECT_EQ(t->State(), DataSetState::Insert);
    EXPECT_EQ(name->text(), QStringLiteral("Erstes")) << "the insert does not swallow the typed text";
    t->Post();
    EXPECT_EQ(count(QStringLiteral("Artikel")), 1);
    EXPECT_EQ(db->scalar(QStringLiteral("select Beschreibung from Artikel")).rawText(),
              QStringLiteral("Erstes"));
}

TEST_F(DBEditCycle, BadNumberShowsTheLayersMessageAndKeepsRecordAndText)
{
    dialogs->answerMessage(Dialogs::Ok);
    retype(price, QStringLiteral("12a"));
    tryFocus(other);
    EXPECT_EQ(messages(),
              QStringLiteral("Tavirelsverwaltung|'12a' ist kein gültiger Fließkommawert für Feld 'VK'"))
        << "a closing quote sorts before the full stop: no full stop added";
    EXPECT_EQ(dialogs->interactions().first().icon, Dialogs::Error);
    EXPECT_DOUBLE_EQ(f("VK")->AsFloat(), 1234.5);
    EXPECT_EQ(price->text(), QStringLiteral("12a"));
    EXPECT_TRUE(price->hasFocus()) << "back to the control for the correction";
    EXPECT_TRUE(price->isModified());

    QTest::keyClick(price, Qt::Key_Escape);
    EXPECT_EQ(price->text(), QStringLiteral("1234,5"));
    EXPECT_FALSE(price->isModified());
    focusOn(other);
    EXPECT_TRUE(dialogs->allAnswered());
    EXPECT_DOUBLE_EQ(f("VK")->AsFloat(), 1234.5);
}

TEST_F(DBEditCycle, BadDateRefusesPostAndEnter)
{
    retype(date, QStringLiteral("31.02.2005"));
    dialogs->answerMessage(Dialogs::Ok);
    QTest::keyClick(date, Qt::Key_Return);
    EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|'31.02.2005' ist kein gültiges Datum."));
    EXPECT_EQ(ERROR_OF(t->Post()), QStringLiteral("'31.02.2005' ist kein gültiges Datum"));
    EXPECT_EQ(t->State(), DataSetState::Edit) << "the row stays in edit state";
    EXPECT_EQ(ERROR_OF(t->Next()), QStringLiteral("'31.02.2005' ist kein gültiges Datum"));
    EXPECT_EQ(t->RecNo(), 0) << "the dataset does not leave the row";
    EXPECT_EQ(stored("Preisdatum"), QStringLiteral("2005-01-15"));
    EXPECT_EQ(date->text(), QStringLiteral("31.02.2005"));
    date->selectAll();
    type(date, QStringLiteral("28.02.2005"));
    t->Post();
    EXPECT_EQ(stored("Preisdatum"), QStringLiteral("2005-02-28"));
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(DBEditCycle, DisabledControlsKeepTheOldRowUntilEnabled)
{
    t->DisableControls();
    t->Next();
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    focusOn(name); // not even the focus makes it read the moved dataset
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    t->EnableControls();
    EXPECT_EQ(name->text(), QStringLiteral("Mutter"));
}

TEST_F(DBEditCycle, ClosedDatasetReadOnlyAndUnknownFieldsShowNothingAndTakeNothing)
{
    t->Close();
    EXPECT_TRUE(name->text().isEmpty());
    focusOn(name);
    type(name, QStringLiteral("x"));
    EXPECT_TRUE(name->text().isEmpty());
    focusOn(other);
    t->Open();
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));

    auto *id = bind(QStringLiteral("id")); // the counter
    focusOn(id);
    type(id, QStringLiteral("9"));
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(id->text(), QStringLiteral("1"));

    f("Beschreibung")->ReadOnly = true;
    name->setDataField(QStringLiteral("Beschreibung"));
    focusOn(name);
    type(name, QStringLiteral("x"));
    EXPECT_EQ(name->text(), QStringLiteral("Schraube"));
    EXPECT_EQ(t->State(), DataSetState::Browse);

    auto *nowhere = bind(QStringLiteral("GibtEsNicht"));
    EXPECT_TRUE(nowhere->text().isEmpty());
    focusOn(nowhere);
    type(nowhere, QStringLiteral("x"));
    EXPECT_TRUE(nowhere->text().isEmpty());

    name->setReadOnly(false);
    f("Beschreibung")->ReadOnly = false;
    name->setReadOnly(true);
    type(name, QStringLiteral("x"));
    EXPECT_EQ(t->State(), DataSetState::Browse) << "the control's own read-only wish";
}

TEST_F(DBEditCycle, DestroyedDatasetLeavesAnEmptyControl)
{
    t->Close();
    datasets.clear();
    EXPECT_TRUE(name->text().isEmpty());
    focusOn(name);
    type(name, QStringLiteral("x"));
    focusOn(other);
}

} // namespace
