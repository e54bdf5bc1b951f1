// SPDX-License-Identifier: GPL-3.0-or-later
// The other bound controls on documents (Vorgang1): memo, check box, pick
// list, lookup list and label; each shares DBEdit's binding, so these cases
// cover what is their own.
#include "widgetfixture.h"

#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbmemo.h"
#include "widgets/dbtext.h"

#include <QLineEdit>

namespace {

class BoundControls : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        db->exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, bezahlt, Notiz, vk) "
                                "values ('R', '1', 1, 'Zeile 1' || char(13, 10) || 'Zeile 2', 10)"));
        db->exec(
            QStringLiteral("insert into Vorgang1 (typ, vorgangnr, bezahlt, vk) values ('A', '2', 0, 20)"));
        types = table(QStringLiteral("VTyp"), QStringLiteral("typen"));
        types->Open();
        docs = table(QStringLiteral("Vorgang1"), QStringLiteral("vorgang"));
        docs->addLookupField(QStringLiteral("TypName"), FieldType::Text, 30, QStringLiteral("typ"), types,
                             QStringLiteral("id"), QStringLiteral("Typbez"));
        docs->Open();
        src = sourceOf(docs);
        other = add(new QLineEdit);
        show();
    }
    TField *f(const char *name) { return docs->FieldByName(QString::fromUtf8(name)); }

    TVexDaoTable *types = nullptr, *docs = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(BoundControls, MemoShowsLinesAndWritesThemBackWithWindowsBreaks)
{
    auto *memo = bind(new DBMemo, QStringLiteral("Notiz"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
    focusOn(memo);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    type(memo, QStringLiteral("Zeile 3"));
    EXPECT_EQ(docs->State(), DataSetState::Edit);
    EXPECT_EQ(f("Notiz")->AsString(), QStringLiteral("Zeile 1\r\nZeile 2"))
        << "Return is a line, not a leave";
    focusOn(other);
    EXPECT_EQ(f("Notiz")->AsString(), QStringLiteral("Zeile 1\r\nZeile 2\r\nZeile 3"));

    focusOn(memo);
    type(memo, QStringLiteral("x"));
    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Zeile 1\nZeile 2\nZeile 3"));
    EXPECT_FALSE(memo->isModified());
    docs->Next();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_EQ(db->scalar(QStringLiteral("select Notiz from Vorgang1 where vorgangnr = '1'")).rawText(),
              QStringLiteral("Zeile 1\r\nZeile 2\r\nZeile 3"));
}

TEST_F(BoundControls, CheckBoxWritesOnClickAndFollowsCancel)
{
    auto *paid = bind(new DBCheckBox(QStringLiteral("bezahlt")), QStringLiteral("bezahlt"));
    EXPECT_TRUE(paid->isChecked());
    docs->Next();
    EXPECT_FALSE(paid->isChecked());
    focusOn(paid);
    QTest::keyClick(paid, Qt::Key_Space);
    EXPECT_TRUE(paid->isChecked());
    EXPECT_EQ(docs->State(), DataSetState::Edit);
    EXPECT_TRUE(f("bezahlt")->AsBoolean()) << "written at once";
    docs->Cancel();
    EXPECT_FALSE(paid->isChecked());

    QTest::keyClick(paid, Qt::Key_Space);
    docs->First();
    EXPECT_EQ(db->scalar(QStringLiteral("select bezahlt from Vorgang1 where vorgangnr = '2'")).rawInt(), 1);

    paid->setReadOnly(true);
    QTest::keyClick(paid, Qt::Key_Space);
    EXPECT_TRUE(paid->isChecked());
    EXPECT_EQ(docs->State(), DataSetState::Browse);
    paid->setReadOnly(false);
    docs->Close();
    EXPECT_FALSE(paid->isChecked());
    QTest::keyClick(paid, Qt::Key_Space);
    EXPECT_FALSE(paid->isChecked()) << "nothing to write into";
}

TEST_F(BoundControls, DropDownListWritesTheChosenEntryAndShowsOthersAsNoChoice)
{
    auto *typ = bind(new DBComboBox, QStringLiteral("typ"));
    typ->setItems({QStringLiteral("A"), QStringLiteral("R"), QStringLiteral("V")});
    EXPECT_EQ(typ->currentText(), QStringLiteral("R"));
    focusOn(typ);
    QTest::keyClick(typ, Qt::Key_Down);
    EXPECT_EQ(typ->currentText(), QStringLiteral("V"));
    EXPECT_EQ(docs->State(), DataSetState::Edit);
    EXPECT_EQ(f("typ")->AsString(), QStringLiteral("V"));
    docs->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select typ from Vorgang1 where vorgangnr = '1'")).rawText(),
              QStringLiteral("V"));

    typ->setItems({QStringLiteral("R")});
    EXPECT_EQ(typ->currentIndex(), -1) << "'V' is not in the list";
    typ->setReadOnly(true);
    typ->setItems({QStringLiteral("R"), QStringLiteral("V")});
    QTest::keyClick(typ, Qt::Key_Up);
    EXPECT_EQ(typ->currentText(), QStringLiteral("V"));
    EXPECT_EQ(docs->State(), DataSetState::Browse);
}

TEST_F(BoundControls, EditableComboTakesTypedTextOnLeaving)
{
    auto *currency = bind(new DBComboBox, QStringLiteral("Waehrung"));
    currency->setEditable(true);
    currency->setItems({QStringLiteral("DM"), QStringLiteral("€")});
    focusOn(currency);
    type(currency, QStringLiteral("EUR"));
    EXPECT_EQ(docs->State(), DataSetState::Edit);
    EXPECT_TRUE(f("Waehrung")->IsNull());
    focusOn(other);
    EXPECT_EQ(f("Waehrung")->AsString(), QStringLiteral("EUR"));
    EXPECT_EQ(currency->items().size(), 2) << "typed text does not join the pick list";
    docs->Cancel();
    EXPECT_TRUE(currency->currentText().isEmpty());
}

TEST_F(BoundControls, LookupListShowsTheResultAndWritesTheKey)
{
    auto *typ = bind(new DBLookupComboBox, QStringLiteral("typ"));
    auto *typenSrc = sourceOf(types);
    typ->setListSource(typenSrc);
    typ->setKeyField(QStringLiteral("id"));
    typ->setListField(QStringLiteral("Typbez"));
    EXPECT_EQ(typ->count(), 9);
    EXPECT_EQ(typ->currentText(), QStringLiteral("Rechnung"));
    focusOn(typ);
    QTest::keyClick(typ, Qt::Key_Down);
    EXPECT_EQ(typ->currentText(), QStringLiteral("Vertrag"));
    EXPECT_EQ(f("typ")->AsString(), QStringLiteral("V"));
    EXPECT_EQ(docs->State(), DataSetState::Edit);
    docs->Cancel();
    EXPECT_EQ(typ->currentText(), QStringLiteral("Rechnung"));

    types->Insert();
    types->FieldByName(QStringLiteral("Typbez"))->SetAsString(QStringLiteral("Sammelrechnung"));
    types->FieldByName(QStringLiteral("id"))->SetAsString(QStringLiteral("S"));
    types->Post();
    EXPECT_EQ(typ->count(), 10) << "the list follows its dataset";
    docs->Next();
    EXPECT_EQ(typ->currentText(), QStringLiteral("Angebot"));
}

TEST_F(BoundControls, LookupFieldBindingTakesItsDefinitionFromTheField)
{
    auto *typ = bind(new DBLookupComboBox, QStringLiteral("TypName"));
    auto *name = bind(new DBText, QStringLiteral("TypName"));
    EXPECT_EQ(typ->count(), 9);
    EXPECT_EQ(typ->currentText(), QStringLiteral("Rechnung"));
    focusOn(typ);
    QTest::keyClick(typ, Qt::Key_Up);
    EXPECT_EQ(f("typ")->AsString(), QStringLiteral("M"));
    EXPECT_EQ(name->text(), QStringLiteral("Mahnung")) << "the label follows the key it depends on";
    f("typ")->SetAsString(QStringLiteral("A"));
    EXPECT_EQ(typ->currentText(), QStringLiteral("Angebot"));
    f("typ")->SetAsString(QStringLiteral("X"));
    EXPECT_EQ(typ->currentIndex(), -1);
}

TEST_F(BoundControls, LabelFollowsRowsAndWaitsWhileControlsAreDisabled)
{
    auto *price = bind(new DBText, QStringLiteral("vk"));
    f("vk")->DisplayFormat = QStringLiteral("#,##0.00 €");
    price->setDataField(QStringLiteral("vk"));
    EXPECT_EQ(price->text(), QStringLiteral("10,00 €"));
    docs->DisableControls();
    docs->Next();
    EXPECT_EQ(price->text(), QStringLiteral("10,00 €"));
    docs->EnableControls();
    EXPECT_EQ(price->text(), QStringLiteral("20,00 €"));
    docs->Close();
    EXPECT_TRUE(price->text().isEmpty());
}

} // namespace
