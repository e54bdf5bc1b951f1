// SPDX-License-Identifier: GPL-3.0-or-later
#include "ciiwriter.h"

#include "einvoice.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace {

const QString kRsm = QStringLiteral("urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100");
const QString kRam =
    QStringLiteral("urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100");
const QString kQdt = QStringLiteral("urn:un:unece:uncefact:data:standard:QualifiedDataType:100");
const QString kUdt = QStringLiteral("urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100");

// XML 1.0 cannot carry control characters other than tab and line feed (a
// carriage return would be read back as a line feed anyway), nor lone surrogates.
QString xmlSafe(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += c;
            out += s.at(++i);
        } else if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF || (u < 0x20 && u != u'\t' && u != u'\n')) {
            if (u == u'\r' && !(i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n')))
                out += QLatin1Char('\n');
        } else {
            out += c;
        }
    }
    return out;
}

// Up to six decimals, at least `minDecimals`, no trailing zeros beyond them.
QString decimalText(double v, int minDecimals)
{
    QString s = QString::number(v, 'f', 6);
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    qsizetype keep = s.size();
    while (keep > dot + 1 + minDecimals && s.at(keep - 1) == QLatin1Char('0'))
        --keep;
    if (keep == dot + 1) --keep;
    s.truncate(keep);
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    return s;
}

class Writer
{
  public:
    explicit Writer(QByteArray *out) : w(out) { w.setAutoFormatting(true); }

    void start(const QString &ns, const char *name) { w.writeStartElement(ns, QString::fromLatin1(name)); }
    void end() { w.writeEndElement(); }
    void text(const QString &ns, const char *name, const QString &value)
    {
        w.writeTextElement(ns, QString::fromLatin1(name), xmlSafe(value));
    }
    void ram(const char *name, const QString &value) { text(kRam, name, value); }
    void ramIfAny(const char *name, const QString &value)
    {
        if (!value.isEmpty()) ram(name, value);
    }
    void ramWith(const char *name, const char *attribute, const QString &attrValue, const QString &value)
    {
        start(kRam, name);
        w.writeAttribute(QString::fromLatin1(attribute), attrValue);
        w.writeCharacters(xmlSafe(value));
        end();
    }
    void date(const char *name, const QDate &d)
    {
        start(kRam, name);
        start(kUdt, "DateTimeString");
        w.writeAttribute(QStringLiteral("format"), QStringLiteral("102"));
        w.writeCharacters(d.toString(QStringLiteral("yyyyMMdd")));
        end();
        end();
    }
    void idParam(const char *name, const QString &id)
    {
        start(kRam, name);
        ram("ID", id);
        end();
    }

    QXmlStreamWriter w;
};

// "19", "7", "10.7": a rate as EN 16931 writes a percentage.
QString percentText(double rate)
{
    return decimalText(rate, 0);
}

void writeLine(Writer &x, const EInvoiceLine &line)
{
    x.start(kRam, "IncludedSupplyChainTradeLineItem");
    x.start(kRam, "AssociatedDocumentLineDocument");
    x.ram("LineID", line.id);
    x.end();
    x.start(kRam, "SpecifiedTradeProduct");
    x.ramIfAny("SellerAssignedID", line.articleNr);
    x.ram("Name", line.name);
    x.ramIfAny("Description", line.description);
    x.end();
    x.start(kRam, "SpecifiedLineTradeAgreement");
    x.start(kRam, "NetPriceProductTradePrice");
    x.ram("ChargeAmount", decimalText(line.price, 2));
    x.end();
    x.end();
    x.start(kRam, "SpecifiedLineTradeDelivery");
    x.ramWith("BilledQuantity", "unitCode", line.unitCode, decimalText(line.quantity, 0));
    x.end();
    x.start(kRam, "SpecifiedLineTradeSettlement");
    x.start(kRam, "ApplicableTradeTax");
    x.ram("TypeCode", QStringLiteral("VAT"));
    x.ram("CategoryCode", line.category);
    // Not subject to VAT, a position has no rate at all (BR-O-5).
    if (line.category != QLatin1String("O")) x.ram("RateApplicablePercent", percentText(line.rate));
    x.end();
    x.start(kRam, "SpecifiedTradeSettlementLineMonetarySummation");
    x.ram("LineTotalAmount", EInvoice::amountText(line.netCents));
    x.end();
    x.end();
    x.end();
}

void writeSeller(Writer &x, const SellerData &s, bool withVatId)
{
    x.start(kRam, "SellerTradeParty");
    x.ramIfAny("ID", s.Kennung);
    x.ram("Name", s.Firma);
    if (!s.Handelsregister.isEmpty()) {
        x.start(kRam, "SpecifiedLegalOrganization");
        x.ram("ID", s.Handelsregister);
        x.end();
    }
    x.start(kRam, "DefinedTradeContact");
    x.ram("PersonName", s.Kontakt);
    x.start(kRam, "TelephoneUniversalCommunication");
    x.ram("CompleteNumber", s.Telefon);
    x.end();
    x.start(kRam, "EmailURIUniversalCommunication");
    x.ram("URIID", s.EMail);
    x.end();
    x.end();
    x.start(kRam, "PostalTradeAddress");
    x.ram("PostcodeCode", s.PLZ);
    x.ramIfAny("LineOne", s.Strasse);
    x.ram("CityName", s.Ort);
    x.ram("CountryID", s.Land);
    x.end();
    x.start(kRam, "URIUniversalCommunication");
    x.ramWith("URIID", "schemeID", QStringLiteral("EM"), s.EMail);
    x.end();
    if (withVatId && !s.UStIdNr.isEmpty()) {
        x.start(kRam, "SpecifiedTaxRegistration");
        x.ramWith("ID", "schemeID", QStringLiteral("VA"), QString(s.UStIdNr).remove(QLatin1Char(' ')));
        x.end();
    }
    if (!s.Steuernummer.isEmpty()) {
        x.start(kRam, "SpecifiedTaxRegistration");
        x.ramWith("ID", "schemeID", QStringLiteral("FC"), s.Steuernummer);
        x.end();
    }
    x.end();
}

void writeBuyerAddress(Writer &x, const EInvoiceBuyer &b)
{
    x.start(kRam, "PostalTradeAddress");
    x.ram("PostcodeCode", b.plz);
    x.ramIfAny("LineOne", b.strasse);
    x.ramIfAny("LineTwo", b.namen);
    x.ram("CityName", b.ort);
    x.ram("CountryID", b.land);
    x.end();
}

void writeBuyer(Writer &x, const EInvoiceBuyer &b)
{
    x.start(kRam, "BuyerTradeParty");
    x.ram("ID", QString::number(b.kdnr));
    x.ram("Name", b.name);
    writeBuyerAddress(x, b);
    x.start(kRam, "URIUniversalCommunication");
    x.ramWith("URIID", "schemeID", QStringLiteral("EM"), b.email);
    x.end();
    if (!b.vatId.isEmpty()) {
        x.start(kRam, "SpecifiedTaxRegistration");
        x.ramWith("ID", "schemeID", QStringLiteral("VA"), b.vatId);
        x.end();
    }
    x.end();
}

void writePaymentMeans(Writer &x, const EInvoice &inv)
{
    x.start(kRam, "SpecifiedTradeSettlementPaymentMeans");
    switch (inv.payment) {
    case PaymentMeans::CreditTransfer:
        x.ram("TypeCode", QStringLiteral("58"));
        x.start(kRam, "PayeePartyCreditorFinancialAccount");
        x.ram("IBANID", inv.seller.ibanCompact());
        x.ram("AccountName", inv.seller.Firma);
        x.end();
        if (!inv.seller.BIC.isEmpty()) {
            x.start(kRam, "PayeeSpecifiedCreditorFinancialInstitution");
            x.ram("BICID", QString(inv.seller.BIC).remove(QLatin1Char(' ')));
            x.end();
        }
        break;
    case PaymentMeans::DirectDebit:
        x.ram("TypeCode", QStringLiteral("59"));
        x.start(kRam, "PayerPartyDebtorFinancialAccount");
        x.ram("IBANID", inv.buyer.debitIban);
        x.end();
        break;
    case PaymentMeans::NotDefined:
        x.ram("TypeCode", QStringLiteral("1"));
        break;
    }
    x.end();
}

} // namespace

const char *CiiWriter::guidelineId(Profile profile)
{
    return profile == Profile::XRechnung
               ? "urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"
               : "urn:cen.eu:en16931:2017";
}

QByteArray CiiWriter::write(const EInvoice &inv, Profile profile)
{
    QByteArray out;
    Writer x(&out);
    x.w.writeStartDocument();
    x.w.writeNamespace(kRsm, QStringLiteral("rsm"));
    x.w.writeNamespace(kRam, QStringLiteral("ram"));
    x.w.writeNamespace(kQdt, QStringLiteral("qdt"));
    x.w.writeNamespace(kUdt, QStringLiteral("udt"));
    x.start(kRsm, "CrossIndustryInvoice");

    x.start(kRsm, "ExchangedDocumentContext");
    if (profile == Profile::XRechnung)
        x.idParam("BusinessProcessSpecifiedDocumentContextParameter",
                  QStringLiteral("urn:fdc:peppol.eu:2017:poacc:billing:01:1.0"));
    x.idParam("GuidelineSpecifiedDocumentContextParameter", QString::fromLatin1(guidelineId(profile)));
    x.end();

    x.start(kRsm, "ExchangedDocument");
    x.ram("ID", inv.number);
    x.ram("TypeCode", inv.typeCode());
    x.date("IssueDateTime", inv.issueDate);
    for (const QString &note : inv.notes) {
        x.start(kRam, "IncludedNote");
        x.ram("Content", note);
        x.end();
    }
    x.end();

    x.start(kRsm, "SupplyChainTradeTransaction");
    for (const EInvoiceLine &line : inv.lines)
        writeLine(x, line);

    x.start(kRam, "ApplicableHeaderTradeAgreement");
    x.ram("BuyerReference", inv.buyer.reference);
    // An invoice not subject to VAT names no VAT id (BR-O-2).
    writeSeller(x, inv.seller, !inv.notSubjectToVat());
    writeBuyer(x, inv.buyer);
    if (!inv.orderReference.isEmpty()) {
        x.start(kRam, "BuyerOrderReferencedDocument");
        x.ram("IssuerAssignedID", inv.orderReference);
        x.end();
    }
    x.end();

    x.start(kRam, "ApplicableHeaderTradeDelivery");
    // A supply to another member state names where it goes: the buyer's address.
    if (std::any_of(inv.breakdown.begin(), inv.breakdown.end(),
                    [](const EInvoiceVat &v) { return v.category == QLatin1String("K"); })) {
        x.start(kRam, "ShipToTradeParty");
        writeBuyerAddress(x, inv.buyer);
        x.end();
    }
    if (inv.deliveryDate.isValid()) {
        x.start(kRam, "ActualDeliverySupplyChainEvent");
        x.date("OccurrenceDateTime", inv.deliveryDate);
        x.end();
    }
    if (!inv.despatchReference.isEmpty()) {
        x.start(kRam, "DespatchAdviceReferencedDocument");
        x.ram("IssuerAssignedID", inv.despatchReference);
        x.end();
    }
    x.end();

    x.start(kRam, "ApplicableHeaderTradeSettlement");
    if (inv.payment == PaymentMeans::DirectDebit) x.ram("CreditorReferenceID", inv.seller.GlaeubigerID);
    x.ram("PaymentReference", inv.number);
    x.ram("InvoiceCurrencyCode", QStringLiteral("EUR"));
    writePaymentMeans(x, inv);
    for (const EInvoiceVat &v : inv.breakdown) {
        x.start(kRam, "ApplicableTradeTax");
        x.ram("CalculatedAmount", EInvoice::amountText(v.vatCents));
        x.ram("TypeCode", QStringLiteral("VAT"));
        x.ramIfAny("ExemptionReason", v.exemptionReason);
        x.ram("BasisAmount", EInvoice::amountText(v.basisCents));
        x.ram("CategoryCode", v.category);
        x.ramIfAny("ExemptionReasonCode", v.exemptionCode);
        // XRechnung wants the rate in every breakdown, 0 for O (BR-DE-14).
        x.ram("RateApplicablePercent", percentText(v.rate));
        x.end();
    }
    if (inv.periodEnd.isValid()) {
        x.start(kRam, "BillingSpecifiedPeriod");
        x.date("StartDateTime", inv.periodStart);
        x.date("EndDateTime", inv.periodEnd);
        x.end();
    }
    x.start(kRam, "SpecifiedTradePaymentTerms");
    x.ramIfAny("Description", inv.paymentTerms);
    if (inv.dueDate.isValid()) x.date("DueDateDateTime", inv.dueDate);
    if (inv.payment == PaymentMeans::DirectDebit) x.ram("DirectDebitMandateID", inv.mandateReference);
    x.end();
    x.start(kRam, "SpecifiedTradeSettlementHeaderMonetarySummation");
    x.ram("LineTotalAmount", EInvoice::amountText(inv.lineTotalCents));
    x.ram("TaxBasisTotalAmount", EInvoice::amountText(inv.lineTotalCents));
    x.ramWith("TaxTotalAmount", "currencyID", QStringLiteral("EUR"), EInvoice::amountText(inv.vatCents));
    x.ram("GrandTotalAmount", EInvoice::amountText(inv.grandTotalCents));
    x.ram("DuePayableAmount", EInvoice::amountText(inv.grandTotalCents));
    x.end();
    x.end(); // ApplicableHeaderTradeSettlement

    x.end(); // SupplyChainTradeTransaction
    x.end(); // CrossIndustryInvoice
    x.w.writeEndDocument();
    return out;
}
