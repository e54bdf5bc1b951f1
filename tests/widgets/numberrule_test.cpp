// SPDX-License-Identifier: GPL-3.0-or-later
// One rule for numbers typed with dots, wherever a number is typed: a bound
// edit, a grid cell, and the text of an input box or an unbound edit read
// with German::readFloat. A dot is only a thousands separator.
#include "widgetfixture.h"

#include "base/germanformat.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"

#include <QLineEdit>
#include <optional>

namespace {

struct Typed
{
    const char *text;
    std::optional<double> number;  // what a number field takes; none = refused
    std::optional<qint64> integer; // what a whole-number field takes
};

const Typed kTyped[] = {
    {"1.500", 1500, 1500},
    {"1.234.567,89", 1234567.89, {}},
    {"12.345.678", 12345678, 12345678},
    {"-1.500", -1500, -1500},
    {"1.500,5", 1500.5, {}},
    {"12,5", 12.5, {}},
    {",5", 0.5, {}},
    {"1500", 1500, 1500},
    {" 7 ", 7, 7},
    {"2,50 €", 2.5, {}},
    // An English decimal point is no thousands separator: refused, not scaled.
    {"0.500", {}, {}},
    {"-0.250", {}, {}},
    {"1.5", {}, {}},
    {"12.50", {}, {}},
    {"1.5000", {}, {}},
    {"1234.567", {}, {}},
    {"1.500.00", {}, {}},
    {".500", {}, {}},
    {"1.", {}, {}},
    {"1,5,6", {}, {}},
    {"12a", {}, {}},
    {"abc", {}, {}},
};

class NumberRule : public WidgetFixture
{
  protected:
    void SetUp() override
    {
        WidgetFixture::SetUp();
        addArticles({QStringLiteral("Schraube")});
        db->exec(QStringLiteral("update Artikel set VK = 7"));
        t = table(QStringLiteral("Artikel"), QStringLiteral("Artikel"));
        t->Open();
        src = sourceOf(t);
        price = add(new DBEdit);
        price->setDataSource(src);
        price->setDataField(QStringLiteral("VK"));
        grid = add(new DBGrid);
        grid->setDataSource(src);
        grid->setColumns({{QStringLiteral("Beschreibung")}, {QStringLiteral("VK")}});
        other = add(new QLineEdit);
        show();
    }
    QLineEdit *cellEditor() { return cellEditorOf(grid); }
    double vk() { return t->FieldByName(QStringLiteral("VK"))->AsFloat(); }

    TVexDaoTable *t = nullptr;
    DBEdit *price = nullptr;
    DBGrid *grid = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(NumberRule, EveryPlaceANumberIsTypedTakesOrRefusesTheSameTexts)
{
    for (const Typed &c : kTyped) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        const QString refusal =
            QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld 'VK'").arg(text);

        // An input box or the gross price edit of the position dialog.
        if (c.number)
            EXPECT_DOUBLE_EQ(German::readFloat(text, QStringLiteral("VK")), *c.number);
        else
            EXPECT_EQ(ERROR_OF(German::readFloat(text, QStringLiteral("VK"))), refusal);
        if (c.integer)
            EXPECT_EQ(German::readInteger(text), *c.integer);
        else
            EXPECT_EQ(ERROR_OF(German::readInteger(text)),
                      QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));

        // A bound edit, left with Tab.
        dialogs->clear();
        if (!c.number) dialogs->answerMessage(Dialogs::Ok);
        focusOn(price);
        price->selectAll();
        type(price, text);
        tryFocus(other);
        if (c.number) {
            EXPECT_DOUBLE_EQ(vk(), *c.number);
            EXPECT_TRUE(dialogs->interactions().isEmpty());
        } else {
            EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|") + refusal);
            EXPECT_DOUBLE_EQ(vk(), 7) << "the field keeps its value";
            EXPECT_TRUE(price->hasFocus());
            QTest::keyClick(price, Qt::Key_Escape);
            focusOn(other);
        }
        t->Cancel();

        // A grid cell, written with Enter.
        dialogs->clear();
        if (!c.number) dialogs->answerMessage(Dialogs::Ok);
        typeIntoCell(grid, 0, 1, text);
        ASSERT_NE(cellEditor(), nullptr);
        QTest::keyClick(cellEditor(), Qt::Key_Return);
        if (c.number) {
            EXPECT_DOUBLE_EQ(vk(), *c.number);
        } else {
            EXPECT_EQ(messages(), QStringLiteral("Tavirelsverwaltung|") + refusal);
            EXPECT_DOUBLE_EQ(vk(), 7);
            ASSERT_NE(cellEditor(), nullptr) << "open for the correction";
            QTest::keyClick(cellEditor(), Qt::Key_Escape);
        }
        t->Cancel();
        EXPECT_TRUE(dialogs->allAnswered());
    }
    EXPECT_EQ(db->scalar(QStringLiteral("select VK from Artikel")).toDouble(), 7) << "nothing was saved";
}

} // namespace
