// SPDX-License-Identifier: GPL-3.0-or-later
// Field values: conversions between text, numbers and dates in German form,
// sizes, display formats and the messages of failed conversions.
#include "tests/dbfixture.h"

#include "base/germanformat.h"

namespace {

class FieldConversion : public DbFixture
{
  protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        t = table(QStringLiteral("Vorgang1"), QStringLiteral("vorgang"));
        t->Open();
        t->Insert();
    }
    TField *f(const char *name) { return t->FieldByName(QString::fromUtf8(name)); }
    TVexDaoTable *t = nullptr;
};

TEST_F(FieldConversion, TextIntoNumbersAndDates)
{
    f("vk")->SetAsString(QStringLiteral("1.234,56"));
    EXPECT_DOUBLE_EQ(f("vk")->AsFloat(), 1234.56);
    f("ek")->SetAsString(QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(f("ek")->AsFloat(), 2.5);
    f("datum")->SetAsString(QStringLiteral("15.01.2005"));
    EXPECT_EQ(f("datum")->AsDate(), QDate(2005, 1, 15));
    f("vorgangnr")->SetAsInteger(10042);
    EXPECT_EQ(f("vorgangnr")->AsString(), QStringLiteral("10042"));
    EXPECT_EQ(f("vorgangnr")->AsInteger(), 10042);
    f("zieltage")->SetAsString(QStringLiteral("30"));
    EXPECT_EQ(f("zieltage")->AsInteger(), 30);
    t->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select datum from vorgang1")).rawText(),
              QStringLiteral("2005-01-15"));
    EXPECT_DOUBLE_EQ(db->scalar(QStringLiteral("select vk from vorgang1")).rawDouble(), 1234.56);
}

TEST_F(FieldConversion, BadTextGivesMessageAndKeepsValue)
{
    f("vk")->SetAsFloat(5);
    EXPECT_EQ(ERROR_OF(f("vk")->SetAsString(QStringLiteral("abc"))),
              QStringLiteral("'abc' ist kein gültiger Fließkommawert für Feld 'vk'"));
    EXPECT_EQ(f("vk")->AsFloat(), 5.0);
    EXPECT_EQ(ERROR_OF(f("zieltage")->SetAsString(QStringLiteral("7x"))),
              QStringLiteral("'7x' ist kein gültiger Integerwert für Feld 'zieltage'"));
    EXPECT_EQ(ERROR_OF(f("datum")->SetAsString(QStringLiteral("31.02.2005"))),
              QStringLiteral("'31.02.2005' ist kein gültiges Datum"));
    EXPECT_FALSE(ERROR_OF(f("zieltage")->SetAsInteger(40000)).isEmpty()) << "short holds 16 bits";
    f("vorgangnr")->SetAsString(QStringLiteral("R-17"));
    EXPECT_EQ(ERROR_OF(f("vorgangnr")->AsInteger()), QStringLiteral("'R-17' ist kein gültiger Integerwert"));
}

TEST_F(FieldConversion, LongTextIsCutToTheFieldSize)
{
    f("vorgangnr")->SetAsString(QStringLiteral("12345678901234567890"));
    EXPECT_EQ(f("vorgangnr")->AsString(), QStringLiteral("123456789012345"));
    f("Waehrung")->SetAsString(QStringLiteral("€"));
    f("anschrift")->SetAsString(QString(500, QLatin1Char('x')));
    t->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select Waehrung from vorgang1")).rawText(), QStringLiteral("€"));
    EXPECT_EQ(db->scalar(QStringLiteral("select length(anschrift) from vorgang1")).rawInt(), 500);
    t->Close();
    t->Open();
    EXPECT_EQ(f("Waehrung")->AsString(), QStringLiteral("€"));
    EXPECT_EQ(f("Waehrung")->AsString().size(), 1);
}

TEST_F(FieldConversion, TextIsCutAtWholeCharacters)
{
    // vorgangnr holds 15 characters; one outside the basic plane is one character.
    const QString clef = QStringLiteral("\U0001D11E");
    const QString fourteen(14, QLatin1Char('1'));
    f("vorgangnr")->SetAsString(fourteen + clef + QStringLiteral("x"));
    EXPECT_EQ(f("vorgangnr")->AsString(), fourteen + clef);
    f("vorgangnr")->SetAsString(QString(15, QLatin1Char('2')) + clef);
    EXPECT_EQ(f("vorgangnr")->AsString(), QString(15, QLatin1Char('2')));
    EXPECT_EQ(TField::charCount(fourteen + clef), 15);
    // A mark that belongs to the last letter goes with it.
    f("vorgangnr")->SetAsString(fourteen + QStringLiteral("e\u0301x"));
    EXPECT_EQ(f("vorgangnr")->AsString(), fourteen);
    f("vorgangnr")->SetAsString(fourteen + clef);
    t->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select vorgangnr from vorgang1")).rawText(), fourteen + clef)
        << "stored whole, no question mark";
    EXPECT_EQ(f("vorgangnr")->MaxChars(), 15);
    EXPECT_EQ(f("anschrift")->MaxChars(), 0) << "a memo has no limit";
    EXPECT_EQ(TField::cutToChars(QStringLiteral("ab") + clef + QStringLiteral("c"), 3),
              QStringLiteral("ab") + clef);
}

TEST_F(FieldConversion, NullsReadAsEmptyZeroFalse)
{
    EXPECT_EQ(f("vk")->AsFloat(), 0.0);
    EXPECT_EQ(f("zieltage")->AsInteger(), 0);
    EXPECT_FALSE(f("bezahlt")->AsBoolean());
    EXPECT_EQ(f("Notiz")->AsString(), QString());
    EXPECT_FALSE(f("datum")->AsDateTime().isValid());
    t->Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select bezahlt from vorgang1")).rawInt(), 0)
        << "yes/no is stored as 0";
}

TEST_F(FieldConversion, DisplayFormatsInGermanForm)
{
    f("vk")->DisplayFormat = QStringLiteral("#,#0.00");
    f("vk")->SetAsFloat(1234567.891);
    EXPECT_EQ(f("vk")->DisplayText(), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(f("vk")->EditText(), QStringLiteral("1234567,891"));
    f("vk")->SetAsFloat(-0.5);
    EXPECT_EQ(f("vk")->DisplayText(), QStringLiteral("-0,50"));
    EXPECT_EQ(German::formatMask(5, QStringLiteral("#,##0.00 ")), QStringLiteral("5,00 "));
    EXPECT_EQ(German::formatMask(0.004, QStringLiteral("#,#0.00")), QStringLiteral("0,00"));
    // Every number rounds from its decimal value, half up, not from the
    // binary double just below it.
    const std::pair<double, const char *> cases[] = {{2.675, "2,68"},   {1.005, "1,01"},
                                                     {-1.005, "-1,01"}, {999.995, "1.000,00"},
                                                     {0.995, "1,00"},   {1e-7, "0,00"}};
    for (const auto &[value, shown] : cases)
        EXPECT_EQ(German::formatMask(value, QStringLiteral("#,#0.00")), QString::fromUtf8(shown)) << value;
    EXPECT_EQ(German::formatMask(12.5, QStringLiteral("0")), QStringLiteral("13"));
    // An amount of money rounds as the printed sums do: 292,50 x 1,19 is
    // 348,075, whose double sits just below; the cent goes up all the same.
    f("vk")->SetAsFloat(double(292.5L * 1.19L));
    EXPECT_EQ(f("vk")->DisplayText(), QStringLiteral("348,08"));
    f("vk")->Currency = true;
    EXPECT_EQ(f("vk")->DisplayText(), QStringLiteral("348,08"));
    EXPECT_EQ(f("vk")->EditText(), QStringLiteral("348,075"));
    f("vk")->SetAsFloat(-0.125);
    EXPECT_EQ(f("vk")->DisplayText(), QStringLiteral("-0,13"));
    f("datum")->SetAsDateTime(QDateTime(QDate(1999, 1, 1), QTime(8, 0)));
    EXPECT_EQ(f("datum")->DisplayText(), QStringLiteral("01.01.1999 08:00:00"));
}

TEST_F(FieldConversion, CounterIsReadOnly)
{
    EXPECT_EQ(ERROR_OF(f("id")->SetAsInteger(5)),
              QStringLiteral("vorgang: Feld 'id' kann nicht geändert werden"));
}

} // namespace
