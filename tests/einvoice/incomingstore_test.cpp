// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/databasecopy.h"
#include "data/tdataa.h"
#include "einvoice/incomingstore.h"
#include "einvoice/supplieraccounts.h"
#include "tests/einvoice/incomingfiles.h"
#include "tests/testdb.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace {

class IncomingStoreTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>();
        addresses = std::make_unique<Tdataa>();
        addresses->DataModuleCreate(db->path());
    }

    IncomingImport import(const char *file, bool mayCreate = true)
    {
        return IncomingStore::import(
            *addresses, IncomingFile(file), IncomingPath(file),
            [&](const IncomingInvoice &) { return mayCreate; },
            QDateTime(QDate(2025, 3, 17), QTime(9, 30, 12)));
    }
    // The invoice again under another number, asking to be paid to another account.
    IncomingImport importWithAccount(const char *number, const char *iban)
    {
        QByteArray xml = IncomingFile("rechnung-cii.xml");
        xml.replace("HK-2025-0815", number).replace("DE02120300000000202051", iban);
        return IncomingStore::import(
            *addresses, xml, QStringLiteral("%1.xml").arg(QLatin1String(number)),
            [](const IncomingInvoice &) { return true; }, QDateTime(QDate(2025, 4, 1), QTime(8, 0)));
    }
    qint64 count(const char *sql) { return db->scalar(QString::fromLatin1(sql)).toDouble(); }
    // Received invoices, their documents and the addresses: nothing else changes.
    QString counts()
    {
        return QStringLiteral("%1/%2/%3")
            .arg(count("select count(*) from Eingangsrechnung"))
            .arg(count("select count(*) from Vorgang1"))
            .arg(count("select count(*) from Adress"));
    }

    std::unique_ptr<TestDb> db;
    std::unique_ptr<Tdataa> addresses;
};

} // namespace

TEST_F(IncomingStoreTest, KeepsTheOriginalAndListsTheInvoiceUnderItsSupplier)
{
    const IncomingImport r = import("rechnung-cii.xml");
    ASSERT_GT(r.id, 0);
    EXPECT_TRUE(r.supplierCreated);
    EXPECT_TRUE(r.findings.isEmpty());
    EXPECT_TRUE(r.summary().contains(QStringLiteral("Lieferant neu angelegt: Holzbau Krämer GmbH")));

    const StoredIncoming s = IncomingStore::stored(addresses->Datenbank, r.id);
    EXPECT_EQ(s.original, IncomingFile("rechnung-cii.xml")) << "byte for byte";
    EXPECT_EQ(s.sha256,
              QString::fromLatin1(QCryptographicHash::hash(s.original, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(s.received, QDateTime(QDate(2025, 3, 17), QTime(9, 30, 12)));
    EXPECT_EQ(s.fileName, QStringLiteral("rechnung-cii.xml"));
    EXPECT_EQ(s.vorgangId, r.vorgangId);

    const QString doc = QStringLiteral(" from Vorgang1 where id = %1").arg(r.vorgangId);
    for (const auto &[column, value] :
         {std::pair("typ", "E"), std::pair("vorgangnr", "HK-2025-0815"), std::pair("Waehrung", "€")})
        EXPECT_EQ(db->scalar(QStringLiteral("select ") + QLatin1String(column) + doc).rawText(),
                  QString::fromUtf8(value))
            << column;
    for (const auto &[column, value] :
         {std::pair("kdnr", double(r.kdnr)), std::pair("vk", 679.85), std::pair("zieltage", 30.0)})
        EXPECT_EQ(db->scalar(QStringLiteral("select ") + QLatin1String(column) + doc).toDouble(), value)
            << column;
    EXPECT_EQ(db->scalar(QStringLiteral("select zieldatum") + doc).rawText(), QStringLiteral("2025-04-13"));
    // 795,43 less 200,00 paid in advance: 595,50 are open.
    EXPECT_EQ(db->scalar(QStringLiteral("select zahlbetrag") + doc).toDouble(), 595.5);
    EXPECT_EQ(db->scalar(QStringLiteral("select Vorausbezahlt from Eingangsrechnung where id = %1").arg(r.id))
                  .toDouble(),
              200.0);
    EXPECT_EQ(db->scalar(QStringLiteral("select Zahlbetrag from Eingangsrechnung where id = %1").arg(r.id))
                  .toDouble(),
              595.5);
    EXPECT_FALSE(db->scalar(QStringLiteral("select bezahlt") + doc).toBool());
    const QString supplier = QStringLiteral("from Adress where KDNR = %1").arg(r.kdnr);
    EXPECT_EQ(db->scalar(QStringLiteral("select NAME1 ") + supplier).rawText(),
              QStringLiteral("Holzbau Krämer GmbH"));
    EXPECT_EQ(db->scalar(QStringLiteral("select ORT ") + supplier).rawText(), QStringLiteral("Hann. Münden"));
    EXPECT_TRUE(db->scalar(QStringLiteral("select Lieferant ") + supplier).toBool());
    EXPECT_FALSE(db->scalar(QStringLiteral("select kunde ") + supplier).toBool());

    // The credit note of the same seller finds the address by its VAT id and counts negative.
    const IncomingImport credit = import("gutschrift-ubl.xml");
    EXPECT_EQ(credit.kdnr, r.kdnr);
    EXPECT_EQ(credit.supplierFoundBy, QStringLiteral("USt-IdNr."));
    EXPECT_EQ(
        db->scalar(QStringLiteral("select vk from Vorgang1 where id = %1").arg(credit.vorgangId)).toDouble(),
        -35.8);
    EXPECT_EQ(counts(), QStringLiteral("2/2/1"));
}

TEST_F(IncomingStoreTest, TheSameInvoiceIsTakenInOnce)
{
    ASSERT_GT(import("rechnung-cii.xml").id, 0);
    const QString before = counts();
    const std::pair<const char *, const char *> again[] = {
        {"rechnung-cii.xml", "Diese Datei wurde bereits am 17.03.2025 um 09:30 (Eingang Nr. 1, Datei "
                             "rechnung-cii.xml) eingelesen: Rechnung HK-2025-0815 von Holzbau Krämer GmbH."},
        {"rechnung-ubl.xml",
         "Die Rechnung HK-2025-0815 von Holzbau Krämer GmbH wurde bereits am 17.03.2025 um "
         "09:30 (Eingang Nr. 1, Datei rechnung-cii.xml) eingelesen."},
    };
    for (const auto &[file, message] : again) {
        const QString error = ERROR_OF(import(file));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(message))) << error.toStdString();
        EXPECT_EQ(counts(), before) << file;
    }
}

TEST_F(IncomingStoreTest, SupplierByNameOrNotAtAll)
{
    // Declined: nothing is kept.
    EXPECT_EQ(import("gutschrift-cii.xml", false).id, 0);
    EXPECT_EQ(counts(), QStringLiteral("0/0/0"));
    // Broken: nothing is kept either.
    EXPECT_THROW(IncomingStore::import(*addresses, "<rsm:", QStringLiteral("kaputt.xml"),
                                       [](const IncomingInvoice &) { return true; }),
                 AppError);
    EXPECT_EQ(counts(), QStringLiteral("0/0/0"));

    db->exec(QStringLiteral("insert into Adress (KDNR, ID, NAME1, kunde, Lieferant) values (7, 7, 'HOLZBAU "
                            "KRÄMER GMBH', true, false)"));
    const IncomingImport r = import("gutschrift-cii.xml");
    EXPECT_EQ(r.kdnr, 7);
    EXPECT_EQ(r.supplierFoundBy, QStringLiteral("Name"));
    EXPECT_EQ(counts(), QStringLiteral("1/1/1"));
}

// A new supplier is checked by its own data, whatever address the address
// module stands on; one whose VAT id is wrong is named by it.
TEST_F(IncomingStoreTest, ANewSupplierIsCheckedByItsOwnData)
{
    db->exec(QStringLiteral(
        "insert into Adress (KDNR, ID, NAME1, USTID, kunde) values (3, 3, 'Altkunde', 'DE123456789', true)"));
    addresses->Adress.Close();
    addresses->Adress.Open();
    ASSERT_EQ(addresses->AdressUSTID->AsString(), QStringLiteral("DE123456789"));
    const IncomingImport r = import("extended-cii.xml");
    ASSERT_GT(r.id, 0);
    EXPECT_TRUE(r.supplierCreated);
    EXPECT_EQ(db->scalar(QStringLiteral("select USTID from Adress where KDNR = %1").arg(r.kdnr)).rawText(),
              QStringLiteral("DE812345673"));

    // The seller's VAT id fails its check digit: the invoice is kept, the
    // address made without it, and the import names it.
    const IncomingImport wrong = import("gutschrift-cii.xml");
    ASSERT_GT(wrong.id, 0);
    EXPECT_TRUE(wrong.summary().contains(QStringLiteral("Die USt-IdNr. \"DE301234567\" ist ungültig")) &&
                !wrong.summary().contains(QStringLiteral("DE123456789")))
        << wrong.summary().toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Adress where USTID is null and KDNR = %1")
                        .arg(wrong.kdnr)
                        .toLatin1()
                        .constData()),
              1);
    EXPECT_EQ(counts(), QStringLiteral("2/2/3"));
}

// Two workstations take in invoices of one new supplier at the same moment:
// the second is asked while the first writes. The supplier is made once, and
// the same file a second time is refused in plain words.
TEST_F(IncomingStoreTest, TwoWorkstationsAtOnceMakeTheSupplierOnce)
{
    Tdataa other;
    other.DataModuleCreate(db->path());
    const auto meanwhile = [&](const char *file) {
        return [&other, file](const IncomingInvoice &) {
            const IncomingImport first = IncomingStore::import(other, IncomingFile(file), IncomingPath(file),
                                                               [](const IncomingInvoice &) { return true; });
            EXPECT_TRUE(first.supplierCreated);
            return true;
        };
    };
    const IncomingImport r =
        IncomingStore::import(*addresses, IncomingFile("rechnung-cii.xml"), IncomingPath("rechnung-cii.xml"),
                              meanwhile("gutschrift-cii.xml"));
    EXPECT_FALSE(r.supplierCreated);
    EXPECT_EQ(r.supplierFoundBy, QStringLiteral("USt-IdNr."));
    EXPECT_EQ(counts(), QStringLiteral("2/2/1"));

    const QString error =
        ERROR_OF(IncomingStore::import(*addresses, IncomingFile("extended-cii.xml"),
                                       IncomingPath("extended-cii.xml"), meanwhile("extended-cii.xml")));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Diese Datei wurde bereits"))) << error.toStdString();
    EXPECT_EQ(counts(), QStringLiteral("3/3/2"));
}

TEST_F(IncomingStoreTest, AnOriginalChangedOutsideTheProgramIsReported)
{
    const IncomingImport r = import("gutschrift-cii.xml");
    QByteArray changed = IncomingFile("gutschrift-cii.xml");
    changed.replace("42.60", "24.60");
    auto st = db->raw().prepare(QStringLiteral("update Eingangsrechnung set Original = ? where id = ?"));
    st->bind(1, Value(changed));
    st->bind(2, Value(r.id));
    st->step();
    EXPECT_TRUE(ERROR_OF(IncomingStore::stored(addresses->Datenbank, r.id))
                    .contains(QStringLiteral("stimmt nicht mehr mit der Prüfsumme überein")));
}

TEST_F(IncomingStoreTest, ACopyOfTheDatabaseKeepsTheOriginals)
{
    const IncomingImport r = import("rechnung-ubl.xml");
    const QString copy = db->folder() + QStringLiteral("/kopie.mdb");
    DatabaseCopy::copy(db->path(), copy);
    TVexDaoDatabase conn;
    conn.setDatabase(copy);
    conn.Open();
    EXPECT_EQ(IncomingStore::stored(conn, r.id).original, IncomingFile("rechnung-ubl.xml"));
}

// An invoice in a known supplier's name that asks for payment to another
// account is said first, kept with its findings and reported until the
// account is confirmed; the address's own IBAN counts as known.
TEST_F(IncomingStoreTest, ANewAccountIsAFindingUntilConfirmed)
{
    TVexDaoDatabase &d = addresses->Datenbank;
    const IncomingImport first = import("rechnung-cii.xml");
    EXPECT_TRUE(first.accountChange.isEmpty());
    EXPECT_EQ(
        SupplierAccounts::known(d, first.kdnr),
        (QStringList{QStringLiteral("DE02120300000000202051"), QStringLiteral("DE89370400440532013000")}));

    const IncomingImport changed = importWithAccount("HK-2025-0901", "DE44500105175407324931");
    EXPECT_EQ(changed.kdnr, first.kdnr);
    const QString text = QStringLiteral("Neues Konto: die Rechnung verlangt die Zahlung auf das Konto DE44 "
                                        "5001 0517 5407 3249 31, bekannt ist "
                                        "für diesen Lieferanten nur DE02 1203 0000 0000 2020 51, DE89 3704 "
                                        "0044 0532 0130 00. Vor einer Zahlung "
                                        "das Konto beim Lieferanten auf bekanntem Weg bestätigen lassen "
                                        "(nicht über Angaben dieser Rechnung).");
    EXPECT_EQ(changed.accountChange, text);
    EXPECT_TRUE(changed.summary().startsWith(QStringLiteral("ACHTUNG – ") + text));
    ASSERT_FALSE(changed.findings.isEmpty());
    EXPECT_EQ(changed.findings.first().term, QStringLiteral("BT-84"));
    EXPECT_TRUE(
        db->scalar(QStringLiteral("select Befunde from Eingangsrechnung where id = %1").arg(changed.id))
            .rawText()
            .startsWith(QStringLiteral("BT-84: Neues Konto")));
    EXPECT_EQ(SupplierAccounts::unconfirmedDocuments(d).keys(), QList<qint64>{changed.vorgangId});
    const auto pending = SupplierAccounts::unconfirmed(d, changed.vorgangId);
    ASSERT_TRUE(pending.has_value());
    EXPECT_FALSE(SupplierAccounts::unconfirmed(d, first.vorgangId).has_value());
    EXPECT_FALSE(SupplierAccounts::isKnown(d, first.kdnr, QStringLiteral("DE44 5001 0517 5407 3249 31")));

    SupplierAccounts::confirm(d, *pending);
    EXPECT_TRUE(SupplierAccounts::isKnown(d, first.kdnr, QStringLiteral("DE44 5001 0517 5407 3249 31")));
    EXPECT_FALSE(SupplierAccounts::unconfirmed(d, changed.vorgangId).has_value());
    EXPECT_TRUE(importWithAccount("HK-2025-0902", "DE44500105175407324931").accountChange.isEmpty());

    // The address's IBAN is known from the start: the first invoice of a
    // supplier with another one is a finding already.
    db->exec(QStringLiteral("insert into Adress (KDNR, ID, NAME1, USTID, KontoNr, Lieferant) values "
                            "(40, 40, 'Sägewerk Ost', 'DE811569869', 'DE44 5001 0517 5407 3249 31', true)"));
    QByteArray other = IncomingFile("rechnung-cii.xml");
    other.replace("DE301234567", "DE811569869").replace("HK-2025-0815", "SO-1");
    const IncomingImport east = IncomingStore::import(*addresses, other, QStringLiteral("so-1.xml"),
                                                      [](const IncomingInvoice &) { return false; });
    EXPECT_EQ(east.kdnr, 40);
    EXPECT_TRUE(
        east.accountChange.contains(QStringLiteral("bekannt ist für diesen Lieferanten nur DE44 5001")))
        << east.accountChange.toStdString();
}
