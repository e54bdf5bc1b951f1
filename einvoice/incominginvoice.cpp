// SPDX-License-Identifier: GPL-3.0-or-later
#include "incominginvoice.h"

#include "base/germanformat.h"

#include <QJsonArray>

#include <array>

namespace {

QString date(const QDate &d)
{
    return d.isValid() ? German::formatDate(d) : QString();
}

void addIf(QStringList &lines, const QString &label, const QString &value)
{
    if (!value.isEmpty()) lines << label + value;
}

QString joined(const QStringList &parts, const QString &separator = QStringLiteral(", "))
{
    QStringList kept;
    for (const QString &p : parts)
        if (!p.trimmed().isEmpty()) kept << p.trimmed();
    return kept.join(separator);
}

QString period(const QDate &start, const QDate &end)
{
    if (!start.isValid() && !end.isValid()) return QString();
    return QStringLiteral("%1 – %2").arg(date(start), date(end)).trimmed();
}

QString codeName(const char *const table[][2], size_t n, const QString &code)
{
    for (size_t i = 0; i < n; ++i)
        if (code.compare(QLatin1String(table[i][0]), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(table[i][1]);
    return QString();
}

// ---- JSON: terms the file lacks are left out.

void put(QJsonObject &o, const char *term, const QString &value)
{
    if (!value.isEmpty()) o.insert(QLatin1String(term), value);
}

void put(QJsonObject &o, const char *term, const QDate &value)
{
    if (value.isValid()) o.insert(QLatin1String(term), value.toString(Qt::ISODate));
}

void put(QJsonObject &o, const char *term, const Decimal &value, int minDecimals = 0)
{
    if (!value.isNull()) o.insert(QLatin1String(term), value.text(minDecimals));
}

void put(QJsonObject &o, const char *term, const QJsonArray &value)
{
    if (!value.isEmpty()) o.insert(QLatin1String(term), value);
}

void put(QJsonObject &o, const char *term, const QStringList &values)
{
    QJsonArray a;
    for (const QString &v : values)
        if (!v.isEmpty()) a << v;
    put(o, term, a);
}

// The terms of an address, from the first of its seven terms in order:
// line 1, line 2, city, post code, subdivision, country, and line 3.
void putAddress(QJsonObject &o, const InvoiceAddress &a, const std::array<const char *, 7> &terms)
{
    put(o, terms[0], a.line1);
    put(o, terms[1], a.line2);
    put(o, terms[2], a.city);
    put(o, terms[3], a.postCode);
    put(o, terms[4], a.subdivision);
    put(o, terms[5], a.country);
    put(o, terms[6], a.line3);
}

QJsonArray adjustmentsJson(const QList<InvoiceAllowanceCharge> &list, bool charges, bool line)
{
    // Document level: BT-92..98 and BT-99..105; line level: BT-136..140 and BT-141..145.
    const int first = line ? (charges ? 141 : 136) : (charges ? 99 : 92);
    auto term = [&](int offset) { return QStringLiteral("BT-%1").arg(first + offset).toLatin1(); };
    QJsonArray out;
    for (const InvoiceAllowanceCharge &a : list) {
        if (a.charge != charges) continue;
        QJsonObject j;
        put(j, term(0).constData(), a.amount, 2);
        put(j, term(1).constData(), a.base, 2);
        put(j, term(2).constData(), a.percent);
        if (!line) {
            put(j, term(3).constData(), a.vatCategory);
            put(j, term(4).constData(), a.vatRate);
            put(j, term(5).constData(), a.reason);
            put(j, term(6).constData(), a.reasonCode);
        } else {
            put(j, term(3).constData(), a.reason);
            put(j, term(4).constData(), a.reasonCode);
        }
        out << j;
    }
    return out;
}

} // namespace

bool InvoiceAddress::isEmpty() const
{
    return line1.isEmpty() && line2.isEmpty() && line3.isEmpty() && city.isEmpty() && postCode.isEmpty() &&
           subdivision.isEmpty() && country.isEmpty();
}

QStringList InvoiceAddress::lines() const
{
    QStringList out;
    for (const QString &l : {line1, line2, line3})
        if (!l.isEmpty()) out << l;
    const QString town = joined({postCode, city}, QStringLiteral(" "));
    if (!town.isEmpty()) out << town;
    const QString region = joined({subdivision, country});
    if (!region.isEmpty()) out << region;
    return out;
}

bool IncomingInvoice::isCreditNote() const
{
    static const QStringList credit = {QStringLiteral("381"), QStringLiteral("261"), QStringLiteral("262"),
                                       QStringLiteral("296"), QStringLiteral("308"), QStringLiteral("396"),
                                       QStringLiteral("420"), QStringLiteral("458"), QStringLiteral("532")};
    return credit.contains(typeCode);
}

QString IncomingInvoice::formatName() const
{
    const QString syntaxName =
        syntax == Syntax::CII ? QStringLiteral("UN/CEFACT CII") : QStringLiteral("UBL 2.1");
    if (attachmentName.isEmpty()) return syntaxName;
    return QStringLiteral("%1 in PDF (%2)").arg(syntaxName, attachmentName);
}

QString IncomingInvoice::typeName(const QString &code)
{
    static const char *const names[][2] = {
        {"380", "Rechnung"},
        {"381", "Gutschrift"},
        {"384", "Rechnungskorrektur"},
        {"389", "Gutschrift im Gutschriftsverfahren"},
        {"326", "Teilrechnung"},
        {"386", "Vorauszahlungsrechnung"},
        {"875", "Teilrechnung (Bau)"},
        {"876", "Teilschlussrechnung (Bau)"},
        {"877", "Schlussrechnung (Bau)"},
        {"751", "Rechnungsinformation"},
    };
    const QString n = codeName(names, std::size(names), code);
    if (!n.isEmpty()) return n;
    IncomingInvoice probe;
    probe.typeCode = code;
    return QStringLiteral("%1 (Art %2)")
        .arg(probe.isCreditNote() ? QStringLiteral("Gutschrift") : QStringLiteral("Rechnung"),
             code.isEmpty() ? QStringLiteral("nicht angegeben") : code);
}

QString IncomingInvoice::unitName(const QString &code)
{
    static const char *const names[][2] = {
        {"C62", "Einh."},   {"H87", "Stk"},    {"XPP", "Stk"},     {"HUR", "Std"},   {"MIN", "Min"},
        {"SEC", "s"},       {"DAY", "Tag"},    {"WEE", "Woche"},   {"MON", "Monat"}, {"ANN", "Jahr"},
        {"KGM", "kg"},      {"GRM", "g"},      {"TNE", "t"},       {"MTR", "m"},     {"KMT", "km"},
        {"CMT", "cm"},      {"MMT", "mm"},     {"MTK", "m²"},      {"MTQ", "m³"},    {"LTR", "l"},
        {"MLT", "ml"},      {"KWH", "kWh"},    {"LS", "pauschal"}, {"SET", "Satz"},  {"PR", "Paar"},
        {"XPK", "Packung"}, {"XBX", "Karton"}, {"XRO", "Rolle"},
    };
    const QString n = codeName(names, std::size(names), code);
    return n.isEmpty() ? code : n;
}

QString IncomingInvoice::vatCategoryName(const QString &code)
{
    static const char *const names[][2] = {
        {"S", "Normalsatz"},
        {"Z", "Nullsatz"},
        {"E", "steuerbefreit"},
        {"AE", "Steuerschuldnerschaft des Leistungsempfängers"},
        {"K", "innergemeinschaftliche Lieferung"},
        {"G", "Ausfuhr"},
        {"O", "nicht steuerbar"},
        {"L", "Kanarische Inseln"},
        {"M", "Ceuta und Melilla"},
    };
    const QString n = codeName(names, std::size(names), code);
    return n.isEmpty() ? code : n;
}

QString IncomingInvoice::paymentMeansName(const QString &code)
{
    static const char *const names[][2] = {
        {"1", "nicht festgelegt"},  {"10", "Barzahlung"},
        {"20", "Scheck"},           {"30", "Überweisung"},
        {"31", "Überweisung"},      {"42", "Zahlung auf Bankkonto"},
        {"48", "Kartenzahlung"},    {"49", "Lastschrift"},
        {"54", "Kreditkarte"},      {"55", "Debitkarte"},
        {"57", "Dauerauftrag"},     {"58", "SEPA-Überweisung"},
        {"59", "SEPA-Lastschrift"}, {"68", "Online-Zahlungsdienst"},
        {"97", "Verrechnung"},      {"ZZZ", "vereinbarte Zahlungsart"},
    };
    const QString n = codeName(names, std::size(names), code);
    return n.isEmpty() ? QStringLiteral("Zahlungsart %1").arg(code) : n;
}

QStringList IncomingInvoice::partyLines(const InvoiceParty &p)
{
    QStringList out;
    if (!p.name.isEmpty()) out << p.name;
    if (!p.tradingName.isEmpty() && p.tradingName != p.name) out << p.tradingName;
    out << p.address.lines();
    addIf(out, QStringLiteral("USt-IdNr.: "), p.vatId);
    addIf(out, QStringLiteral("Steuernummer: "), p.taxNumber);
    addIf(out, QStringLiteral("Register: "), p.legalId);
    addIf(out, QStringLiteral("Kennung: "), joined(p.ids));
    if (!p.legalInfo.isEmpty()) out << p.legalInfo;
    addIf(out, QStringLiteral("Kontakt: "),
          joined({p.contactName,
                  p.contactPhone.isEmpty() ? QString() : QStringLiteral("Tel. ") + p.contactPhone,
                  p.contactEmail}));
    if (p.electronicScheme == QLatin1String("EM"))
        out << QStringLiteral("E-Rechnungen an: ") + p.electronicAddress;
    else if (!p.electronicAddress.isEmpty())
        out << QStringLiteral("Elektronische Adresse: %1%2")
                   .arg(p.electronicAddress, p.electronicScheme.isEmpty()
                                                 ? QString()
                                                 : QStringLiteral(" (Schema %1)").arg(p.electronicScheme));
    return out;
}

QStringList IncomingInvoice::referenceLines() const
{
    QStringList out;
    addIf(out, QStringLiteral("Leistungsdatum: "), date(deliveryDate));
    addIf(out, QStringLiteral("Leistungszeitraum: "), period(periodStart, periodEnd));
    addIf(out, QStringLiteral("Steuerlicher Leistungszeitpunkt: "), date(taxPointDate));
    addIf(out, QStringLiteral("Käuferreferenz / Leitweg-ID: "), buyerReference);
    addIf(out, QStringLiteral("Bestellnummer: "), orderRef);
    addIf(out, QStringLiteral("Auftragsnummer des Verkäufers: "), salesOrderRef);
    addIf(out, QStringLiteral("Vertrag: "), contractRef);
    addIf(out, QStringLiteral("Projekt: "), projectRef);
    addIf(out, QStringLiteral("Wareneingangsmeldung: "), receivingAdviceRef);
    addIf(out, QStringLiteral("Lieferschein: "), despatchAdviceRef);
    addIf(out, QStringLiteral("Vergabe / Los: "), tenderRef);
    addIf(out, QStringLiteral("Abrechnungsobjekt: "), invoicedObjectRef);
    addIf(out, QStringLiteral("Buchungskonto des Käufers: "), buyerAccountingRef);
    for (const PrecedingInvoice &p : precedingInvoices)
        out << QStringLiteral("Bezieht sich auf Rechnung: %1")
                   .arg(joined(
                       {p.number, p.date.isValid() ? QStringLiteral("vom ") + date(p.date) : QString()},
                       QStringLiteral(" ")));
    const QString deliverTo =
        joined(QStringList{deliverToName, deliverToLocationId} + deliverToAddress.lines());
    addIf(out, QStringLiteral("Lieferort: "), deliverTo);
    addIf(out, QStringLiteral("Zahlungsempfänger: "), joined({payeeName, payeeId, payeeLegalId}));
    addIf(out, QStringLiteral("Steuervertreter des Verkäufers: "),
          joined({taxRepresentativeName, taxRepresentativeVatId.isEmpty()
                                             ? QString()
                                             : QStringLiteral("USt-IdNr. ") + taxRepresentativeVatId}));
    return out;
}

QStringList IncomingInvoice::paymentLines() const
{
    QStringList out;
    addIf(out, QStringLiteral("Fällig am: "), date(dueDate));
    for (const InvoicePaymentMeans &m : paymentMeans) {
        QString line = paymentMeansName(m.code);
        if (!m.text.isEmpty() && m.text != line) line += QStringLiteral(" (%1)").arg(m.text);
        const QString account =
            joined({m.accountId.isEmpty() ? QString() : QStringLiteral("Konto ") + m.accountId,
                    m.bic.isEmpty() ? QString() : QStringLiteral("BIC ") + m.bic,
                    m.accountName.isEmpty() ? QString() : QStringLiteral("Inhaber ") + m.accountName});
        if (!account.isEmpty()) line += QStringLiteral(": ") + account;
        if (!m.cardNumber.isEmpty())
            line += QStringLiteral(": Karte %1").arg(joined({m.cardNumber, m.cardHolder}));
        if (!m.debitedAccount.isEmpty()) line += QStringLiteral(": Einzug vom Konto ") + m.debitedAccount;
        out << line;
    }
    addIf(out, QStringLiteral("Verwendungszweck: "), remittanceInformation);
    addIf(out, QStringLiteral("Mandatsreferenz: "), mandateId);
    addIf(out, QStringLiteral("Gläubiger-ID: "), creditorId);
    addIf(out, QStringLiteral("Zahlungsbedingungen: "), paymentTerms);
    return out;
}

QStringList IncomingInvoice::noteLines() const
{
    QStringList out;
    for (const InvoiceNote &n : notes)
        if (!n.text.isEmpty())
            out << (n.subject.isEmpty() ? n.text : QStringLiteral("%1: %2").arg(n.subject, n.text));
    return out;
}

QString IncomingInvoice::adjustmentText(const InvoiceAllowanceCharge &a)
{
    QString t = a.charge ? QStringLiteral("Zuschlag") : QStringLiteral("Nachlass");
    const QString why =
        joined({a.reason, a.reasonCode.isEmpty() ? QString() : QStringLiteral("Code ") + a.reasonCode});
    if (!why.isEmpty()) t += QStringLiteral(" (%1)").arg(why);
    if (!a.percent.isNull())
        t += QStringLiteral(" %1 %%2").arg(
            a.percent.german(0), a.base.isNull() ? QString() : QStringLiteral(" von ") + a.base.german());
    t += QStringLiteral(": %1").arg(a.amount.german());
    if (!a.vatCategory.isEmpty())
        t += QStringLiteral(", USt. %1%2")
                 .arg(a.vatCategory, a.vatRate.isNull()
                                         ? QString()
                                         : QStringLiteral(" ") + a.vatRate.german(0) + QStringLiteral(" %"));
    return t;
}

QString IncomingInvoice::lineDetails(const InvoiceLine &l)
{
    QStringList out;
    if (!l.description.isEmpty() && l.description != l.name) out << l.description;
    if (!l.note.isEmpty()) out << l.note;
    for (const auto &[name, value] : l.attributes)
        out << joined({name, value}, QStringLiteral(": "));
    addIf(out, QStringLiteral("Art.-Nr.: "), l.sellerItemId);
    addIf(out, QStringLiteral("Art.-Nr. des Käufers: "), l.buyerItemId);
    addIf(out, QStringLiteral("Kennung: "), l.standardItemId);
    addIf(out, QStringLiteral("Leistungszeitraum: "), period(l.periodStart, l.periodEnd));
    addIf(out, QStringLiteral("Bestellposition: "), l.orderLineRef);
    if (!l.grossPrice.isNull() && !l.priceDiscount.isNull())
        out << QStringLiteral("Bruttopreis %1, Rabatt %2")
                   .arg(l.grossPrice.german(), l.priceDiscount.german());
    if (!l.baseQuantity.isNull() && !(l.baseQuantity == *Decimal::parse(u"1")))
        out << QStringLiteral("Preis je %1 %2")
                   .arg(l.baseQuantity.german(0), unitName(l.baseUnit.isEmpty() ? l.unit : l.baseUnit));
    for (const InvoiceAllowanceCharge &a : l.adjustments)
        out << adjustmentText(a);
    if (l.informationOnly) out << QStringLiteral("(nur zur Information, nicht in der Summe)");
    if (l.subtotal) out << QStringLiteral("(Gruppe: Summe ihrer Unterpositionen, nicht extra in der Summe)");
    if (!l.parentId.isEmpty()) out << QStringLiteral("(Unterposition zu Position %1)").arg(l.parentId);
    return out.join(QLatin1Char('\n'));
}

QList<std::pair<QString, Decimal>> IncomingInvoice::totals() const
{
    QList<std::pair<QString, Decimal>> out;
    auto add = [&](const QString &label, const Decimal &d) {
        if (!d.isNull()) out << std::pair(label, d);
    };
    add(QStringLiteral("Summe der Positionen"), lineTotal);
    add(QStringLiteral("Summe der Nachlässe"), allowanceTotal);
    add(QStringLiteral("Summe der Zuschläge"), chargeTotal);
    add(QStringLiteral("Gesamtbetrag ohne USt."), taxBasisTotal);
    add(QStringLiteral("Umsatzsteuer"), vatTotal);
    add(QStringLiteral("Umsatzsteuer in %1").arg(vatCurrency), vatTotalAccounting);
    add(QStringLiteral("Gesamtbetrag mit USt."), grandTotal);
    add(QStringLiteral("Bereits gezahlt"), prepaid);
    add(QStringLiteral("Rundung"), rounding);
    add(QStringLiteral("Zahlbetrag"), duePayable);
    return out;
}

QJsonObject IncomingInvoice::toJson(const QList<InvoiceFinding> &findings) const
{
    QJsonObject o;
    put(o, "BT-1", number);
    put(o, "BT-2", issueDate);
    put(o, "BT-3", typeCode);
    put(o, "BT-5", currency);
    put(o, "BT-6", vatCurrency);
    put(o, "BT-7", taxPointDate);
    put(o, "BT-8", vatDueDateCode);
    put(o, "BT-9", dueDate);
    put(o, "BT-10", buyerReference);
    put(o, "BT-11", projectRef);
    put(o, "BT-12", contractRef);
    put(o, "BT-13", orderRef);
    put(o, "BT-14", salesOrderRef);
    put(o, "BT-15", receivingAdviceRef);
    put(o, "BT-16", despatchAdviceRef);
    put(o, "BT-17", tenderRef);
    put(o, "BT-18", invoicedObjectRef);
    put(o, "BT-19", buyerAccountingRef);
    put(o, "BT-20", paymentTerms);
    QJsonArray noteArray;
    for (const InvoiceNote &n : notes) {
        QJsonObject j;
        put(j, "BT-21", n.subject);
        put(j, "BT-22", n.text);
        noteArray << j;
    }
    put(o, "BG-1", noteArray);
    put(o, "BT-23", processId);
    put(o, "BT-24", specificationId);
    QJsonArray preceding;
    for (const PrecedingInvoice &p : precedingInvoices) {
        QJsonObject j;
        put(j, "BT-25", p.number);
        put(j, "BT-26", p.date);
        preceding << j;
    }
    put(o, "BG-3", preceding);

    put(o, "BT-27", seller.name);
    put(o, "BT-28", seller.tradingName);
    put(o, "BT-29", seller.ids);
    put(o, "BT-30", seller.legalId);
    put(o, "BT-31", seller.vatId);
    put(o, "BT-32", seller.taxNumber);
    put(o, "BT-33", seller.legalInfo);
    put(o, "BT-34", seller.electronicAddress);
    put(o, "BT-34-1", seller.electronicScheme);
    putAddress(o, seller.address, {"BT-35", "BT-36", "BT-37", "BT-38", "BT-39", "BT-40", "BT-162"});
    put(o, "BT-41", seller.contactName);
    put(o, "BT-42", seller.contactPhone);
    put(o, "BT-43", seller.contactEmail);
    put(o, "BT-44", buyer.name);
    put(o, "BT-45", buyer.tradingName);
    put(o, "BT-46", buyer.ids);
    put(o, "BT-47", buyer.legalId);
    put(o, "BT-48", buyer.vatId);
    put(o, "BT-49", buyer.electronicAddress);
    put(o, "BT-49-1", buyer.electronicScheme);
    putAddress(o, buyer.address, {"BT-50", "BT-51", "BT-52", "BT-53", "BT-54", "BT-55", "BT-163"});
    put(o, "BT-56", buyer.contactName);
    put(o, "BT-57", buyer.contactPhone);
    put(o, "BT-58", buyer.contactEmail);
    put(o, "BT-59", payeeName);
    put(o, "BT-60", payeeId);
    put(o, "BT-61", payeeLegalId);
    put(o, "BT-62", taxRepresentativeName);
    put(o, "BT-63", taxRepresentativeVatId);
    put(o, "BT-70", deliverToName);
    put(o, "BT-71", deliverToLocationId);
    put(o, "BT-72", deliveryDate);
    put(o, "BT-73", periodStart);
    put(o, "BT-74", periodEnd);
    putAddress(o, deliverToAddress, {"BT-75", "BT-76", "BT-77", "BT-78", "BT-79", "BT-80", "BT-165"});

    QJsonArray means;
    for (const InvoicePaymentMeans &m : paymentMeans) {
        QJsonObject j;
        put(j, "BT-81", m.code);
        put(j, "BT-82", m.text);
        put(j, "BT-84", m.accountId);
        put(j, "BT-85", m.accountName);
        put(j, "BT-86", m.bic);
        put(j, "BT-87", m.cardNumber);
        put(j, "BT-88", m.cardHolder);
        put(j, "BT-91", m.debitedAccount);
        means << j;
    }
    put(o, "BG-16", means);
    put(o, "BT-83", remittanceInformation);
    put(o, "BT-89", mandateId);
    put(o, "BT-90", creditorId);
    put(o, "BG-20", adjustmentsJson(adjustments, false, false));
    put(o, "BG-21", adjustmentsJson(adjustments, true, false));

    put(o, "BT-106", lineTotal, 2);
    put(o, "BT-107", allowanceTotal, 2);
    put(o, "BT-108", chargeTotal, 2);
    put(o, "BT-109", taxBasisTotal, 2);
    put(o, "BT-110", vatTotal, 2);
    put(o, "BT-111", vatTotalAccounting, 2);
    put(o, "BT-112", grandTotal, 2);
    put(o, "BT-113", prepaid, 2);
    put(o, "BT-114", rounding, 2);
    put(o, "BT-115", duePayable, 2);

    QJsonArray vat;
    for (const InvoiceVatBreakdown &v : vatBreakdown) {
        QJsonObject j;
        put(j, "BT-116", v.basis, 2);
        put(j, "BT-117", v.amount, 2);
        put(j, "BT-118", v.category);
        put(j, "BT-119", v.rate);
        put(j, "BT-120", v.exemptionReason);
        put(j, "BT-121", v.exemptionCode);
        vat << j;
    }
    put(o, "BG-23", vat);

    QJsonArray lineArray;
    for (const InvoiceLine &l : lines) {
        QJsonObject j;
        put(j, "BT-126", l.id);
        put(j, "BT-127", l.note);
        put(j, "BT-128", l.objectId);
        put(j, "BT-129", l.quantity);
        put(j, "BT-130", l.unit);
        put(j, "BT-131", l.netAmount, 2);
        put(j, "BT-132", l.orderLineRef);
        put(j, "BT-133", l.accountingRef);
        put(j, "BT-134", l.periodStart);
        put(j, "BT-135", l.periodEnd);
        put(j, "BG-27", adjustmentsJson(l.adjustments, false, true));
        put(j, "BG-28", adjustmentsJson(l.adjustments, true, true));
        put(j, "BT-146", l.netPrice, 2);
        put(j, "BT-147", l.priceDiscount, 2);
        put(j, "BT-148", l.grossPrice, 2);
        put(j, "BT-149", l.baseQuantity);
        put(j, "BT-150", l.baseUnit);
        put(j, "BT-151", l.vatCategory);
        put(j, "BT-152", l.vatRate);
        put(j, "BT-153", l.name);
        put(j, "BT-154", l.description);
        put(j, "BT-155", l.sellerItemId);
        put(j, "BT-156", l.buyerItemId);
        put(j, "BT-157", l.standardItemId);
        put(j, "BT-158", l.classifications);
        put(j, "BT-159", l.originCountry);
        QJsonArray attributes;
        for (const auto &[name, value] : l.attributes) {
            QJsonObject a;
            put(a, "BT-160", name);
            put(a, "BT-161", value);
            attributes << a;
        }
        put(j, "BG-32", attributes);
        lineArray << j;
    }
    put(o, "BG-25", lineArray);

    QJsonArray found;
    for (const InvoiceFinding &f : findings) {
        QJsonObject j;
        put(j, "term", f.term);
        put(j, "rule", f.rule);
        put(j, "text", f.text);
        found << j;
    }
    o.insert(QStringLiteral("findings"), found);
    return o;
}

QString IncomingInvoice::toText(const QList<InvoiceFinding> &findings) const
{
    QStringList out;
    out << QStringLiteral("%1 %2 vom %3 (%4)")
               .arg(typeName(typeCode), number.isEmpty() ? QStringLiteral("ohne Nummer") : number,
                    issueDate.isValid() ? date(issueDate) : QStringLiteral("?"), formatName());
    auto section = [&](const QString &title, const QStringList &items) {
        if (items.isEmpty()) return;
        out << QString() << title;
        for (const QString &l : items)
            for (const QString &part : l.split(QLatin1Char('\n')))
                out << QStringLiteral("  ") + part;
    };
    section(QStringLiteral("Verkäufer"), partyLines(seller));
    section(QStringLiteral("Käufer"), partyLines(buyer));
    section(QStringLiteral("Angaben"), referenceLines());

    const QString cur = currency.isEmpty() ? QString() : QStringLiteral(" ") + currency;
    QStringList lineTexts;
    for (const InvoiceLine &l : lines) {
        lineTexts << QStringLiteral("%1  %2: %3 %4 × %5 = %6%7, USt. %8 %9")
                         .arg(l.id, l.name, l.quantity.german(0), unitName(l.unit), l.netPrice.german(),
                              l.netAmount.german(), cur, l.vatCategory,
                              l.vatRate.isNull() ? QString() : l.vatRate.german(0) + QStringLiteral(" %"))
                         .trimmed();
        const QString details = lineDetails(l);
        if (!details.isEmpty())
            for (const QString &d : details.split(QLatin1Char('\n')))
                lineTexts << QStringLiteral("    ") + d;
    }
    section(QStringLiteral("Positionen"), lineTexts);
    QStringList adjustmentTexts;
    for (const InvoiceAllowanceCharge &a : adjustments)
        adjustmentTexts << adjustmentText(a);
    section(QStringLiteral("Nachlässe und Zuschläge"), adjustmentTexts);
    QStringList vatTexts;
    for (const InvoiceVatBreakdown &v : vatBreakdown)
        vatTexts << QStringLiteral("%1 %2 (%3): Basis %4, Steuer %5%6%7")
                        .arg(v.category,
                             v.rate.isNull() ? QString() : v.rate.german(0) + QStringLiteral(" %"),
                             vatCategoryName(v.category), v.basis.german(), v.amount.german(), cur,
                             joined({v.exemptionReason, v.exemptionCode}).isEmpty()
                                 ? QString()
                                 : QStringLiteral("; ") + joined({v.exemptionReason, v.exemptionCode}));
    section(QStringLiteral("Umsatzsteuer"), vatTexts);
    QStringList totalTexts;
    for (const auto &[label, amount] : totals())
        totalTexts << QStringLiteral("%1: %2%3").arg(label, amount.german(), cur);
    section(QStringLiteral("Summen"), totalTexts);
    section(QStringLiteral("Zahlung"), paymentLines());
    section(QStringLiteral("Bemerkungen"), noteLines());
    QStringList findingTexts;
    for (const InvoiceFinding &f : findings)
        findingTexts << QStringLiteral("%1%2: %3")
                            .arg(f.term, f.rule.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(f.rule),
                                 f.text);
    if (findingTexts.isEmpty())
        section(QStringLiteral("Prüfung"),
                {QStringLiteral("Rechenwerk und Pflichtangaben ohne Beanstandung")});
    else
        section(QStringLiteral("Prüfung: %1 Beanstandung%2")
                    .arg(findingTexts.size())
                    .arg(findingTexts.size() == 1 ? QString() : QStringLiteral("en")),
                findingTexts);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
