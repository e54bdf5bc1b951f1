// SPDX-License-Identifier: GPL-3.0-or-later
#include "einvoice/decimal.h"
#include "einvoice/facturx.h"
#include "tests/einvoice/incomingfiles.h"
#include "tests/einvoice/validation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// A value of the JSON form by path: "BG-25/1/BT-131".
QString at(const QJsonObject &o, const QString &path)
{
    QJsonValue v = o;
    for (const QString &step : path.split(u'/')) {
        bool index = false;
        const int i = step.toInt(&index);
        v = index ? v.toArray().at(i) : v.toObject().value(step);
    }
    return v.isString() ? v.toString()
                        : (v.isUndefined() ? QStringLiteral("<fehlt>") : QStringLiteral("<kein Text>"));
}

QJsonObject json(const IncomingInvoice &inv)
{
    return inv.toJson(CheckIncomingInvoice(inv));
}

QSet<QString> termsAndRules(const QList<InvoiceFinding> &findings)
{
    QSet<QString> out;
    for (const InvoiceFinding &f : findings)
        out << f.term + QLatin1Char(' ') + f.rule;
    return out;
}

} // namespace

TEST(Decimal, KeepsTheDigitsOfTheFile)
{
    struct Case
    {
        const char *text;
        bool valid;
        const char *asText; // text(2)
        const char *german; // german(2)
        qint64 cents;
    };
    const Case cases[] = {
        {"1234.5", true, "1234.50", "1.234,50", 123450},
        {" 7 ", true, "7.00", "7,00", 700},
        {"-0.005", true, "-0.005", "-0,005", -1},
        {"0.004", true, "0.004", "0,004", 0},
        {"0.125", true, "0.125", "0,125", 13},
        {"+19", true, "19.00", "19,00", 1900},
        {"-1234567.891", true, "-1234567.891", "-1.234.567,891", -123456789},
        {"1e5", false, "", "", 0},
        {"1,5", false, "", "", 0},
        {"", false, "", "", 0},
        {".", false, "", "", 0},
        {"12345678901234567890", false, "", "", 0},
        {"1.2.3", false, "", "", 0},
    };
    for (const Case &c : cases) {
        const auto d = Decimal::parse(QString::fromLatin1(c.text));
        ASSERT_EQ(d.has_value(), c.valid) << c.text;
        if (!d) continue;
        EXPECT_EQ(d->text(2), QLatin1String(c.asText)) << c.text;
        EXPECT_EQ(d->german(2), QString::fromUtf8(c.german)) << c.text;
        EXPECT_EQ(d->cents(), c.cents) << c.text;
    }
    EXPECT_TRUE(*Decimal::parse(u"19") == *Decimal::parse(u"19.00"));
    EXPECT_FALSE(*Decimal::parse(u"19") == *Decimal::parse(u"1.9"));
    EXPECT_EQ(Decimal::parse(u"6.5")->text(), QStringLiteral("6.5")) << "quantities keep their own decimals";
}

TEST(IncomingInvoice, ReadsEveryTotalAsTheFileStatesIt)
{
    // BT-1, BT-3, BT-106 … BT-115 (absent where the file has none), lines, VAT rows.
    struct Case
    {
        const char *file;
        const char *terms[12];
        int lines, vatRows;
    };
    const Case cases[] = {
        {"rechnung-cii.xml",
         {"HK-2025-0815", "380", "674.85", "10.00", "15.00", "679.85", "115.58", "<fehlt>", "795.43",
          "200.00", "0.07", "595.50"},
         4,
         3},
        {"rechnung-ubl.xml",
         {"HK-2025-0815", "380", "674.85", "10.00", "15.00", "679.85", "115.58", "<fehlt>", "795.43",
          "200.00", "0.07", "595.50"},
         4,
         3},
        {"gutschrift-cii.xml",
         {"HK-2025-0823", "381", "35.80", "<fehlt>", "<fehlt>", "35.80", "6.80", "<fehlt>", "42.60",
          "<fehlt>", "<fehlt>", "42.60"},
         1,
         1},
        {"gutschrift-ubl.xml",
         {"HK-2025-0823", "381", "35.80", "<fehlt>", "<fehlt>", "35.80", "6.80", "<fehlt>", "42.60",
          "<fehlt>", "<fehlt>", "42.60"},
         1,
         1},
    };
    const char *const terms[] = {"BT-1",   "BT-3",   "BT-106", "BT-107", "BT-108", "BT-109",
                                 "BT-110", "BT-111", "BT-112", "BT-113", "BT-114", "BT-115"};
    for (const Case &c : cases) {
        const IncomingInvoice inv = ReadIncoming(c.file);
        const QJsonObject o = json(inv);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(at(o, QString::fromLatin1(terms[i])), QString::fromUtf8(c.terms[i]))
                << c.file << " " << terms[i];
        EXPECT_EQ(o.value(QStringLiteral("BG-25")).toArray().size(), c.lines) << c.file;
        EXPECT_EQ(o.value(QStringLiteral("BG-23")).toArray().size(), c.vatRows) << c.file;
        EXPECT_TRUE(o.value(QStringLiteral("findings")).toArray().isEmpty())
            << c.file << QJsonDocument(o.value(QStringLiteral("findings")).toArray()).toJson().toStdString();
        EXPECT_EQ(inv.isCreditNote(), QByteArray(c.file).startsWith("gutschrift")) << c.file;
    }
}

TEST(IncomingInvoice, TheCiiTestFilesAreWhatThePublicRulesSay)
{
    const ValidationRun r =
        ValidateEInvoices({IncomingPath("rechnung-cii.xml"), IncomingPath("gutschrift-cii.xml"),
                           IncomingPath("falsche-summen-cii.xml")});
    for (const char *valid : {"rechnung-cii.xml: valid", "gutschrift-cii.xml: valid"})
        EXPECT_TRUE(r.output.contains(QLatin1String(valid))) << valid << "\n" << r.output.toStdString();
    for (const char *rule : {"BR-CO-10", "BR-CO-14", "BR-CO-16", "BR-CO-17", "BR-S-08"})
        EXPECT_TRUE(r.output.contains(
            QStringLiteral("falsche-summen-cii.xml: EN16931 fatal %1:").arg(QLatin1String(rule))))
            << rule;
}

TEST(IncomingInvoice, BothSyntaxesGiveTheSameInvoice)
{
    for (const auto &[cii, ubl] : {std::pair("rechnung-cii.xml", "rechnung-ubl.xml"),
                                   std::pair("gutschrift-cii.xml", "gutschrift-ubl.xml")})
        EXPECT_EQ(QJsonDocument(json(ReadIncoming(cii))).toJson().toStdString(),
                  QJsonDocument(json(ReadIncoming(ubl))).toJson().toStdString())
            << cii;
}

TEST(IncomingInvoice, ReadsPartiesReferencesLinesAndPayment)
{
    const QJsonObject o = json(ReadIncoming("rechnung-cii.xml"));
    const char *const expected[][2] = {
        {"BT-2", "2025-03-14"},
        {"BT-5", "EUR"},
        {"BT-9", "2025-04-13"},
        {"BT-10", "Kd-Nr 10042"},
        {"BT-12", "RV-2024-03"},
        {"BT-13", "B-2025-117"},
        {"BG-3/0/BT-25", "HK-2025-0701"},
        {"BG-3/0/BT-26", "2025-02-10"},
        {"BG-1/1/BT-21", "REG"},
        {"BT-27", "Holzbau Krämer GmbH"},
        {"BT-31", "DE301234567"},
        {"BT-32", "025 233 12345"},
        {"BT-34", "rechnung@holzbau-kraemer.de"},
        {"BT-34-1", "EM"},
        {"BT-35", "Sägewerkstraße 4"},
        {"BT-38", "34346"},
        {"BT-41", "Peter Krämer"},
        {"BT-44", "Tavirel Haustechnik GmbH"},
        {"BT-48", "DE284716392"},
        {"BT-72", "2025-03-11"},
        {"BG-16/0/BT-81", "58"},
        {"BG-16/0/BT-84", "DE02120300000000202051"},
        {"BG-16/1/BT-84", "DE89370400440532013000"},
        {"BG-16/1/BT-86", "COBADEFFXXX"},
        {"BT-83", "HK-2025-0815"},
        {"BG-20/0/BT-92", "10.00"},
        {"BG-20/0/BT-97", "Treuerabatt"},
        {"BG-21/0/BT-99", "15.00"},
        {"BG-21/0/BT-105", "FC"},
        {"BG-23/2/BT-118", "E"},
        {"BG-23/2/BT-120", "Steuerfrei nach § 4 Nr. 12 UStG (Vermietung von Grundstücken)"},
        {"BG-23/1/BT-119", "7"},
        {"BG-25/0/BG-28/0/BT-141", "12.00"},
        {"BG-25/0/BG-32/0/BT-161", "C24"},
        {"BG-25/0/BT-132", "3"},
        {"BG-25/0/BT-155", "KVH-60120"},
        {"BG-25/1/BT-129", "6.5"},
        {"BG-25/1/BT-130", "HUR"},
        {"BG-25/1/BT-146", "58.00"},
        {"BG-25/1/BG-27/0/BT-136", "18.85"},
        {"BG-25/1/BG-27/0/BT-138", "5"},
        {"BG-25/2/BT-153", "Fachbuch „Holzbau kompakt“"},
        {"BG-25/2/BT-157", "9783410123456"},
        {"BG-25/3/BT-134", "2025-03-01"},
        {"BG-25/3/BT-151", "E"},
    };
    for (const auto &[path, value] : expected)
        EXPECT_EQ(at(o, QString::fromLatin1(path)), QString::fromUtf8(value)) << path;
}

TEST(IncomingInvoice, WrongSumsAreListedWithTheirTerms)
{
    const IncomingInvoice inv = ReadIncoming("falsche-summen-cii.xml");
    const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
    EXPECT_EQ(termsAndRules(findings),
              (QSet<QString>{QStringLiteral("BT-131 "), QStringLiteral("BT-106 BR-CO-10"),
                             QStringLiteral("BT-116 BR-S-08"), QStringLiteral("BT-117 BR-CO-17"),
                             QStringLiteral("BT-110 BR-CO-14"), QStringLiteral("BT-115 BR-CO-16")}));
    const QString all = inv.toText(findings);
    for (const char *text :
         {"Position 2: Der Nettobetrag ist mit 358,51 angegeben, Menge × Preis mit Nachlässen "
          "und Zuschlägen ergibt 358,15",
          "Die Summe der Positionen ist mit 674,85 angegeben, die Summe der Positionsbeträge "
          "ergibt 675,21",
          "Prüfung: 6 Beanstandungen"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(text))) << text << "\n" << all.toStdString();
    EXPECT_EQ(inv.grandTotal.text(2), QStringLiteral("795.43")) << "the file's figures stay as they are";
}

TEST(IncomingInvoice, TermsTheLawAsksForAreChecked)
{
    QByteArray xml = IncomingFile("rechnung-cii.xml");
    auto cut = [&](const char *from, const char *to) {
        const qsizetype a = xml.indexOf(from), b = xml.indexOf(to, a);
        ASSERT_TRUE(a >= 0 && b > a) << from;
        xml.remove(a, b + qsizetype(strlen(to)) - a);
    };
    cut("<ram:SpecifiedTaxRegistration>", "</ram:SpecifiedTaxRegistration>"); // the VAT id
    cut("<ram:SpecifiedTaxRegistration>", "</ram:SpecifiedTaxRegistration>"); // the tax number
    cut("<ram:ApplicableHeaderTradeDelivery>", "</ram:ApplicableHeaderTradeDelivery>");
    cut("<ram:ExemptionReason>", "</ram:ExemptionReason>");
    xml.replace("<ram:GrandTotalAmount>795.43", "<ram:GrandTotalAmount>795,43");
    xml.replace("<udt:DateTimeString format=\"102\">20250413", "<udt:DateTimeString format=\"102\">20251341");
    const IncomingInvoice inv = IncomingInvoice::read(xml, QStringLiteral("x.xml"));
    const QSet<QString> found = termsAndRules(CheckIncomingInvoice(inv));
    for (const char *expected : {"BT-31 ", "BT-72 ", "BT-120 BR-E-10", "BT-112 ", "BT-112 BR-14", "BT-9 "})
        EXPECT_TRUE(found.contains(QString::fromLatin1(expected))) << expected;
    EXPECT_TRUE(inv.grandTotal.isNull()) << "a malformed amount is left out, never guessed";
    EXPECT_FALSE(inv.dueDate.isValid());
}

TEST(IncomingInvoice, PdfAttachmentsOfEveryConventionAreRead)
{
    const QByteArray xml = IncomingFile("rechnung-cii.xml");
    // As a ZUGFeRD 2.0 tool writes EXTENDED: its own guideline, and a line
    // that only informs and is left out of every sum.
    QByteArray extended = xml;
    extended.replace("urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0",
                     "urn:cen.eu:en16931:2017#conformant#urn:zugferd.de:2p0:extended");
    const qsizetype firstLine = extended.indexOf("<ram:IncludedSupplyChainTradeLineItem>");
    const QByteArray endTag = "</ram:IncludedSupplyChainTradeLineItem>";
    QByteArray info = extended.mid(firstLine, extended.indexOf(endTag) + endTag.size() - firstLine);
    info.replace(
        "<ram:LineID>1</ram:LineID>",
        "<ram:LineID>1.1</ram:LineID><ram:LineStatusReasonCode>INFORMATION</ram:LineStatusReasonCode>");
    extended.insert(firstLine, info);
    const std::pair<QByteArray, const char *> pdfs[] = {
        {PdfWithAttachment(extended, "zugferd-invoice.xml"), "zugferd-invoice.xml"},
        {PdfWithAttachment(xml, "XRechnung.xml"), "XRechnung.xml"},
        {FacturX::attach(PdfWithAttachment({}, nullptr), xml), "factur-x.xml"},
    };
    for (const auto &[pdf, name] : pdfs) {
        const IncomingInvoice inv = IncomingInvoice::read(pdf, QStringLiteral("rechnung.pdf"));
        EXPECT_EQ(inv.number, QStringLiteral("HK-2025-0815")) << name;
        EXPECT_EQ(inv.formatName(), QStringLiteral("UN/CEFACT CII in PDF (%1)").arg(QLatin1String(name)));
        EXPECT_EQ(inv.duePayable.text(2), QStringLiteral("595.50")) << name;
        EXPECT_TRUE(CheckIncomingInvoice(inv).isEmpty()) << name;
    }
    EXPECT_EQ(IncomingInvoice::read(pdfs[0].first, QStringLiteral("z.pdf")).lines.size(), 5);
}

// EXTENDED: a group line whose sub-lines alone count, and a logistics
// service charge that is part of the charge total and the VAT basis.
TEST(IncomingInvoice, ExtendedGroupLinesAndLogisticsChargesAddUp)
{
    QByteArray xml = IncomingFile("extended-cii.xml");
    // Also where the group line's status is left out: its sub-lines name it.
    QByteArray unmarked = xml;
    unmarked.replace("<ram:LineStatusReasonCode>GROUP</ram:LineStatusReasonCode>", "");
    for (const QByteArray &file : {xml, unmarked}) {
        const IncomingInvoice inv = IncomingInvoice::read(file, QStringLiteral("extended-cii.xml"));
        const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
        EXPECT_TRUE(findings.isEmpty()) << inv.toText(findings).toStdString();
        ASSERT_EQ(inv.lines.size(), 3);
        EXPECT_FALSE(inv.lines.at(0).summed());
        EXPECT_TRUE(inv.lines.at(1).summed() && inv.lines.at(2).summed());
        ASSERT_EQ(inv.adjustments.size(), 1);
        EXPECT_TRUE(inv.adjustments.at(0).charge);
        EXPECT_EQ(inv.adjustments.at(0).amount.text(2), QStringLiteral("50.00"));
        EXPECT_TRUE(inv.toText(findings).contains(QStringLiteral("Unterposition zu Position 1")));
    }
}

// What other producers write: a date with a time zone (xsd:date allows
// it), and "%PDF-" in a comment of an XML file.
TEST(IncomingInvoice, OtherProducersFormsAreRead)
{
    QByteArray zoned = IncomingFile("rechnung-ubl.xml");
    zoned.replace("<cbc:IssueDate>2025-03-14</cbc:IssueDate>",
                  "<cbc:IssueDate>2025-03-14+01:00</cbc:IssueDate>");
    zoned.replace("<cbc:DueDate>2025-04-13</cbc:DueDate>", "<cbc:DueDate>2025-04-13Z</cbc:DueDate>");
    QByteArray commented = IncomingFile("rechnung-cii.xml");
    commented.insert(commented.indexOf('\n') + 1, "<!-- erzeugt aus %PDF-1.7 durch einen Konverter -->\n");
    for (const QByteArray &file : {zoned, commented}) {
        const IncomingInvoice inv = IncomingInvoice::read(file, QStringLiteral("fremd.xml"));
        EXPECT_EQ(inv.issueDate, QDate(2025, 3, 14));
        EXPECT_EQ(inv.dueDate, QDate(2025, 4, 13));
        EXPECT_TRUE(CheckIncomingInvoice(inv).isEmpty())
            << inv.toText(CheckIncomingInvoice(inv)).toStdString();
    }
}

// A value that cannot be read is named briefly, and what depends on it is
// not compared as if it were 0,00.
TEST(IncomingInvoice, UnreadableSumsAreNamedOnce)
{
    QByteArray xml = IncomingFile("rechnung-cii.xml");
    xml.replace("<ram:GrandTotalAmount>795.43", "<ram:GrandTotalAmount>795,43");
    xml.replace("<ram:LineTotalAmount>674.85", "<ram:LineTotalAmount>" + QByteArray(400, '7'));
    const IncomingInvoice inv = IncomingInvoice::read(xml, QStringLiteral("x.xml"));
    const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
    const QSet<QString> found = termsAndRules(findings);
    EXPECT_FALSE(found.contains(QStringLiteral("BT-115 BR-CO-16"))) << inv.toText(findings).toStdString();
    EXPECT_FALSE(found.contains(QStringLiteral("BT-109 BR-CO-13")));
    const QString text = inv.toText(findings);
    EXPECT_FALSE(text.contains(QString(41, u'7'))) << "a runaway value is not echoed whole";
    EXPECT_TRUE(text.contains(QStringLiteral("(400 Zeichen)"))) << text.toStdString();
}

TEST(IncomingInvoice, WhatIsNoEInvoiceIsRefusedInGerman)
{
    const std::pair<QByteArray, const char *> cases[] = {
        {QByteArray(), "ist leer"},
        {"<rsm:CrossIndustryInvoice", "nicht wohlgeformt"},
        {"Hallo", "nicht wohlgeformt"},
        {"<?xml version=\"1.0\"?><html><body/></html>", "keine E-Rechnung: das XML-Element html"},
        {"<!DOCTYPE x [<!ENTITY a \"aaaa\">]><x>&a;</x>", "Dokumenttypdefinition"},
        {"<rsm:CrossIndustryDocument xmlns:rsm=\"urn:ferd:CrossIndustryDocument:invoice:1p0\"/>",
         "ZUGFeRD 1.0"},
        {"%PDF-1.7\nkaputt", "PDF-Datei kann nicht gelesen werden"},
        {PdfWithAttachment({}, nullptr), "enthält keine E-Rechnung"},
        {PdfWithAttachment("<x/>", "bild.png"), "enthält keine E-Rechnung"},
        {PdfWithAttachment("<x", "factur-x.xml"), "(Anhang factur-x.xml) ist keine lesbare E-Rechnung"},
    };
    for (const auto &[bytes, fragment] : cases) {
        const QString message = ERROR_OF(IncomingInvoice::read(bytes, QStringLiteral("eingang.dat")));
        EXPECT_TRUE(message.contains(QString::fromUtf8(fragment)))
            << fragment << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("eingang.dat"))) << message.toStdString();
    }
}
