// SPDX-License-Identifier: GPL-3.0-or-later
// Documents that turn into each other: offer, order confirmation, delivery
// notes and invoice, each new document referring to its source (print text
// and e-invoice), the source done, all of it or nothing.
#include "documents/core/conversion.h"
#include "documents/core/tfumw.h"

#include "base/apperror.h"
#include "einvoice/ciiwriter.h"
#include "einvoice/einvoice.h"
#include "tests/dbfixture.h"
#include "tests/einvoice/validation.h"
#include "tests/modulesfixture.h"

#include <QTemporaryDir>

namespace {

class TurnInto : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        db->exec(QStringLiteral(
            "insert into Adress (ID, KDNR, NAME1, STRASSE, PLZ, ORT, EMAIL, kunde) values "
            "(1, 7, 'Adler GmbH', 'Am Markt 1', '34117', 'Kassel', 'rechnung@adler.de', true), "
            "(2, 8, 'Brandt', 'Weg 2', '34119', 'Kassel', 'b@brandt.de', true)"));
        umw = std::make_unique<TFumw>(nullptr);
    }
    void TearDown() override
    {
        umw.reset();
        ModulesFixture::TearDown();
    }
    // A document of the type for the customer, dated the day, with positions.
    qint64 document(const char *typ, int positionCount, qint64 kdnr = 7, const QDate &day = QDate(2005, 3, 1))
    {
        SetTodayForTests(day);
        newDocument(QString::fromLatin1(typ));
        doc("kdnr")->SetAsInteger(kdnr);
        doc("anschrift")->SetAsString(QStringLiteral("Adler GmbH\r\nAm Markt 1\r\n34117 Kassel"));
        doc("Kopftext")->SetAsString(QStringLiteral("Wie besprochen"));
        for (int i = 1; i <= positionCount; ++i)
            addPosition(i, 10 * i, i, QStringLiteral("%1 %2").arg(QString::fromLatin1(typ)).arg(i));
        vorgang().Post();
        SetTodayForTests(QDate(2005, 3, 15));
        return doc("id")->AsInteger();
    }
    // "pos:titel" of the document's positions in the order of their numbers.
    QString positionsOf(qint64 id)
    {
        auto st = db->raw().prepare(
            QStringLiteral("select pos, titel from vorgang2 where vorgangid = %1 order by pos").arg(id));
        QStringList out;
        while (st->step())
            out << QStringLiteral("%1:%2")
                       .arg(st->columnDynamic(0).toDouble())
                       .arg(st->columnDynamic(1).rawText());
        return out.join(QStringLiteral(", "));
    }
    qint64 documents1() { return count(QStringLiteral("select count(*) from vorgang1")); }
    std::unique_ptr<TFumw> umw;
};

} // namespace

TEST_F(TurnInto, EachTypeBecomesTheNextWithItsPositionsAndReference)
{
    const struct
    {
        const char *from, *to, *number, *reference;
    } cases[] = {{"A", "C", "6000", "zu Angebot A-5000 vom 01.03.2005"},
                 {"A", "L", "10000", "zu Angebot A-5001 vom 01.03.2005"},
                 {"A", "R", "10000", "zu Angebot A-5002 vom 01.03.2005"},
                 {"C", "L", "10001", "zu Auftragsbestätigung C-6001 vom 01.03.2005"},
                 {"C", "R", "10001", "zu Auftragsbestätigung C-6002 vom 01.03.2005"},
                 {"L", "R", "10002", "zu Lieferschein L-10002 vom 01.03.2005"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        const qint64 source = document(c.from, 2);
        const qint64 id = Conversion::Convert(*umw, {source}, QString::fromLatin1(c.to));
        EXPECT_EQ(doc("id")->AsInteger(), id) << "the new document is the current one";
        EXPECT_EQ(doc("typ")->AsString(), QString::fromLatin1(c.to));
        EXPECT_EQ(doc("vorgangnr")->AsString(), QString::fromLatin1(c.number));
        EXPECT_EQ(doc("datum")->AsDate(), QDate(2005, 3, 15));
        EXPECT_EQ(doc("bezug")->AsInteger(), source);
        EXPECT_EQ(doc("Kopftext")->AsString(),
                  QString::fromUtf8(c.reference) + QStringLiteral("\r\nWie besprochen"));
        EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang2 where vorgangid = %1").arg(id)), 2);
        EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 50.0);
        EXPECT_EQ(
            count(QStringLiteral("select count(*) from vorgang1 where id = %1 and erledigt").arg(source)), 1);
    }
}

TEST_F(TurnInto, DeliveryNotesOfOneCustomerBecomeOneInvoice)
{
    const qint64 first = document("L", 2, 7, QDate(2005, 3, 1));
    const qint64 second = document("L", 1, 7, QDate(2005, 3, 8));
    const qint64 other = document("L", 1, 8);
    const QList<Conversion::Source> open = Conversion::openDeliveryNotes(7, first);
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open.first().id, second);

    const qint64 id = Conversion::Convert(*umw, {first, second}, QStringLiteral("R"));
    EXPECT_EQ(doc("Kopftext")->AsString(),
              QStringLiteral("zu Lieferschein L-10000 vom 01.03.2005\r\n"
                             "zu Lieferschein L-10001 vom 08.03.2005\r\nWie besprochen"));
    EXPECT_EQ(positionsOf(id), QStringLiteral("1:L 1, 2:L 2, 3:L 1"));
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 60.0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where typ = 'L' and erledigt")), 2);
    EXPECT_TRUE(Conversion::openDeliveryNotes(7, 0).isEmpty());
    EXPECT_EQ(Conversion::openDeliveryNotes(8, 0).size(), 1);
    Q_UNUSED(other);
}

TEST_F(TurnInto, WhatCannotBeConvertedIsRefusedAndNothingIsWritten)
{
    const qint64 invoice = document("R", 1);
    const qint64 empty = document("A", 0);
    const qint64 cancelled = document("L", 1);
    db->exec(QStringLiteral("update vorgang1 set storniert = true where id = %1").arg(cancelled));
    const qint64 mine = document("L", 1, 7);
    const qint64 theirs = document("L", 1, 8);
    const qint64 offer = document("A", 1);
    const struct
    {
        QList<qint64> sources;
        const char *to, *message;
    } cases[] = {{{invoice}, "L", "Rechnung R-10000 kann nicht in Lieferschein umgewandelt werden."},
                 {{empty}, "R", "Angebot A-5000 hat keine Positionen; es gibt nichts umzuwandeln."},
                 {{cancelled}, "R", "Lieferschein L-10000 ist storniert und wird nicht umgewandelt."},
                 {{mine, theirs}, "R", "gehören zu verschiedenen Kunden"},
                 {{mine, offer}, "R", "Mehrere Vorgänge werden nur als Lieferscheine eines Kunden"},
                 {{424242}, "R", "Es gibt keinen Vorgang mit der ID 424242."}};
    const qint64 before = documents1();
    for (const auto &c : cases) {
        const QString error = ERROR_OF(Conversion::Convert(*umw, c.sources, QString::fromLatin1(c.to)));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
    }
    EXPECT_EQ(documents1(), before);
    EXPECT_EQ(count(QStringLiteral("select count(*) from vorgang1 where erledigt")), 0);
}

// The invoice names its order confirmation (BT-13) or delivery note (BT-16),
// and the validator accepts where they stand.
TEST_F(TurnInto, TheEInvoiceNamesTheOrderOrTheDeliveryNote)
{
    const qint64 confirmation = document("C", 1);
    const qint64 fromConfirmation = Conversion::Convert(*umw, {confirmation}, QStringLiteral("R"));
    const qint64 note = document("L", 1);
    const qint64 fromNote = Conversion::Convert(*umw, {note}, QStringLiteral("R"));
    SellerData seller;
    seller.Firma = QStringLiteral("Elektro Brandt");
    seller.Strasse = QStringLiteral("Allee 1");
    seller.PLZ = QStringLiteral("34121");
    seller.Ort = QStringLiteral("Kassel");
    seller.Land = QStringLiteral("DE");
    seller.UStIdNr = QStringLiteral("DE284716398");
    seller.IBAN = QStringLiteral("DE02 1203 0000 0000 2020 51");
    seller.Kontakt = QStringLiteral("Ute Brandt");
    seller.Telefon = QStringLiteral("0561 1");
    seller.EMail = QStringLiteral("info@brandt.de");
    QTemporaryDir out;
    QStringList files;
    const struct
    {
        qint64 id;
        QByteArray expected;
    } cases[] = {
        {fromConfirmation,
         "<ram:BuyerOrderReferencedDocument><ram:IssuerAssignedID>6000</ram:IssuerAssignedID>"},
        {fromNote,
         "<ram:DespatchAdviceReferencedDocument><ram:IssuerAssignedID>10000</ram:IssuerAssignedID>"}};
    for (const auto &c : cases) {
        const QByteArray xml = CiiWriter::write(EInvoice::load(addresses->Datenbank, c.id, seller, 19),
                                                CiiWriter::Profile::XRechnung);
        EXPECT_TRUE(QString::fromUtf8(xml)
                        .simplified()
                        .remove(QLatin1Char(' '))
                        .contains(QString::fromUtf8(c.expected)))
            << xml.toStdString();
        files << out.filePath(QStringLiteral("%1.xml").arg(c.id));
        QFile f(files.last());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml);
    }
    const ValidationRun v = ValidateEInvoices(files);
    EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
}
