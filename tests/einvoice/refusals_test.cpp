// SPDX-License-Identifier: GPL-3.0-or-later
// Documents that cannot become a valid e-invoice are refused with a message
// that names everything missing, from the library and from the command line,
// and the command leaves no file behind.
#include "einvoicefixture.h"
#include "tests/commandrun.h"

#include "base/apperror.h"

#include <QFile>

namespace {

using Refusals = EInvoiceFixture;

TEST_F(Refusals, OtherTypesUnknownIdsAndDmDocuments)
{
    address(1, "Müller");
    const qint64 offer = document("A", 1, "5000");
    position(offer, 1, 1, 10);
    EXPECT_EQ(
        ERROR_OF(load(offer)),
        QStringLiteral("Vorgang A-5000: E-Rechnungen gibt es nur für Rechnungen (R) und Gutschriften (G)"));
    EXPECT_EQ(ERROR_OF(load(999)), QStringLiteral("Einen Vorgang mit der ID 999 gibt es nicht"));

    const qint64 dm = document("R", 1, "10000", "DM");
    position(dm, 1, 1, 10);
    EXPECT_EQ(ERROR_OF(load(dm)),
              QStringLiteral("Vorgang R-10000 kann nicht als E-Rechnung ausgegeben werden:\n"
                             "Er ist in DM ausgestellt; E-Rechnungen gibt es nur in Euro."));
}

TEST_F(Refusals, DocumentsWithoutPositionsOrWithTextOnly)
{
    address(1, "Müller");
    const qint64 empty = document("G", 1, "4000");
    EXPECT_TRUE(ERROR_OF(load(empty)).endsWith(QStringLiteral("\nEr hat keine Positionen.")));
    const qint64 textOnly = document("R", 1, "10001");
    position(textOnly, 1, 0, 0, "", "Nur ein Hinweis");
    EXPECT_TRUE(ERROR_OF(load(textOnly))
                    .endsWith(QStringLiteral("\nEr hat nur Textpositionen, keine Position mit Menge.")));

    // An amount no sum can carry, as another tool may have stored it.
    const qint64 overflowing = document("R", 1, "10002");
    position(overflowing, 1, 2, 10);
    db->raw().exec(
        QStringLiteral("insert into Vorgang2 (vorgangID, Pos, anzahl, Preis) values (%1, 2, 1, %2)")
            .arg(overflowing)
            .arg(db->isServer() ? QStringLiteral("'Infinity'") : QStringLiteral("1e999")));
    EXPECT_EQ(ERROR_OF(load(overflowing)),
              QStringLiteral("Vorgang R-10002 kann nicht als E-Rechnung ausgegeben werden:\n"
                             "Position 2 hat keine gültige Menge oder keinen gültigen Preis."));
}

// A document of an older version is printed with sums to the ten-thousandth:
// where the cents of an e-invoice would state other figures, it is refused
// until recomputed. So is a tax-free supply abroad to a customer at home.
TEST_F(Refusals, FiguresOtherThanThePrintsAndSuppliesAbroadThatAreNot)
{
    address(1, "Müller");
    const qint64 older = document("R", 1, "10000");
    for (int pos = 1; pos <= 3; ++pos)
        position(older, pos, 1, 10.005, "kg");
    db->exec(QStringLiteral("update Vorgang1 set Rundung = null where id = %1").arg(older));
    EXPECT_TRUE(ERROR_OF(load(older))
                    .contains(QStringLiteral("Rechnungsbetrag 35,72 € gedruckt, in Cent gerechnet 35,74 €")))
        << qPrintable(ERROR_OF(load(older)));
    db->exec(QStringLiteral("update Vorgang1 set Rundung = 1 where id = %1").arg(older));
    EXPECT_NO_THROW(load(older));

    const qint64 abroad = document("R", 1, "10001");
    position(abroad, 1, 1, 10);
    db->exec(QStringLiteral("update Vorgang1 set Rundung = 1, Steuerfall = 'G' where id = %1").arg(abroad));
    db->exec(
        QStringLiteral("update Vorgang2 set MwstSatz = 0, MwstKat = 'G' where vorgangID = %1").arg(abroad));
    EXPECT_TRUE(ERROR_OF(load(abroad))
                    .contains(QStringLiteral("Ausfuhrlieferung geht an einen Kunden außerhalb der EU")))
        << qPrintable(ERROR_OF(load(abroad)));
}

TEST_F(Refusals, MissingSellerDataIsListedWithTheKeysToSet)
{
    address(1, "Müller");
    const qint64 id = document("R", 1);
    position(id, 1, 1, 10);
    SellerData s = seller();
    s.Telefon.clear();
    s.UStIdNr.clear();
    s.IBAN = QStringLiteral("DE00 1234");
    EXPECT_EQ(ERROR_OF(load(id, s)),
              QStringLiteral("Vorgang R-10000 kann nicht als E-Rechnung ausgegeben werden:\n"
                             "In den Einstellungen (tavirel.ini, Abschnitt [ERechnung]) fehlt: "
                             "Umsatzsteuer-Identifikationsnummer oder Steuernummer (UStIdNr, Steuernummer), "
                             "Umsatzsteuer-Identifikationsnummer, Handelsregisternummer oder Kennung des "
                             "Verkäufers (UStIdNr, Handelsregister, Kennung), "
                             "gültige IBAN (IBAN), Telefon (Telefon)."));
}

TEST_F(Refusals, BuyersWithoutMailPostCodeOrCityAndEverythingAtOnce)
{
    address(1, "Weber", "", "", "");
    address(2, "Schmidt", "34253", "Lohfelden", "petra.schmidt(at)example.com");
    const qint64 first = document("R", 1, "10000", "DM");
    const qint64 second = document("R", 2, "10001");
    position(second, 1, 1, 10);
    const qint64 orphan = document("R", 77, "10002");
    position(orphan, 1, 1, 10);
    SellerData s = seller();
    s.EMail.clear();
    EXPECT_EQ(ERROR_OF(load(first, s)),
              QStringLiteral(
                  "Vorgang R-10000 kann nicht als E-Rechnung ausgegeben werden:\n"
                  "Er ist in DM ausgestellt; E-Rechnungen gibt es nur in Euro.\n"
                  "Er hat keine Positionen.\n"
                  "Bei der Adresse mit der Kundennummer 1 (Weber) fehlt: E-Mail-Adresse, Postleitzahl, Ort.\n"
                  "In den Einstellungen (tavirel.ini, Abschnitt [ERechnung]) fehlt: E-Mail (EMail)."));
    EXPECT_TRUE(
        ERROR_OF(load(second))
            .endsWith(QStringLiteral("\nBei der Adresse mit der Kundennummer 2 (Schmidt) fehlt: gültige "
                                     "E-Mail-Adresse (\"petra.schmidt(at)example.com\").")));
    EXPECT_TRUE(
        ERROR_OF(load(orphan)).endsWith(QStringLiteral("\nEs gibt keine Adresse mit der Kundennummer 77.")));

    // An e-invoice address of its own is enough where the address has no e-mail.
    address(3, "Wagner", "34292", "Ahnatal", "");
    insert("ERechnung", {{"KDNR", Value(3.0)}, {"Email", t("rechnung@wagner.de")}});
    const qint64 third = document("R", 3, "10003");
    position(third, 1, 1, 10);
    EXPECT_EQ(ERROR_OF(load(third)), QString());
}

class Command : public EInvoiceFixture
{
  protected:
    int run(const QStringList &args, QString *out = nullptr, QString *err = nullptr)
    {
        const CommandRun r = tavirel(args);
        if (out) *out = r.out;
        if (err) *err = r.err;
        return r.status;
    }
};

TEST_F(Command, RefusalsExitNonZeroAndLeaveNoFile)
{
    address(1, "Müller");
    const qint64 offer = document("A", 1, "5000");
    position(offer, 1, 1, 10);
    const qint64 empty = document("R", 1, "10000");
    const QString target = db->folder() + QStringLiteral("/e-rechnung.xml");
    const QString dbArgs[] = {QStringLiteral("--db"), db->path()};
    QString out, err;

    EXPECT_EQ(
        run({QStringLiteral("xrechnung"), QString::number(offer), target, dbArgs[0], dbArgs[1]}, &out, &err),
        1);
    EXPECT_EQ(err,
              QStringLiteral("Vorgang A-5000: E-Rechnungen gibt es nur für Rechnungen (R) und Gutschriften "
                             "(G)\n"));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(QFile::exists(target));

    EXPECT_EQ(
        run({QStringLiteral("xrechnung"), QString::number(empty), target, dbArgs[0], dbArgs[1]}, &out, &err),
        1);
    EXPECT_TRUE(err.contains(QStringLiteral("Er hat keine Positionen.")));
    EXPECT_FALSE(QFile::exists(target));

    EXPECT_EQ(
        run({QStringLiteral("xrechnung"), QStringLiteral("zehn"), target, dbArgs[0], dbArgs[1]}, &out, &err),
        2);
    EXPECT_TRUE(err.startsWith(QStringLiteral("'zehn' ist keine Vorgangs-ID")));
    EXPECT_EQ(run({QStringLiteral("xrechnung"), QString::number(offer)}, &out, &err), 2);
    EXPECT_FALSE(QFile::exists(target));

    position(empty, 1, 2, 62.0, "h");
    EXPECT_EQ(
        run({QStringLiteral("xrechnung"), QString::number(empty), target, dbArgs[0], dbArgs[1]}, &out, &err),
        0)
        << err.toStdString();
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_TRUE(out.startsWith(QStringLiteral("E-Rechnung geschrieben: ")));

    // A refusal leaves a file written earlier as it was.
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    EXPECT_EQ(run({QStringLiteral("xrechnung"), QString::number(offer), target, dbArgs[0], dbArgs[1]}), 1);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

} // namespace
