// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of received e-invoices: reading and checking an invoice of 1,000
// lines in either syntax, and laying out its page set, each beside a raw
// baseline in the same run (the XML merely scanned by Qt's stream reader; the
// page's texts merely measured).
#include "base/apperror.h"
#include "einvoice/incominginvoice.h"
#include "einvoice/invoicecheck.h"
#include "printing/tbeingang.h"
#include "report/pageset.h"
#include "report/reportfonts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QXmlStreamReader>
#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 1000;

QString money(qint64 cents)
{
    return Decimal::fromCents(cents).text(2);
}

// An invoice whose sums add up, half of its lines at 19 %, half at 7 %.
struct Figures
{
    qint64 net[2] = {0, 0}, vat[2] = {0, 0};
    qint64 total() const { return net[0] + net[1]; }
    qint64 vatTotal() const { return vat[0] + vat[1]; }
};

int rateOf(int line)
{
    return line % 2 ? 7 : 19;
}
qint64 lineCents(int line)
{
    return qint64(line % 7 + 1) * (1000 + 100 * (line % 13));
}

Figures figures()
{
    Figures f;
    for (int i = 1; i <= kLines; ++i)
        f.net[i % 2] += lineCents(i);
    for (int k = 0; k < 2; ++k)
        f.vat[k] = (f.net[k] * (k ? 7 : 19) + 50) / 100;
    return f;
}

QByteArray cii()
{
    const Figures f = figures();
    QByteArray x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rsm:CrossIndustryInvoice "
        "xmlns:rsm=\"urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100\" "
        "xmlns:ram=\"urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100\" "
        "xmlns:udt=\"urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100\">"
        "<rsm:ExchangedDocumentContext><ram:GuidelineSpecifiedDocumentContextParameter><ram:ID>urn:cen.eu:"
        "en16931:2017"
        "</ram:ID></ram:GuidelineSpecifiedDocumentContextParameter></rsm:ExchangedDocumentContext>"
        "<rsm:ExchangedDocument><ram:ID>GH-1000</ram:ID><ram:TypeCode>380</ram:TypeCode><ram:IssueDateTime>"
        "<udt:DateTimeString "
        "format=\"102\">20250301</udt:DateTimeString></ram:IssueDateTime></rsm:ExchangedDocument>"
        "<rsm:SupplyChainTradeTransaction>";
    for (int i = 1; i <= kLines; ++i) {
        const int qty = i % 7 + 1;
        x += "<ram:IncludedSupplyChainTradeLineItem><ram:AssociatedDocumentLineDocument><ram:LineID>" +
             QByteArray::number(i) +
             "</ram:LineID></"
             "ram:AssociatedDocumentLineDocument><ram:SpecifiedTradeProduct><ram:SellerAssignedID>A-" +
             QByteArray::number(i % 97) + "</ram:SellerAssignedID><ram:Name>Schrauben Edelstahl, Packung " +
             QByteArray::number(i) +
             "</ram:Name><ram:Description>Senkkopf, Torx, Länge nach "
             "Wahl</ram:Description></ram:SpecifiedTradeProduct>"
             "<ram:SpecifiedLineTradeAgreement><ram:NetPriceProductTradePrice><ram:ChargeAmount>" +
             money(lineCents(i) / qty).toLatin1() +
             "</ram:ChargeAmount></ram:NetPriceProductTradePrice></ram:SpecifiedLineTradeAgreement>"
             "<ram:SpecifiedLineTradeDelivery><ram:BilledQuantity unitCode=\"H87\">" +
             QByteArray::number(qty) +
             "</ram:BilledQuantity></ram:SpecifiedLineTradeDelivery><ram:SpecifiedLineTradeSettlement>"
             "<ram:ApplicableTradeTax><ram:TypeCode>VAT</ram:TypeCode><ram:CategoryCode>S</ram:CategoryCode>"
             "<ram:RateApplicablePercent>" +
             QByteArray::number(rateOf(i)) +
             "</ram:RateApplicablePercent></"
             "ram:ApplicableTradeTax><ram:SpecifiedTradeSettlementLineMonetarySummation>"
             "<ram:LineTotalAmount>" +
             money(lineCents(i)).toLatin1() +
             "</ram:LineTotalAmount></ram:SpecifiedTradeSettlementLineMonetarySummation>"
             "</ram:SpecifiedLineTradeSettlement></ram:IncludedSupplyChainTradeLineItem>";
    }
    x += "<ram:ApplicableHeaderTradeAgreement><ram:SellerTradeParty><ram:Name>Großhandel Heinemann "
         "KG</ram:Name>"
         "<ram:PostalTradeAddress><ram:PostcodeCode>34117</ram:PostcodeCode><ram:LineOne>Hafenstraße "
         "3</ram:LineOne>"
         "<ram:CityName>Kassel</ram:CityName><ram:CountryID>DE</ram:CountryID></ram:PostalTradeAddress>"
         "<ram:SpecifiedTaxRegistration><ram:ID "
         "schemeID=\"VA\">DE123456788</ram:ID></ram:SpecifiedTaxRegistration>"
         "</ram:SellerTradeParty><ram:BuyerTradeParty><ram:Name>Tavirel Haustechnik GmbH</ram:Name>"
         "<ram:PostalTradeAddress><ram:PostcodeCode>34117</ram:PostcodeCode><ram:LineOne>Lindenstraße 12"
         "</ram:LineOne><ram:CityName>Kassel</ram:CityName><ram:CountryID>DE</ram:CountryID></"
         "ram:PostalTradeAddress>"
         "</ram:BuyerTradeParty></ram:ApplicableHeaderTradeAgreement><ram:ApplicableHeaderTradeDelivery>"
         "<ram:ActualDeliverySupplyChainEvent><ram:OccurrenceDateTime><udt:DateTimeString "
         "format=\"102\">20250301"
         "</udt:DateTimeString></ram:OccurrenceDateTime></ram:ActualDeliverySupplyChainEvent>"
         "</ram:ApplicableHeaderTradeDelivery><ram:ApplicableHeaderTradeSettlement>"
         "<ram:InvoiceCurrencyCode>EUR</ram:InvoiceCurrencyCode>";
    for (int k = 0; k < 2; ++k)
        x += "<ram:ApplicableTradeTax><ram:CalculatedAmount>" + money(f.vat[k]).toLatin1() +
             "</ram:CalculatedAmount><ram:TypeCode>VAT</ram:TypeCode><ram:BasisAmount>" +
             money(f.net[k]).toLatin1() +
             "</ram:BasisAmount><ram:CategoryCode>S</ram:CategoryCode><ram:RateApplicablePercent>" +
             QByteArray(k ? "7" : "19") + "</ram:RateApplicablePercent></ram:ApplicableTradeTax>";
    const QByteArray total = money(f.total()).toLatin1(), gross = money(f.total() + f.vatTotal()).toLatin1();
    x +=
        "<ram:SpecifiedTradeSettlementHeaderMonetarySummation><ram:LineTotalAmount>" + total +
        "</ram:LineTotalAmount><ram:TaxBasisTotalAmount>" + total +
        "</ram:TaxBasisTotalAmount><ram:TaxTotalAmount currencyID=\"EUR\">" + money(f.vatTotal()).toLatin1() +
        "</ram:TaxTotalAmount><ram:GrandTotalAmount>" + gross +
        "</ram:GrandTotalAmount><ram:DuePayableAmount>" + gross +
        "</ram:DuePayableAmount></ram:SpecifiedTradeSettlementHeaderMonetarySummation>"
        "</ram:ApplicableHeaderTradeSettlement></rsm:SupplyChainTradeTransaction></rsm:CrossIndustryInvoice>";
    return x;
}

const QByteArray &invoiceXml()
{
    static const QByteArray xml = cii();
    return xml;
}

// ---- reading and checking

void BM_RawXmlScan(benchmark::State &state)
{
    for (auto _ : state) {
        QXmlStreamReader r(invoiceXml());
        int elements = 0;
        while (!r.atEnd())
            if (r.readNext() == QXmlStreamReader::StartElement) ++elements;
        benchmark::DoNotOptimize(elements);
    }
}
BENCHMARK(BM_RawXmlScan)->Unit(benchmark::kMillisecond);

void BM_ReadAndCheck1000Lines(benchmark::State &state)
{
    for (auto _ : state) {
        const IncomingInvoice inv = IncomingInvoice::read(invoiceXml(), QStringLiteral("gross.xml"));
        const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
        if (inv.lines.size() != kLines || !findings.isEmpty())
            state.SkipWithError("the invoice was not read whole");
        benchmark::DoNotOptimize(findings);
    }
}
BENCHMARK(BM_ReadAndCheck1000Lines)->Unit(benchmark::kMillisecond);

// ---- a stranger's file: 120,000 elements, each in a namespace of its own
// (once a quarter of a minute), beside the raw scan of the same bytes

const QByteArray &manyNamespaces()
{
    static const QByteArray x = [] {
        QByteArray b("<r>");
        for (int i = 0; i < 120000; ++i)
            b += "<a xmlns=\"urn:x" + QByteArray::number(i) + "\"/>";
        return b + "</r>";
    }();
    return x;
}

void BM_RawScanManyNamespaces(benchmark::State &state)
{
    for (auto _ : state) {
        QXmlStreamReader r(manyNamespaces());
        int elements = 0;
        while (!r.atEnd())
            if (r.readNext() == QXmlStreamReader::StartElement) ++elements;
        benchmark::DoNotOptimize(elements);
    }
}
BENCHMARK(BM_RawScanManyNamespaces)->Unit(benchmark::kMillisecond);

void BM_ReadManyNamespaces(benchmark::State &state)
{
    for (auto _ : state) {
        try {
            IncomingInvoice::read(manyNamespaces(), QStringLiteral("namensraeume.xml"));
            state.SkipWithError("a file that is no invoice was read");
        } catch (const AppError &) {
        }
    }
}
BENCHMARK(BM_ReadManyNamespaces)->Unit(benchmark::kMillisecond);

// ---- the page set

void BM_RawTextMeasure(benchmark::State &state)
{
    const IncomingInvoice inv = IncomingInvoice::read(invoiceXml(), QStringLiteral("gross.xml"));
    const QFontMetricsF fm(ReportFonts::font(QStringLiteral("Arial"), 9));
    for (auto _ : state) {
        qreal width = 0;
        for (const InvoiceLine &l : inv.lines)
            for (const QString &t :
                 {l.name, l.description, l.quantity.german(0), l.netPrice.german(), l.netAmount.german()})
                width += fm.horizontalAdvance(t);
        benchmark::DoNotOptimize(width);
    }
}
BENCHMARK(BM_RawTextMeasure)->Unit(benchmark::kMillisecond);

void BM_PageSet1000Lines(benchmark::State &state)
{
    const IncomingInvoice inv = IncomingInvoice::read(invoiceXml(), QStringLiteral("gross.xml"));
    const QList<InvoiceFinding> findings = CheckIncomingInvoice(inv);
    for (auto _ : state) {
        const auto pages = IncomingInvoicePages(inv, findings);
        state.counters["pages"] = pages->pagesAvailable();
    }
}
BENCHMARK(BM_PageSet1000Lines)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // The page needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ReportFonts::install();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
