// SPDX-License-Identifier: GPL-3.0-or-later
#include "invoicereader.h"

#include "xmltree.h"

#include "base/apperror.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>

#include <cstring>
#include <exception>
#include <stdexcept>

namespace {

const QString kRsm = QStringLiteral("urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100");
const QString kRam =
    QStringLiteral("urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100");
const QString kUdt = QStringLiteral("urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100");
const QString kQdt = QStringLiteral("urn:un:unece:uncefact:data:standard:QualifiedDataType:100");
// UBL's namespaces, as OASIS named them: every UBL invoice carries them verbatim.
const QString kUbl = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:");
const QString kUblInvoice = kUbl + QStringLiteral("Invoice-2");
const QString kUblCreditNote = kUbl + QStringLiteral("CreditNote-2");
const QString kCbc = kUbl + QStringLiteral("CommonBasicComponents-2");
const QString kCac = kUbl + QStringLiteral("CommonAggregateComponents-2");
// ZUGFeRD 1.0 wrote an older, pre-EN 16931 document.
const QString kZugferd1 = QStringLiteral("urn:ferd:CrossIndustryDocument:invoice:1p0");

// Walks the tree along paths such as "ram:SpecifiedTradeProduct/ram:Name":
// every step but the last takes the first matching child. The prefixes are
// the reader's own; the document may bind any prefix to the namespaces.
class Walker
{
  public:
    Walker(const XmlTree &tree, IncomingInvoice &invoice) : m_tree(tree), m_invoice(invoice) {}

    void bind(const char *prefix, const QString &uri) { m_prefixes.push_back({prefix, m_tree.ns(uri)}); }

    const XmlNode *node(const XmlNode *from, const char *path) const
    {
        const XmlNode *n = from;
        while (n && *path) {
            const Step s = step(path);
            n = n->child(s.ns, s.name);
            path = s.next;
        }
        return n;
    }

    QList<const XmlNode *> nodes(const XmlNode *from, const char *path) const
    {
        const XmlNode *n = from;
        while (n && *path) {
            const Step s = step(path);
            if (!*s.next) return n->all(s.ns, s.name);
            n = n->child(s.ns, s.name);
            path = s.next;
        }
        return {};
    }

    QString text(const XmlNode *from, const char *path) const { return XmlNode::textOf(node(from, path)); }

    Decimal decimal(const XmlNode *from, const char *path, const char *term) const
    {
        return decimalOf(node(from, path), term);
    }

    Decimal decimalOf(const XmlNode *n, const char *term) const
    {
        const QString t = XmlNode::textOf(n);
        if (t.isEmpty()) return Decimal();
        if (auto d = Decimal::parse(t)) return *d;
        problem(term,
                QStringLiteral("„%1“ ist keine Zahl in der Form der Norm (z. B. 1234.50)").arg(shortened(t)));
        return Decimal();
    }

    // A value quoted in a message: a runaway one (400 digits) only by its start.
    static QString shortened(const QString &t)
    {
        return t.size() <= 40 ? t : t.left(40) + QStringLiteral("… (%1 Zeichen)").arg(t.size());
    }

    // xsd:date may carry a time zone ("2016-04-04+01:00", "2016-04-04Z"):
    // the day is the day written.
    static QString withoutZone(const QString &t)
    {
        static const QRegularExpression zone(
            QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:Z|[+-]\\d{2}:\\d{2})$"));
        const QRegularExpressionMatch m = zone.match(t);
        return m.hasMatch() ? m.captured(1) : t;
    }

    // A date as CII writes it (format 102: yyyyMMdd; 610: yyyyMM) or as UBL
    // does (yyyy-MM-dd, with or without a time zone).
    QDate dateOf(const XmlNode *n, const char *term) const
    {
        if (!n) return QDate();
        const QString t = n->text.trimmed();
        if (t.isEmpty()) return QDate();
        const QString format = n->attribute(QLatin1StringView("format"));
        QDate d;
        if (format == QLatin1String("610"))
            d = QDate::fromString(t + QStringLiteral("01"), QStringLiteral("yyyyMMdd"));
        else if (t.size() == 8)
            d = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
        else if (t.size() >= 10)
            d = QDate::fromString(withoutZone(t), QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid())
            problem(term,
                    QStringLiteral("„%1“ ist kein Datum in der Form der Norm (JJJJMMTT bzw. JJJJ-MM-TT)")
                        .arg(shortened(t)));
        return d;
    }

    // CII dates sit in a udt:DateTimeString (or qdt:, or udt:DateString) below the named element.
    QDate ciiDate(const XmlNode *from, const char *path, const char *term) const
    {
        const XmlNode *n = node(from, path);
        if (!n) return QDate();
        for (const char *inner :
             {"udt:DateTimeString", "qdt:DateTimeString", "udt:DateString", "qdt:DateString"})
            if (const XmlNode *d = node(n, inner)) return dateOf(d, term);
        return QDate();
    }

    QDate ublDate(const XmlNode *from, const char *path, const char *term) const
    {
        return dateOf(node(from, path), term);
    }

    void problem(const char *term, const QString &text) const
    {
        m_invoice.readProblems << InvoiceFinding{QString::fromLatin1(term), QString(), text};
    }

  private:
    struct Step
    {
        int ns;
        QLatin1StringView name;
        const char *next; // the rest of the path after this step
    };

    // One step "prefix:Name" of a path; the prefixes are the ones bound.
    Step step(const char *path) const
    {
        const char *colon = std::strchr(path, ':');
        const char *end = colon;
        while (*end && *end != '/')
            ++end;
        int ns = -2;
        for (const auto &[prefix, index] : m_prefixes)
            if (std::strncmp(prefix, path, size_t(colon - path)) == 0 && prefix[colon - path] == 0)
                ns = index;
        return Step{ns, QLatin1StringView(colon + 1, end - colon - 1), *end ? end + 1 : end};
    }

    const XmlTree &m_tree;
    IncomingInvoice &m_invoice;
    std::vector<std::pair<const char *, int>> m_prefixes;
};

// The terms of an allowance or a charge: BG-20 and BG-21 on the document,
// BG-27 and BG-28 on a line (which have no VAT of their own).
struct AdjustmentTerms
{
    const char *amount, *base, *percent, *rate;
};

AdjustmentTerms adjustmentTerms(bool charge, bool line)
{
    if (line)
        return charge ? AdjustmentTerms{"BT-141", "BT-142", "BT-143", ""}
                      : AdjustmentTerms{"BT-136", "BT-137", "BT-138", ""};
    return charge ? AdjustmentTerms{"BT-99", "BT-100", "BT-101", "BT-103"}
                  : AdjustmentTerms{"BT-92", "BT-93", "BT-94", "BT-96"};
}

// ---------------------------------------------------------------- CII

class CiiReader
{
  public:
    CiiReader(const XmlTree &tree, IncomingInvoice &invoice) : w(tree, invoice), inv(invoice)
    {
        w.bind("rsm", kRsm);
        w.bind("ram", kRam);
        w.bind("udt", kUdt);
        w.bind("qdt", kQdt);
    }

    void read(const XmlNode *root)
    {
        inv.syntax = IncomingInvoice::Syntax::CII;
        const XmlNode *context = w.node(root, "rsm:ExchangedDocumentContext");
        inv.processId = w.text(context, "ram:BusinessProcessSpecifiedDocumentContextParameter/ram:ID");
        inv.specificationId = w.text(context, "ram:GuidelineSpecifiedDocumentContextParameter/ram:ID");

        const XmlNode *doc = w.node(root, "rsm:ExchangedDocument");
        inv.number = w.text(doc, "ram:ID");
        inv.typeCode = w.text(doc, "ram:TypeCode");
        inv.issueDate = w.ciiDate(doc, "ram:IssueDateTime", "BT-2");
        for (const XmlNode *n : w.nodes(doc, "ram:IncludedNote"))
            inv.notes << InvoiceNote{w.text(n, "ram:SubjectCode"), w.text(n, "ram:Content")};

        const XmlNode *tx = w.node(root, "rsm:SupplyChainTradeTransaction");
        for (const XmlNode *item : w.nodes(tx, "ram:IncludedSupplyChainTradeLineItem"))
            readLine(item);
        // A line that sub-lines name as their parent is their group, also
        // where its status code is left out.
        QSet<QString> parents;
        for (const InvoiceLine &l : std::as_const(inv.lines))
            if (!l.parentId.isEmpty() && !l.informationOnly) parents.insert(l.parentId);
        for (InvoiceLine &l : inv.lines)
            if (!l.informationOnly && !l.id.isEmpty() && parents.contains(l.id)) l.subtotal = true;
        readAgreement(w.node(tx, "ram:ApplicableHeaderTradeAgreement"));
        readDelivery(w.node(tx, "ram:ApplicableHeaderTradeDelivery"));
        readSettlement(w.node(tx, "ram:ApplicableHeaderTradeSettlement"));
    }

  private:
    void readParty(const XmlNode *p, InvoiceParty &party, bool seller)
    {
        if (!p) return;
        for (const XmlNode *id : w.nodes(p, "ram:ID"))
            party.ids << XmlNode::textOf(id);
        for (const XmlNode *id : w.nodes(p, "ram:GlobalID"))
            party.ids << XmlNode::textOf(id);
        party.name = w.text(p, "ram:Name");
        if (seller) party.legalInfo = w.text(p, "ram:Description");
        party.legalId = w.text(p, "ram:SpecifiedLegalOrganization/ram:ID");
        party.tradingName = w.text(p, "ram:SpecifiedLegalOrganization/ram:TradingBusinessName");
        const XmlNode *contact = w.node(p, "ram:DefinedTradeContact");
        party.contactName = w.text(contact, "ram:PersonName");
        if (party.contactName.isEmpty()) party.contactName = w.text(contact, "ram:DepartmentName");
        party.contactPhone = w.text(contact, "ram:TelephoneUniversalCommunication/ram:CompleteNumber");
        party.contactEmail = w.text(contact, "ram:EmailURIUniversalCommunication/ram:URIID");
        readAddress(w.node(p, "ram:PostalTradeAddress"), party.address);
        const XmlNode *uri = w.node(p, "ram:URIUniversalCommunication/ram:URIID");
        party.electronicAddress = XmlNode::textOf(uri);
        if (uri) party.electronicScheme = uri->attribute(QLatin1StringView("schemeID"));
        for (const XmlNode *reg : w.nodes(p, "ram:SpecifiedTaxRegistration")) {
            const XmlNode *id = w.node(reg, "ram:ID");
            const QString scheme = id ? id->attribute(QLatin1StringView("schemeID")) : QString();
            if (scheme == QLatin1String("VA"))
                party.vatId = XmlNode::textOf(id);
            else if (scheme == QLatin1String("FC"))
                party.taxNumber = XmlNode::textOf(id);
        }
    }

    void readAddress(const XmlNode *a, InvoiceAddress &out)
    {
        if (!a) return;
        out.postCode = w.text(a, "ram:PostcodeCode");
        out.line1 = w.text(a, "ram:LineOne");
        out.line2 = w.text(a, "ram:LineTwo");
        out.line3 = w.text(a, "ram:LineThree");
        out.city = w.text(a, "ram:CityName");
        out.country = w.text(a, "ram:CountryID");
        out.subdivision = w.text(a, "ram:CountrySubDivisionName");
    }

    InvoiceAllowanceCharge adjustment(const XmlNode *n, bool line)
    {
        InvoiceAllowanceCharge a;
        a.charge = w.text(n, "ram:ChargeIndicator/udt:Indicator")
                       .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        const AdjustmentTerms t = adjustmentTerms(a.charge, line);
        a.percent = w.decimal(n, "ram:CalculationPercent", t.percent);
        a.base = w.decimal(n, "ram:BasisAmount", t.base);
        a.amount = w.decimal(n, "ram:ActualAmount", t.amount);
        a.reasonCode = w.text(n, "ram:ReasonCode");
        a.reason = w.text(n, "ram:Reason");
        if (!line) {
            a.vatCategory = w.text(n, "ram:CategoryTradeTax/ram:CategoryCode");
            a.vatRate = w.decimal(n, "ram:CategoryTradeTax/ram:RateApplicablePercent", t.rate);
        }
        return a;
    }

    void readLine(const XmlNode *item)
    {
        InvoiceLine l;
        const XmlNode *doc = w.node(item, "ram:AssociatedDocumentLineDocument");
        l.id = w.text(doc, "ram:LineID");
        l.note = w.text(doc, "ram:IncludedNote/ram:Content");
        // EXTENDED: a line that only informs is not part of the sums.
        const QString status = w.text(doc, "ram:LineStatusReasonCode");
        l.informationOnly = status == QLatin1String("INFORMATION");
        // A group line carries the sum of its sub-lines (DETAIL), which
        // count in its place.
        l.subtotal = status == QLatin1String("GROUP");
        l.parentId = w.text(doc, "ram:ParentLineID");

        const XmlNode *product = w.node(item, "ram:SpecifiedTradeProduct");
        const XmlNode *global = w.node(product, "ram:GlobalID");
        l.standardItemId = XmlNode::textOf(global);
        l.sellerItemId = w.text(product, "ram:SellerAssignedID");
        l.buyerItemId = w.text(product, "ram:BuyerAssignedID");
        l.name = w.text(product, "ram:Name");
        l.description = w.text(product, "ram:Description");
        for (const XmlNode *c : w.nodes(product, "ram:ApplicableProductCharacteristic"))
            l.attributes << std::pair(w.text(c, "ram:Description"), w.text(c, "ram:Value"));
        for (const XmlNode *c : w.nodes(product, "ram:DesignatedProductClassification"))
            l.classifications << w.text(c, "ram:ClassCode");
        l.originCountry = w.text(product, "ram:OriginTradeCountry/ram:ID");

        const XmlNode *agreement = w.node(item, "ram:SpecifiedLineTradeAgreement");
        l.orderLineRef = w.text(agreement, "ram:BuyerOrderReferencedDocument/ram:LineID");
        const XmlNode *gross = w.node(agreement, "ram:GrossPriceProductTradePrice");
        l.grossPrice = w.decimal(gross, "ram:ChargeAmount", "BT-148");
        l.priceDiscount = w.decimal(gross, "ram:AppliedTradeAllowanceCharge/ram:ActualAmount", "BT-147");
        const XmlNode *net = w.node(agreement, "ram:NetPriceProductTradePrice");
        l.netPrice = w.decimal(net, "ram:ChargeAmount", "BT-146");
        const XmlNode *basis = w.node(net, "ram:BasisQuantity");
        if (!basis) basis = w.node(gross, "ram:BasisQuantity");
        l.baseQuantity = w.decimalOf(basis, "BT-149");
        if (basis) l.baseUnit = basis->attribute(QLatin1StringView("unitCode"));

        const XmlNode *qty = w.node(item, "ram:SpecifiedLineTradeDelivery/ram:BilledQuantity");
        l.quantity = w.decimalOf(qty, "BT-129");
        if (qty) l.unit = qty->attribute(QLatin1StringView("unitCode"));

        const XmlNode *settlement = w.node(item, "ram:SpecifiedLineTradeSettlement");
        l.vatCategory = w.text(settlement, "ram:ApplicableTradeTax/ram:CategoryCode");
        l.vatRate = w.decimal(settlement, "ram:ApplicableTradeTax/ram:RateApplicablePercent", "BT-152");
        l.periodStart = w.ciiDate(settlement, "ram:BillingSpecifiedPeriod/ram:StartDateTime", "BT-134");
        l.periodEnd = w.ciiDate(settlement, "ram:BillingSpecifiedPeriod/ram:EndDateTime", "BT-135");
        for (const XmlNode *a : w.nodes(settlement, "ram:SpecifiedTradeAllowanceCharge"))
            l.adjustments << adjustment(a, true);
        l.netAmount = w.decimal(
            settlement, "ram:SpecifiedTradeSettlementLineMonetarySummation/ram:LineTotalAmount", "BT-131");
        l.objectId = w.text(settlement, "ram:AdditionalReferencedDocument/ram:IssuerAssignedID");
        l.accountingRef = w.text(settlement, "ram:ReceivableSpecifiedTradeAccountingAccount/ram:ID");
        inv.lines << l;
    }

    void readAgreement(const XmlNode *a)
    {
        if (!a) return;
        inv.buyerReference = w.text(a, "ram:BuyerReference");
        readParty(w.node(a, "ram:SellerTradeParty"), inv.seller, true);
        readParty(w.node(a, "ram:BuyerTradeParty"), inv.buyer, false);
        const XmlNode *rep = w.node(a, "ram:SellerTaxRepresentativeTradeParty");
        inv.taxRepresentativeName = w.text(rep, "ram:Name");
        inv.taxRepresentativeVatId = w.text(rep, "ram:SpecifiedTaxRegistration/ram:ID");
        inv.salesOrderRef = w.text(a, "ram:SellerOrderReferencedDocument/ram:IssuerAssignedID");
        inv.orderRef = w.text(a, "ram:BuyerOrderReferencedDocument/ram:IssuerAssignedID");
        inv.contractRef = w.text(a, "ram:ContractReferencedDocument/ram:IssuerAssignedID");
        for (const XmlNode *d : w.nodes(a, "ram:AdditionalReferencedDocument")) {
            const QString type = w.text(d, "ram:TypeCode");
            if (type == QLatin1String("50"))
                inv.tenderRef = w.text(d, "ram:IssuerAssignedID");
            else if (type == QLatin1String("130"))
                inv.invoicedObjectRef = w.text(d, "ram:IssuerAssignedID");
        }
        inv.projectRef = w.text(a, "ram:SpecifiedProcuringProject/ram:ID");
    }

    void readDelivery(const XmlNode *d)
    {
        if (!d) return;
        const XmlNode *shipTo = w.node(d, "ram:ShipToTradeParty");
        inv.deliverToLocationId = w.text(shipTo, "ram:ID");
        if (inv.deliverToLocationId.isEmpty()) inv.deliverToLocationId = w.text(shipTo, "ram:GlobalID");
        inv.deliverToName = w.text(shipTo, "ram:Name");
        readAddress(w.node(shipTo, "ram:PostalTradeAddress"), inv.deliverToAddress);
        inv.deliveryDate = w.ciiDate(d, "ram:ActualDeliverySupplyChainEvent/ram:OccurrenceDateTime", "BT-72");
        inv.despatchAdviceRef = w.text(d, "ram:DespatchAdviceReferencedDocument/ram:IssuerAssignedID");
        inv.receivingAdviceRef = w.text(d, "ram:ReceivingAdviceReferencedDocument/ram:IssuerAssignedID");
    }

    void readSettlement(const XmlNode *s)
    {
        if (!s) return;
        inv.creditorId = w.text(s, "ram:CreditorReferenceID");
        inv.remittanceInformation = w.text(s, "ram:PaymentReference");
        inv.vatCurrency = w.text(s, "ram:TaxCurrencyCode");
        inv.currency = w.text(s, "ram:InvoiceCurrencyCode");
        const XmlNode *payee = w.node(s, "ram:PayeeTradeParty");
        inv.payeeName = w.text(payee, "ram:Name");
        inv.payeeId = w.text(payee, "ram:ID");
        if (inv.payeeId.isEmpty()) inv.payeeId = w.text(payee, "ram:GlobalID");
        inv.payeeLegalId = w.text(payee, "ram:SpecifiedLegalOrganization/ram:ID");
        for (const XmlNode *m : w.nodes(s, "ram:SpecifiedTradeSettlementPaymentMeans")) {
            InvoicePaymentMeans p;
            p.code = w.text(m, "ram:TypeCode");
            p.text = w.text(m, "ram:Information");
            p.cardNumber = w.text(m, "ram:ApplicableTradeSettlementFinancialCard/ram:ID");
            p.cardHolder = w.text(m, "ram:ApplicableTradeSettlementFinancialCard/ram:CardholderName");
            p.debitedAccount = w.text(m, "ram:PayerPartyDebtorFinancialAccount/ram:IBANID");
            const XmlNode *account = w.node(m, "ram:PayeePartyCreditorFinancialAccount");
            p.accountId = w.text(account, "ram:IBANID");
            if (p.accountId.isEmpty()) p.accountId = w.text(account, "ram:ProprietaryID");
            p.accountName = w.text(account, "ram:AccountName");
            p.bic = w.text(m, "ram:PayeeSpecifiedCreditorFinancialInstitution/ram:BICID");
            inv.paymentMeans << p;
        }
        for (const XmlNode *t : w.nodes(s, "ram:ApplicableTradeTax")) {
            InvoiceVatBreakdown v;
            v.amount = w.decimal(t, "ram:CalculatedAmount", "BT-117");
            v.basis = w.decimal(t, "ram:BasisAmount", "BT-116");
            v.category = w.text(t, "ram:CategoryCode");
            v.rate = w.decimal(t, "ram:RateApplicablePercent", "BT-119");
            v.exemptionReason = w.text(t, "ram:ExemptionReason");
            v.exemptionCode = w.text(t, "ram:ExemptionReasonCode");
            if (!inv.taxPointDate.isValid()) inv.taxPointDate = w.ciiDate(t, "ram:TaxPointDate", "BT-7");
            if (inv.vatDueDateCode.isEmpty()) inv.vatDueDateCode = w.text(t, "ram:DueDateTypeCode");
            inv.vatBreakdown << v;
        }
        inv.periodStart = w.ciiDate(s, "ram:BillingSpecifiedPeriod/ram:StartDateTime", "BT-73");
        inv.periodEnd = w.ciiDate(s, "ram:BillingSpecifiedPeriod/ram:EndDateTime", "BT-74");
        for (const XmlNode *a : w.nodes(s, "ram:SpecifiedTradeAllowanceCharge"))
            inv.adjustments << adjustment(a, false);
        // EXTENDED: logistics service charges (freight, packing) count as
        // charges of the document, in the charge total and the VAT basis.
        for (const XmlNode *c : w.nodes(s, "ram:SpecifiedLogisticsServiceCharge")) {
            InvoiceAllowanceCharge a;
            a.charge = true;
            a.amount = w.decimal(c, "ram:AppliedAmount", "BT-99");
            a.reason = w.text(c, "ram:Description");
            a.vatCategory = w.text(c, "ram:AppliedTradeTax/ram:CategoryCode");
            a.vatRate = w.decimal(c, "ram:AppliedTradeTax/ram:RateApplicablePercent", "BT-103");
            inv.adjustments << a;
        }
        for (const XmlNode *t : w.nodes(s, "ram:SpecifiedTradePaymentTerms")) {
            const QString text = w.text(t, "ram:Description");
            if (!text.isEmpty())
                inv.paymentTerms += (inv.paymentTerms.isEmpty() ? QString() : QStringLiteral("\n")) + text;
            if (!inv.dueDate.isValid()) inv.dueDate = w.ciiDate(t, "ram:DueDateDateTime", "BT-9");
            if (inv.mandateId.isEmpty()) inv.mandateId = w.text(t, "ram:DirectDebitMandateID");
        }
        const XmlNode *sum = w.node(s, "ram:SpecifiedTradeSettlementHeaderMonetarySummation");
        inv.lineTotal = w.decimal(sum, "ram:LineTotalAmount", "BT-106");
        inv.chargeTotal = w.decimal(sum, "ram:ChargeTotalAmount", "BT-108");
        inv.allowanceTotal = w.decimal(sum, "ram:AllowanceTotalAmount", "BT-107");
        inv.taxBasisTotal = w.decimal(sum, "ram:TaxBasisTotalAmount", "BT-109");
        // The VAT total in the invoice's currency, and once more in the VAT
        // accounting currency when that differs.
        for (const XmlNode *t : w.nodes(sum, "ram:TaxTotalAmount")) {
            const QString currency = t->attribute(QLatin1StringView("currencyID"));
            if (!inv.vatCurrency.isEmpty() && currency == inv.vatCurrency && inv.vatCurrency != inv.currency)
                inv.vatTotalAccounting = w.decimalOf(t, "BT-111");
            else if (inv.vatTotal.isNull())
                inv.vatTotal = w.decimalOf(t, "BT-110");
        }
        inv.rounding = w.decimal(sum, "ram:RoundingAmount", "BT-114");
        inv.grandTotal = w.decimal(sum, "ram:GrandTotalAmount", "BT-112");
        inv.prepaid = w.decimal(sum, "ram:TotalPrepaidAmount", "BT-113");
        inv.duePayable = w.decimal(sum, "ram:DuePayableAmount", "BT-115");
        for (const XmlNode *r : w.nodes(s, "ram:InvoiceReferencedDocument"))
            inv.precedingInvoices << PrecedingInvoice{w.text(r, "ram:IssuerAssignedID"),
                                                      w.ciiDate(r, "ram:FormattedIssueDateTime", "BT-26")};
        inv.buyerAccountingRef = w.text(s, "ram:ReceivableSpecifiedTradeAccountingAccount/ram:ID");
    }

    Walker w;
    IncomingInvoice &inv;
};

// ---------------------------------------------------------------- UBL

class UblReader
{
  public:
    UblReader(const XmlTree &tree, IncomingInvoice &invoice) : w(tree, invoice), inv(invoice)
    {
        w.bind("cbc", kCbc);
        w.bind("cac", kCac);
    }

    void read(const XmlNode *root, bool creditNote)
    {
        inv.syntax = IncomingInvoice::Syntax::UBL;
        inv.specificationId = w.text(root, "cbc:CustomizationID");
        inv.processId = w.text(root, "cbc:ProfileID");
        inv.number = w.text(root, "cbc:ID");
        inv.issueDate = w.ublDate(root, "cbc:IssueDate", "BT-2");
        inv.dueDate = w.ublDate(root, "cbc:DueDate", "BT-9");
        inv.typeCode = w.text(root, creditNote ? "cbc:CreditNoteTypeCode" : "cbc:InvoiceTypeCode");
        for (const XmlNode *n : w.nodes(root, "cbc:Note")) {
            // The subject code travels in front of the text: "#ADU#Text".
            const QString t = XmlNode::textOf(n);
            if (t.size() > 5 && t.at(0) == u'#' && t.at(4) == u'#')
                inv.notes << InvoiceNote{t.mid(1, 3), t.mid(5)};
            else
                inv.notes << InvoiceNote{QString(), t};
        }
        inv.taxPointDate = w.ublDate(root, "cbc:TaxPointDate", "BT-7");
        inv.currency = w.text(root, "cbc:DocumentCurrencyCode");
        inv.vatCurrency = w.text(root, "cbc:TaxCurrencyCode");
        inv.buyerAccountingRef = w.text(root, "cbc:AccountingCost");
        inv.buyerReference = w.text(root, "cbc:BuyerReference");
        inv.periodStart = w.ublDate(root, "cac:InvoicePeriod/cbc:StartDate", "BT-73");
        inv.periodEnd = w.ublDate(root, "cac:InvoicePeriod/cbc:EndDate", "BT-74");
        inv.vatDueDateCode = w.text(root, "cac:InvoicePeriod/cbc:DescriptionCode");
        inv.orderRef = w.text(root, "cac:OrderReference/cbc:ID");
        inv.salesOrderRef = w.text(root, "cac:OrderReference/cbc:SalesOrderID");
        for (const XmlNode *b : w.nodes(root, "cac:BillingReference"))
            inv.precedingInvoices << PrecedingInvoice{
                w.text(b, "cac:InvoiceDocumentReference/cbc:ID"),
                w.ublDate(b, "cac:InvoiceDocumentReference/cbc:IssueDate", "BT-26")};
        inv.despatchAdviceRef = w.text(root, "cac:DespatchDocumentReference/cbc:ID");
        inv.receivingAdviceRef = w.text(root, "cac:ReceiptDocumentReference/cbc:ID");
        inv.tenderRef = w.text(root, "cac:OriginatorDocumentReference/cbc:ID");
        inv.contractRef = w.text(root, "cac:ContractDocumentReference/cbc:ID");
        for (const XmlNode *d : w.nodes(root, "cac:AdditionalDocumentReference"))
            if (w.text(d, "cbc:DocumentTypeCode") == QLatin1String("130"))
                inv.invoicedObjectRef = w.text(d, "cbc:ID");
        inv.projectRef = w.text(root, "cac:ProjectReference/cbc:ID");

        readParty(w.node(root, "cac:AccountingSupplierParty/cac:Party"), inv.seller, true);
        readParty(w.node(root, "cac:AccountingCustomerParty/cac:Party"), inv.buyer, false);
        const XmlNode *payee = w.node(root, "cac:PayeeParty");
        inv.payeeName = w.text(payee, "cac:PartyName/cbc:Name");
        for (const XmlNode *id : w.nodes(payee, "cac:PartyIdentification/cbc:ID")) {
            if (id->attribute(QLatin1StringView("schemeID")) == QLatin1String("SEPA"))
                inv.creditorId = XmlNode::textOf(id);
            else if (inv.payeeId.isEmpty())
                inv.payeeId = XmlNode::textOf(id);
        }
        inv.payeeLegalId = w.text(payee, "cac:PartyLegalEntity/cbc:CompanyID");
        const XmlNode *rep = w.node(root, "cac:TaxRepresentativeParty");
        inv.taxRepresentativeName = w.text(rep, "cac:PartyName/cbc:Name");
        inv.taxRepresentativeVatId = w.text(rep, "cac:PartyTaxScheme/cbc:CompanyID");

        const XmlNode *delivery = w.node(root, "cac:Delivery");
        inv.deliveryDate = w.ublDate(delivery, "cbc:ActualDeliveryDate", "BT-72");
        inv.deliverToLocationId = w.text(delivery, "cac:DeliveryLocation/cbc:ID");
        readAddress(w.node(delivery, "cac:DeliveryLocation/cac:Address"), inv.deliverToAddress);
        inv.deliverToName = w.text(delivery, "cac:DeliveryParty/cac:PartyName/cbc:Name");

        for (const XmlNode *m : w.nodes(root, "cac:PaymentMeans")) {
            InvoicePaymentMeans p;
            const XmlNode *code = w.node(m, "cbc:PaymentMeansCode");
            p.code = XmlNode::textOf(code);
            if (code) p.text = code->attribute(QLatin1StringView("name"));
            if (inv.remittanceInformation.isEmpty()) inv.remittanceInformation = w.text(m, "cbc:PaymentID");
            // A credit note states its due date with the payment means.
            if (!inv.dueDate.isValid()) inv.dueDate = w.ublDate(m, "cbc:PaymentDueDate", "BT-9");
            p.cardNumber = w.text(m, "cac:CardAccount/cbc:PrimaryAccountNumberID");
            p.cardHolder = w.text(m, "cac:CardAccount/cbc:HolderName");
            p.accountId = w.text(m, "cac:PayeeFinancialAccount/cbc:ID");
            p.accountName = w.text(m, "cac:PayeeFinancialAccount/cbc:Name");
            p.bic = w.text(m, "cac:PayeeFinancialAccount/cac:FinancialInstitutionBranch/cbc:ID");
            if (inv.mandateId.isEmpty()) inv.mandateId = w.text(m, "cac:PaymentMandate/cbc:ID");
            p.debitedAccount = w.text(m, "cac:PaymentMandate/cac:PayerFinancialAccount/cbc:ID");
            inv.paymentMeans << p;
        }
        for (const XmlNode *t : w.nodes(root, "cac:PaymentTerms")) {
            const QString text = w.text(t, "cbc:Note");
            if (!text.isEmpty())
                inv.paymentTerms += (inv.paymentTerms.isEmpty() ? QString() : QStringLiteral("\n")) + text;
        }
        for (const XmlNode *a : w.nodes(root, "cac:AllowanceCharge"))
            inv.adjustments << adjustment(a, false);

        for (const XmlNode *total : w.nodes(root, "cac:TaxTotal")) {
            const XmlNode *amount = w.node(total, "cbc:TaxAmount");
            const QString currency = amount ? amount->attribute(QLatin1StringView("currencyID")) : QString();
            if (!inv.vatCurrency.isEmpty() && currency == inv.vatCurrency &&
                inv.vatCurrency != inv.currency) {
                inv.vatTotalAccounting = w.decimalOf(amount, "BT-111");
                continue;
            }
            if (inv.vatTotal.isNull()) inv.vatTotal = w.decimalOf(amount, "BT-110");
            for (const XmlNode *sub : w.nodes(total, "cac:TaxSubtotal")) {
                InvoiceVatBreakdown v;
                v.basis = w.decimal(sub, "cbc:TaxableAmount", "BT-116");
                v.amount = w.decimal(sub, "cbc:TaxAmount", "BT-117");
                const XmlNode *cat = w.node(sub, "cac:TaxCategory");
                v.category = w.text(cat, "cbc:ID");
                v.rate = w.decimal(cat, "cbc:Percent", "BT-119");
                v.exemptionCode = w.text(cat, "cbc:TaxExemptionReasonCode");
                v.exemptionReason = w.text(cat, "cbc:TaxExemptionReason");
                inv.vatBreakdown << v;
            }
        }
        const XmlNode *sum = w.node(root, "cac:LegalMonetaryTotal");
        inv.lineTotal = w.decimal(sum, "cbc:LineExtensionAmount", "BT-106");
        inv.taxBasisTotal = w.decimal(sum, "cbc:TaxExclusiveAmount", "BT-109");
        inv.grandTotal = w.decimal(sum, "cbc:TaxInclusiveAmount", "BT-112");
        inv.allowanceTotal = w.decimal(sum, "cbc:AllowanceTotalAmount", "BT-107");
        inv.chargeTotal = w.decimal(sum, "cbc:ChargeTotalAmount", "BT-108");
        inv.prepaid = w.decimal(sum, "cbc:PrepaidAmount", "BT-113");
        inv.rounding = w.decimal(sum, "cbc:PayableRoundingAmount", "BT-114");
        inv.duePayable = w.decimal(sum, "cbc:PayableAmount", "BT-115");

        for (const XmlNode *line : w.nodes(root, creditNote ? "cac:CreditNoteLine" : "cac:InvoiceLine"))
            readLine(line, creditNote);
    }

  private:
    void readAddress(const XmlNode *a, InvoiceAddress &out)
    {
        if (!a) return;
        out.line1 = w.text(a, "cbc:StreetName");
        out.line2 = w.text(a, "cbc:AdditionalStreetName");
        out.line3 = w.text(a, "cac:AddressLine/cbc:Line");
        out.city = w.text(a, "cbc:CityName");
        out.postCode = w.text(a, "cbc:PostalZone");
        out.subdivision = w.text(a, "cbc:CountrySubentity");
        out.country = w.text(a, "cac:Country/cbc:IdentificationCode");
    }

    void readParty(const XmlNode *p, InvoiceParty &party, bool seller)
    {
        if (!p) return;
        const XmlNode *endpoint = w.node(p, "cbc:EndpointID");
        party.electronicAddress = XmlNode::textOf(endpoint);
        if (endpoint) party.electronicScheme = endpoint->attribute(QLatin1StringView("schemeID"));
        for (const XmlNode *id : w.nodes(p, "cac:PartyIdentification")) {
            const XmlNode *n = w.node(id, "cbc:ID");
            // The SEPA creditor identifier travels as an identifier of the seller.
            if (seller && n && n->attribute(QLatin1StringView("schemeID")) == QLatin1String("SEPA"))
                inv.creditorId = XmlNode::textOf(n);
            else
                party.ids << XmlNode::textOf(n);
        }
        party.tradingName = w.text(p, "cac:PartyName/cbc:Name");
        readAddress(w.node(p, "cac:PostalAddress"), party.address);
        for (const XmlNode *scheme : w.nodes(p, "cac:PartyTaxScheme")) {
            const QString id = w.text(scheme, "cbc:CompanyID");
            if (w.text(scheme, "cac:TaxScheme/cbc:ID").compare(QLatin1String("VAT"), Qt::CaseInsensitive) ==
                0)
                party.vatId = id;
            else if (seller)
                party.taxNumber = id;
        }
        const XmlNode *legal = w.node(p, "cac:PartyLegalEntity");
        party.name = w.text(legal, "cbc:RegistrationName");
        party.legalId = w.text(legal, "cbc:CompanyID");
        if (seller) party.legalInfo = w.text(legal, "cbc:CompanyLegalForm");
        const XmlNode *contact = w.node(p, "cac:Contact");
        party.contactName = w.text(contact, "cbc:Name");
        party.contactPhone = w.text(contact, "cbc:Telephone");
        party.contactEmail = w.text(contact, "cbc:ElectronicMail");
    }

    InvoiceAllowanceCharge adjustment(const XmlNode *n, bool line)
    {
        InvoiceAllowanceCharge a;
        a.charge = w.text(n, "cbc:ChargeIndicator").compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        a.reasonCode = w.text(n, "cbc:AllowanceChargeReasonCode");
        a.reason = w.text(n, "cbc:AllowanceChargeReason");
        const AdjustmentTerms t = adjustmentTerms(a.charge, line);
        a.percent = w.decimal(n, "cbc:MultiplierFactorNumeric", t.percent);
        a.amount = w.decimal(n, "cbc:Amount", t.amount);
        a.base = w.decimal(n, "cbc:BaseAmount", t.base);
        if (!line) {
            a.vatCategory = w.text(n, "cac:TaxCategory/cbc:ID");
            a.vatRate = w.decimal(n, "cac:TaxCategory/cbc:Percent", t.rate);
        }
        return a;
    }

    void readLine(const XmlNode *n, bool creditNote)
    {
        InvoiceLine l;
        l.id = w.text(n, "cbc:ID");
        l.note = w.text(n, "cbc:Note");
        const XmlNode *qty = w.node(n, creditNote ? "cbc:CreditedQuantity" : "cbc:InvoicedQuantity");
        l.quantity = w.decimalOf(qty, "BT-129");
        if (qty) l.unit = qty->attribute(QLatin1StringView("unitCode"));
        l.netAmount = w.decimal(n, "cbc:LineExtensionAmount", "BT-131");
        l.accountingRef = w.text(n, "cbc:AccountingCost");
        l.periodStart = w.ublDate(n, "cac:InvoicePeriod/cbc:StartDate", "BT-134");
        l.periodEnd = w.ublDate(n, "cac:InvoicePeriod/cbc:EndDate", "BT-135");
        l.orderLineRef = w.text(n, "cac:OrderLineReference/cbc:LineID");
        l.objectId = w.text(n, "cac:DocumentReference/cbc:ID");
        for (const XmlNode *a : w.nodes(n, "cac:AllowanceCharge"))
            l.adjustments << adjustment(a, true);
        const XmlNode *item = w.node(n, "cac:Item");
        l.description = w.text(item, "cbc:Description");
        l.name = w.text(item, "cbc:Name");
        l.buyerItemId = w.text(item, "cac:BuyersItemIdentification/cbc:ID");
        l.sellerItemId = w.text(item, "cac:SellersItemIdentification/cbc:ID");
        l.standardItemId = w.text(item, "cac:StandardItemIdentification/cbc:ID");
        l.originCountry = w.text(item, "cac:OriginCountry/cbc:IdentificationCode");
        for (const XmlNode *c : w.nodes(item, "cac:CommodityClassification"))
            l.classifications << w.text(c, "cbc:ItemClassificationCode");
        l.vatCategory = w.text(item, "cac:ClassifiedTaxCategory/cbc:ID");
        l.vatRate = w.decimal(item, "cac:ClassifiedTaxCategory/cbc:Percent", "BT-152");
        for (const XmlNode *p : w.nodes(item, "cac:AdditionalItemProperty"))
            l.attributes << std::pair(w.text(p, "cbc:Name"), w.text(p, "cbc:Value"));
        const XmlNode *price = w.node(n, "cac:Price");
        l.netPrice = w.decimal(price, "cbc:PriceAmount", "BT-146");
        const XmlNode *base = w.node(price, "cbc:BaseQuantity");
        l.baseQuantity = w.decimalOf(base, "BT-149");
        if (base) l.baseUnit = base->attribute(QLatin1StringView("unitCode"));
        l.priceDiscount = w.decimal(price, "cac:AllowanceCharge/cbc:Amount", "BT-147");
        l.grossPrice = w.decimal(price, "cac:AllowanceCharge/cbc:BaseAmount", "BT-148");
        inv.lines << l;
    }

    Walker w;
    IncomingInvoice &inv;
};

bool isPdf(const QByteArray &file)
{
    // A file that begins as XML does (after a byte order mark and blanks) is
    // XML, whatever a comment in it says; else the PDF header may follow a
    // little junk, as readers allow.
    qsizetype i = file.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < file.size() && std::strchr(" \t\r\n", file.at(i)) && file.at(i) != 0)
        ++i;
    if (i < file.size() && file.at(i) == '<') return false;
    const qsizetype at = file.indexOf("%PDF-");
    return at >= 0 && at < 1024;
}

// The parts every invoice of the syntax has: a file without them (only the
// context, the body of the other syntax, children in another namespace)
// holds no invoice.
bool holdsInvoice(const XmlTree &tree, const XmlNode *root, bool cii)
{
    if (cii) {
        const int rsm = tree.ns(kRsm);
        return root->child(rsm, QLatin1StringView("ExchangedDocument")) &&
               root->child(rsm, QLatin1StringView("SupplyChainTradeTransaction"));
    }
    return root->child(tree.ns(kCbc), QLatin1StringView("ID")) &&
           root->child(tree.ns(kCac), QLatin1StringView("LegalMonetaryTotal"));
}

// The end of qpdf's decoding chain: keeps what arrives up to a limit and
// stops the decoding past it (qpdf takes the exception as a failed decode).
class LimitedBuffer : public Pipeline
{
  public:
    explicit LimitedBuffer(qsizetype limit) : Pipeline("limited buffer", nullptr), m_limit(limit) {}
    void write(unsigned char const *data, size_t len) override
    {
        if (len > size_t(m_limit - m_bytes.size())) {
            m_exceeded = true;
            throw std::length_error("attachment too large");
        }
        m_bytes.append(reinterpret_cast<const char *>(data), qsizetype(len));
    }
    void finish() override {}
    bool exceeded() const { return m_exceeded; }
    QByteArray bytes() const { return m_bytes; }

  private:
    qsizetype m_limit;
    QByteArray m_bytes;
    bool m_exceeded = false;
};

// Characters that steer a terminal or turn the order of what follows
// (U+202E shows "DE89…" reversed): never part of a name, number or account.
bool isSteering(QChar c)
{
    const char16_t u = c.unicode();
    return c.category() == QChar::Other_Control || u == 0x061C || u == 0x200E || u == 0x200F ||
           (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

// The text with such characters named instead: "DE89<U+202E>3704".
QString escapedSteering(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += isSteering(c) && c != QLatin1Char('\n') && c != QLatin1Char('\t') && c != QLatin1Char('\r')
                   ? QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper()
                   : QString(c);
    return out;
}

// Takes the steering characters out of every text of the invoice; line
// breaks and tabs stay only in the texts that have lines (notes,
// descriptions, terms). Each text changed is a finding that shows it
// with the characters named.
void removeSteering(IncomingInvoice &inv)
{
    struct Text
    {
        QString *value;
        QString term;
        bool lines = false;
    };
    QList<Text> texts = {{&inv.number, QStringLiteral("BT-1")},
                         {&inv.typeCode, QStringLiteral("BT-3")},
                         {&inv.currency, QStringLiteral("BT-5")},
                         {&inv.buyerReference, QStringLiteral("BT-10")},
                         {&inv.projectRef, QStringLiteral("BT-11")},
                         {&inv.contractRef, QStringLiteral("BT-12")},
                         {&inv.orderRef, QStringLiteral("BT-13")},
                         {&inv.paymentTerms, QStringLiteral("BT-20"), true},
                         {&inv.payeeName, QStringLiteral("BT-59")},
                         {&inv.payeeId, QStringLiteral("BT-60")},
                         {&inv.taxRepresentativeName, QStringLiteral("BT-62")},
                         {&inv.taxRepresentativeVatId, QStringLiteral("BT-63")},
                         {&inv.deliverToName, QStringLiteral("BT-70")},
                         {&inv.remittanceInformation, QStringLiteral("BT-83")},
                         {&inv.mandateId, QStringLiteral("BT-89")},
                         {&inv.creditorId, QStringLiteral("BT-90")}};
    for (QString *t : {&inv.salesOrderRef, &inv.receivingAdviceRef, &inv.despatchAdviceRef, &inv.tenderRef,
                       &inv.invoicedObjectRef, &inv.buyerAccountingRef, &inv.processId, &inv.specificationId})
        texts.append({t, QStringLiteral("BG-2")});
    const auto party = [&](InvoiceParty &p, const char *name, const char *vat, const char *address) {
        texts.append({&p.name, QString::fromLatin1(name)});
        for (QString *t : {&p.tradingName, &p.legalId, &p.taxNumber, &p.electronicAddress, &p.contactName,
                           &p.contactPhone, &p.contactEmail})
            texts.append({t, QString::fromLatin1(name)});
        texts.append({&p.vatId, QString::fromLatin1(vat)});
        texts.append({&p.legalInfo, QString::fromLatin1(name), true});
        for (QString &id : p.ids)
            texts.append({&id, QString::fromLatin1(name)});
        InvoiceAddress &a = p.address;
        for (QString *t : {&a.line1, &a.line2, &a.line3, &a.city, &a.postCode, &a.subdivision, &a.country})
            texts.append({t, QString::fromLatin1(address)});
    };
    party(inv.seller, "BT-27", "BT-31", "BG-5");
    party(inv.buyer, "BT-44", "BT-48", "BG-8");
    for (QString *t : {&inv.deliverToAddress.line1, &inv.deliverToAddress.line2, &inv.deliverToAddress.city,
                       &inv.deliverToAddress.postCode, &inv.deliverToAddress.country})
        texts.append({t, QStringLiteral("BG-15")});
    for (InvoiceNote &n : inv.notes)
        texts << Text{&n.subject, QStringLiteral("BT-21")} << Text{&n.text, QStringLiteral("BT-22"), true};
    for (PrecedingInvoice &p : inv.precedingInvoices)
        texts.append({&p.number, QStringLiteral("BT-25")});
    for (InvoicePaymentMeans &m : inv.paymentMeans)
        texts << Text{&m.accountId, QStringLiteral("BT-84")} << Text{&m.accountName, QStringLiteral("BT-85")}
              << Text{&m.bic, QStringLiteral("BT-86")} << Text{&m.text, QStringLiteral("BT-82")}
              << Text{&m.cardHolder, QStringLiteral("BT-88")}
              << Text{&m.debitedAccount, QStringLiteral("BT-91")};
    for (InvoiceAllowanceCharge &a : inv.adjustments)
        texts.append({&a.reason, QStringLiteral("BT-97")});
    for (InvoiceLine &l : inv.lines) {
        texts << Text{&l.id, QStringLiteral("BT-126")} << Text{&l.name, QStringLiteral("BT-153")}
              << Text{&l.unit, QStringLiteral("BT-130")} << Text{&l.sellerItemId, QStringLiteral("BT-155")}
              << Text{&l.buyerItemId, QStringLiteral("BT-156")}
              << Text{&l.standardItemId, QStringLiteral("BT-157")}
              << Text{&l.description, QStringLiteral("BT-154"), true}
              << Text{&l.note, QStringLiteral("BT-127"), true};
        for (InvoiceAllowanceCharge &a : l.adjustments)
            texts.append({&a.reason, QStringLiteral("BT-139")});
        for (auto &[name, value] : l.attributes)
            texts << Text{&name, QStringLiteral("BT-160")} << Text{&value, QStringLiteral("BT-161")};
    }
    for (const Text &t : texts) {
        QString &value = *t.value;
        QString clean;
        bool removed = false;
        for (const QChar c : value) {
            const bool space = c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
            if (space && t.lines)
                clean += c;
            else if (space)
                clean += QLatin1Char(' ');
            else if (isSteering(c))
                removed = true;
            else
                clean += c;
        }
        if (clean == value) continue;
        if (removed)
            inv.readProblems << InvoiceFinding{
                t.term, QString(),
                QStringLiteral("„%1“ enthält Steuerzeichen; sie wurden entfernt")
                    .arg(escapedSteering(value.left(200)))};
        value = clean;
    }
}

} // namespace

namespace InvoiceReader {

QByteArray pdfAttachment(const QByteArray &pdf, QString *attachmentName)
{
    // Decoded into a bounded buffer: a small compressed stream may inflate
    // to gigabytes.
    LimitedBuffer out(IncomingInvoice::kLargestFile);
    QString foundName;
    const auto tooLarge = [&] {
        return AppError(QStringLiteral("Der Anhang %1 ist entpackt größer als %2 MB; so groß ist keine "
                                       "E-Rechnung")
                            .arg(foundName)
                            .arg(IncomingInvoice::kLargestFile / (1024 * 1024)),
                        AppError::Kind::Refused);
    };
    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processMemoryFile("invoice.pdf", pdf.constData(), size_t(pdf.size()));
        QPDFEmbeddedFileDocumentHelper files(q);
        const auto all = files.getEmbeddedFiles();
        auto nameOf = [](const std::string &key, const std::shared_ptr<QPDFFileSpecObjectHelper> &spec) {
            const std::string name = spec->getFilename();
            return QString::fromStdString(name.empty() ? key : name);
        };
        std::shared_ptr<QPDFFileSpecObjectHelper> found;
        int foundRank = 4;
        for (const auto &[key, spec] : all) {
            QString name = nameOf(key, spec);
            name.removeIf(isSteering);
            const QString lower = name.toLower();
            int rank = 4;
            if (lower == QLatin1String("factur-x.xml"))
                rank = 0;
            else if (lower == QLatin1String("zugferd-invoice.xml"))
                rank = 1;
            else if (lower == QLatin1String("xrechnung.xml"))
                rank = 2;
            else if (lower.endsWith(QLatin1String(".xml")))
                rank = 3;
            if (rank < foundRank) {
                found = spec;
                foundName = name;
                foundRank = rank;
            }
        }
        if (!found) return QByteArray();
        QPDFObjectHandle stream = found->getEmbeddedFileStream();
        bool filtered = false;
        const bool decoded = stream.pipeStreamData(&out, &filtered, 0, qpdf_dl_specialized, true);
        if (out.exceeded()) throw tooLarge();
        const bool compressed = stream.getDict().hasKey("/Filter");
        if (!decoded || (compressed && !filtered))
            throw AppError(QStringLiteral("Der Anhang %1 lässt sich nicht entpacken").arg(foundName));
        *attachmentName = foundName;
        return out.bytes();
    } catch (const AppError &) {
        throw;
    } catch (const std::exception &e) {
        if (out.exceeded()) throw tooLarge();
        throw AppError(QStringLiteral("Die PDF-Datei kann nicht gelesen werden: %1")
                           .arg(QString::fromLocal8Bit(e.what())));
    }
}

IncomingInvoice fromXml(const XmlTree &tree, const QString &fileName)
{
    IncomingInvoice inv;
    const XmlNode *root = tree.root();
    const QString uri = tree.nsUri(root->ns);
    const bool cii = uri == kRsm && root->name == QLatin1String("CrossIndustryInvoice");
    const bool ubl = (uri == kUblInvoice && root->name == QLatin1String("Invoice")) ||
                     (uri == kUblCreditNote && root->name == QLatin1String("CreditNote"));
    if ((cii || ubl) && !holdsInvoice(tree, root, cii))
        throw AppError(
            QStringLiteral("%1 ist keine E-Rechnung: unter %2 fehlen die Teile jeder Rechnung (%3)")
                .arg(fileName, root->name,
                     cii ? QStringLiteral("rsm:ExchangedDocument und rsm:SupplyChainTradeTransaction")
                         : QStringLiteral("cbc:ID und cac:LegalMonetaryTotal")));
    if (cii) {
        CiiReader(tree, inv).read(root);
    } else if (uri == kUblInvoice && root->name == QLatin1String("Invoice")) {
        UblReader(tree, inv).read(root, false);
    } else if (uri == kUblCreditNote && root->name == QLatin1String("CreditNote")) {
        UblReader(tree, inv).read(root, true);
    } else if (uri == kZugferd1) {
        throw AppError(
            QStringLiteral("%1 ist eine Rechnung nach ZUGFeRD 1.0; gelesen werden E-Rechnungen nach "
                           "EN 16931 (XRechnung, ZUGFeRD 2 / Factur-X)")
                .arg(fileName));
    } else {
        throw AppError(QStringLiteral("%1 ist keine E-Rechnung: das XML-Element %2 (%3) ist weder eine "
                                      "CII-Rechnung (CrossIndustryInvoice) noch eine UBL-Rechnung (Invoice, "
                                      "CreditNote)")
                           .arg(fileName, root->name,
                                uri.isEmpty() ? QStringLiteral("ohne Namensraum") : escapedSteering(uri)));
    }
    removeSteering(inv);
    return inv;
}

} // namespace InvoiceReader

QByteArray IncomingInvoice::loadFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(shown, f.errorString()));
    const auto tooLarge = [&] {
        return AppError(QStringLiteral("Die Datei %1 ist mit mehr als %2 MB zu groß für eine E-Rechnung")
                            .arg(shown)
                            .arg(kLargestFile / (1024 * 1024)),
                        AppError::Kind::Refused);
    };
    if (f.size() > kLargestFile) throw tooLarge();
    // A device or a pipe tells no size (/dev/zero never ends): it is read up
    // to the same limit and refused past it.
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = f.read(qMin<qint64>(1024 * 1024, kLargestFile + 1 - bytes.size()));
        if (chunk.isEmpty()) break;
        bytes += chunk;
        if (bytes.size() > kLargestFile) throw tooLarge();
    }
    if (f.error() != QFileDevice::NoError)
        throw AppError(
            QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2").arg(shown, f.errorString()));
    return bytes;
}

IncomingInvoice IncomingInvoice::read(const QByteArray &file, const QString &fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    if (file.isEmpty())
        throw AppError(QStringLiteral("Die Datei %1 ist leer; sie ist keine E-Rechnung").arg(shown));
    QByteArray xml = file;
    QString attachment;
    if (isPdf(file)) {
        try {
            xml = InvoiceReader::pdfAttachment(file, &attachment);
        } catch (const AppError &e) {
            throw AppError(QStringLiteral("%1: %2").arg(shown, e.message()));
        }
        if (xml.isEmpty())
            throw AppError(
                QStringLiteral("Die PDF-Datei %1 enthält keine E-Rechnung: ihr ist keine XML-Datei "
                               "(factur-x.xml, zugferd-invoice.xml, xrechnung.xml) angehängt")
                    .arg(shown));
    }
    XmlTree tree;
    QString error;
    if (!tree.read(xml, &error)) {
        const QString where =
            attachment.isEmpty() ? shown : QStringLiteral("%1 (Anhang %2)").arg(shown, attachment);
        throw AppError(QStringLiteral("%1 ist keine lesbare E-Rechnung. %2").arg(where, error));
    }
    IncomingInvoice inv = InvoiceReader::fromXml(
        tree, attachment.isEmpty() ? shown : QStringLiteral("%1 (Anhang %2)").arg(shown, attachment));
    inv.attachmentName = attachment;
    return inv;
}
