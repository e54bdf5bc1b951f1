// SPDX-License-Identifier: GPL-3.0-or-later
#include "invoicecheck.h"

#include "iban.h"

#include <QHash>
#include <cmath>

namespace {

QString money(qint64 cents)
{
    return Decimal::fromCents(cents).german();
}

// basis × rate / 100 in cents, halves away from zero, in exact integers while
// they hold (a rate has at most a few decimals).
qint64 vatOf(qint64 basisCents, const Decimal &rate)
{
    qint64 den = 100;
    for (int i = 0; i < rate.scale(); ++i)
        den *= 10;
    if (std::llabs(basisCents) < 1'000'000'000'000LL && std::llabs(rate.units()) < 1'000'000) {
        const qint64 num = basisCents * rate.units();
        const qint64 q = num / den, r = num % den;
        return 2 * std::llabs(r) >= den ? q + (num < 0 ? -1 : 1) : q;
    }
    return std::llround(static_cast<long double>(basisCents) * rate.toLongDouble() / 100.0L);
}

class Checker
{
  public:
    explicit Checker(const IncomingInvoice &invoice) : inv(invoice) {}

    QList<InvoiceFinding> run()
    {
        out = inv.readProblems;
        required();
        lines();
        sums();
        vat();
        germanVat();
        accounts();
        return out;
    }

  private:
    void add(const QString &term, const QString &rule, const QString &text)
    {
        out << InvoiceFinding{term, rule, text};
    }

    void missing(bool isMissing, const char *term, const char *rule, const QString &what)
    {
        if (isMissing)
            add(QString::fromLatin1(term), QString::fromLatin1(rule), QStringLiteral("%1 fehlt").arg(what));
    }

    // A stated amount against what the invoice's own figures give.
    void compare(const Decimal &stated, qint64 expected, const char *term, const char *rule,
                 const QString &what, const QString &how)
    {
        if (stated.isNull() || stated.cents() == expected) return;
        add(QString::fromLatin1(term), QString::fromLatin1(rule),
            QStringLiteral("%1 ist mit %2 angegeben, %3 ergibt %4")
                .arg(what, stated.german(), how, money(expected)));
    }

    void required()
    {
        missing(inv.number.isEmpty(), "BT-1", "BR-02", QStringLiteral("Die Rechnungsnummer"));
        missing(!inv.issueDate.isValid(), "BT-2", "BR-03", QStringLiteral("Das Rechnungsdatum"));
        missing(inv.typeCode.isEmpty(), "BT-3", "BR-04", QStringLiteral("Die Art der Rechnung"));
        missing(inv.currency.isEmpty(), "BT-5", "BR-05", QStringLiteral("Die Währung"));
        missing(inv.seller.name.isEmpty(), "BT-27", "BR-06", QStringLiteral("Der Name des Verkäufers"));
        missing(inv.buyer.name.isEmpty(), "BT-44", "BR-07", QStringLiteral("Der Name des Käufers"));
        missing(inv.seller.address.country.isEmpty(), "BT-40", "BR-09",
                QStringLiteral("Das Land des Verkäufers"));
        missing(inv.buyer.address.country.isEmpty(), "BT-55", "BR-11",
                QStringLiteral("Das Land des Käufers"));
        missing(inv.lineTotal.isNull(), "BT-106", "BR-12", QStringLiteral("Die Summe der Positionen"));
        missing(inv.taxBasisTotal.isNull(), "BT-109", "BR-13", QStringLiteral("Der Gesamtbetrag ohne USt."));
        missing(inv.grandTotal.isNull(), "BT-112", "BR-14", QStringLiteral("Der Gesamtbetrag mit USt."));
        missing(inv.duePayable.isNull(), "BT-115", "BR-15", QStringLiteral("Der Zahlbetrag"));
        missing(inv.lines.isEmpty(), "BG-25", "BR-16", QStringLiteral("Eine Rechnungsposition"));
        missing(inv.vatBreakdown.isEmpty(), "BG-23", "BR-CO-18",
                QStringLiteral("Die Aufschlüsselung der Umsatzsteuer"));
    }

    void lines()
    {
        for (const InvoiceLine &l : inv.lines) {
            const QString pos =
                QStringLiteral("Position %1: ").arg(l.id.isEmpty() ? QStringLiteral("?") : l.id);
            missing(l.id.isEmpty(), "BT-126", "BR-21", QStringLiteral("%1Die Positionsnummer").arg(pos));
            missing(l.quantity.isNull(), "BT-129", "BR-22", QStringLiteral("%1Die Menge").arg(pos));
            missing(l.unit.isEmpty(), "BT-130", "BR-23", QStringLiteral("%1Die Einheit").arg(pos));
            missing(l.netAmount.isNull(), "BT-131", "BR-24", QStringLiteral("%1Der Nettobetrag").arg(pos));
            missing(l.name.isEmpty(), "BT-153", "BR-25", QStringLiteral("%1Die Bezeichnung").arg(pos));
            missing(l.netPrice.isNull(), "BT-146", "BR-26", QStringLiteral("%1Der Nettopreis").arg(pos));
            missing(l.vatCategory.isEmpty(), "BT-151", "BR-CO-04",
                    QStringLiteral("%1Die Umsatzsteuerkategorie").arg(pos));
            if (!l.netPrice.isNull() && l.netPrice.units() < 0)
                add(QStringLiteral("BT-146"), QStringLiteral("BR-27"),
                    QStringLiteral("%1Der Nettopreis %2 ist negativ").arg(pos, l.netPrice.german()));
            adjustmentPercent(l.adjustments, pos);
            if (l.quantity.isNull() || l.netPrice.isNull() || l.netAmount.isNull()) continue;
            // quantity × price / base quantity, plus charges, minus allowances.
            long double expected = l.quantity.toLongDouble() * l.netPrice.toLongDouble();
            if (!l.baseQuantity.isNull() && l.baseQuantity.units() != 0)
                expected /= l.baseQuantity.toLongDouble();
            qint64 cents = std::llround(expected * 100.0L);
            for (const InvoiceAllowanceCharge &a : l.adjustments)
                cents += a.charge ? a.amount.cents() : -a.amount.cents();
            if (std::llabs(l.netAmount.cents() - cents) > 1)
                add(QStringLiteral("BT-131"), QString(),
                    QStringLiteral("%1Der Nettobetrag ist mit %2 angegeben, Menge × Preis%3 ergibt %4")
                        .arg(pos, l.netAmount.german(),
                             l.adjustments.isEmpty() ? QString()
                                                     : QStringLiteral(" mit Nachlässen und Zuschlägen"),
                             money(cents)));
        }
    }

    // An allowance or charge given as a percentage of a base is that share of it.
    void adjustmentPercent(const QList<InvoiceAllowanceCharge> &list, const QString &where)
    {
        for (const InvoiceAllowanceCharge &a : list) {
            if (a.percent.isNull() || a.base.isNull() || a.amount.isNull()) continue;
            const qint64 expected = vatOf(a.base.cents(), a.percent);
            if (std::llabs(a.amount.cents() - expected) > 1)
                add(a.charge ? QStringLiteral("BT-99") : QStringLiteral("BT-92"), QString(),
                    QStringLiteral("%1%2 ist mit %3 angegeben, %4 % von %5 ergibt %6")
                        .arg(where,
                             a.charge ? QStringLiteral("Ein Zuschlag") : QStringLiteral("Ein Nachlass"),
                             a.amount.german(), a.percent.german(0), a.base.german(), money(expected)));
        }
    }

    void sums()
    {
        qint64 lineSum = 0, allowances = 0, charges = 0;
        for (const InvoiceLine &l : inv.lines)
            if (l.summed()) lineSum += l.netAmount.cents();
        for (const InvoiceAllowanceCharge &a : inv.adjustments)
            (a.charge ? charges : allowances) += a.amount.cents();
        adjustmentPercent(inv.adjustments, QString());
        compare(inv.lineTotal, lineSum, "BT-106", "BR-CO-10", QStringLiteral("Die Summe der Positionen"),
                QStringLiteral("die Summe der Positionsbeträge"));
        compare(inv.allowanceTotal, allowances, "BT-107", "BR-CO-11",
                QStringLiteral("Die Summe der Nachlässe"),
                QStringLiteral("die Summe der einzelnen Nachlässe"));
        compare(inv.chargeTotal, charges, "BT-108", "BR-CO-12", QStringLiteral("Die Summe der Zuschläge"),
                QStringLiteral("die Summe der einzelnen Zuschläge"));
        // A sum that could not be read is reported as such; what is computed
        // from it is not compared (it would claim the sum were 0,00).
        if (!inv.lineTotal.isNull())
            compare(inv.taxBasisTotal,
                    inv.lineTotal.cents() - inv.allowanceTotal.cents() + inv.chargeTotal.cents(), "BT-109",
                    "BR-CO-13", QStringLiteral("Der Gesamtbetrag ohne USt."),
                    QStringLiteral("Summe der Positionen − Nachlässe + Zuschläge"));
        qint64 vatSum = 0;
        for (const InvoiceVatBreakdown &v : inv.vatBreakdown)
            vatSum += v.amount.cents();
        if (inv.vatTotal.isNull() && vatSum != 0)
            add(QStringLiteral("BT-110"), QStringLiteral("BR-CO-14"),
                QStringLiteral("Die Umsatzsteuer insgesamt fehlt, die Aufschlüsselung ergibt %1")
                    .arg(money(vatSum)));
        compare(inv.vatTotal, vatSum, "BT-110", "BR-CO-14", QStringLiteral("Die Umsatzsteuer insgesamt"),
                QStringLiteral("die Summe der Steuerbeträge je Kategorie"));
        if (!inv.taxBasisTotal.isNull())
            compare(inv.grandTotal, inv.taxBasisTotal.cents() + inv.vatTotal.cents(), "BT-112", "BR-CO-15",
                    QStringLiteral("Der Gesamtbetrag mit USt."),
                    QStringLiteral("Gesamtbetrag ohne USt. + Umsatzsteuer"));
        if (!inv.grandTotal.isNull())
            compare(inv.duePayable, inv.grandTotal.cents() - inv.prepaid.cents() + inv.rounding.cents(),
                    "BT-115", "BR-CO-16", QStringLiteral("Der Zahlbetrag"),
                    QStringLiteral("Gesamtbetrag mit USt. − bereits gezahlt + Rundung"));
    }

    static QString key(const QString &category, const Decimal &rate)
    {
        // Rates compare by value: "19" and "19.00" are one rate.
        return category.toUpper() + QLatin1Char('|') +
               (rate.isNull() ? QString() : QString::number(double(rate.toLongDouble()), 'g', 12));
    }

    void vat()
    {
        QHash<QString, qint64> basis;
        QHash<QString, bool> used;
        for (const InvoiceLine &l : inv.lines) {
            if (!l.summed() || l.vatCategory.isEmpty()) continue;
            basis[key(l.vatCategory, l.vatRate)] += l.netAmount.cents();
            used[key(l.vatCategory, l.vatRate)] = true;
        }
        for (const InvoiceAllowanceCharge &a : inv.adjustments) {
            if (a.vatCategory.isEmpty()) {
                add(a.charge ? QStringLiteral("BT-102") : QStringLiteral("BT-95"),
                    a.charge ? QStringLiteral("BR-37") : QStringLiteral("BR-32"),
                    QStringLiteral("%1 nennt keine Umsatzsteuerkategorie")
                        .arg(IncomingInvoice::adjustmentText(a)));
                continue;
            }
            basis[key(a.vatCategory, a.vatRate)] += a.charge ? a.amount.cents() : -a.amount.cents();
            used[key(a.vatCategory, a.vatRate)] = true;
        }
        for (const InvoiceVatBreakdown &v : inv.vatBreakdown) {
            const QString k = key(v.category, v.rate);
            const QString cat = v.category.toUpper();
            const QString name = QStringLiteral("Umsatzsteuer %1%2")
                                     .arg(cat, v.rate.isNull() ? QString()
                                                               : QStringLiteral(" ") + v.rate.german(0) +
                                                                     QStringLiteral(" %"));
            const QByteArray rule08 = QStringLiteral("BR-%1-08").arg(cat).toLatin1();
            missing(v.category.isEmpty(), "BT-118", "BR-47",
                    QStringLiteral("In der Aufschlüsselung der Umsatzsteuer: die Kategorie"));
            missing(v.basis.isNull(), "BT-116", "BR-45",
                    QStringLiteral("%1: Die Bemessungsgrundlage").arg(name));
            missing(v.amount.isNull(), "BT-117", "BR-46", QStringLiteral("%1: Der Steuerbetrag").arg(name));
            missing(v.rate.isNull() && cat != QLatin1String("O"), "BT-119", "BR-48",
                    QStringLiteral("%1: Der Steuersatz").arg(name));
            compare(v.basis, basis.value(k), "BT-116", rule08.constData(),
                    QStringLiteral("%1: Die Bemessungsgrundlage").arg(name),
                    QStringLiteral("die Summe der Positionen, Nachlässe und Zuschläge dieser Kategorie"));
            used.remove(k);
            if (v.amount.isNull() || v.basis.isNull()) continue;
            const bool taxed =
                cat == QLatin1String("S") || cat == QLatin1String("L") || cat == QLatin1String("M");
            const qint64 expected = taxed && !v.rate.isNull() ? vatOf(v.basis.cents(), v.rate) : 0;
            if (std::llabs(v.amount.cents() - expected) > (taxed ? 1 : 0))
                add(QStringLiteral("BT-117"),
                    taxed ? QStringLiteral("BR-CO-17") : QStringLiteral("BR-%1-09").arg(cat),
                    QStringLiteral("%1: Der Steuerbetrag ist mit %2 angegeben, %3 ergibt %4")
                        .arg(name, v.amount.german(),
                             taxed ? QStringLiteral("Bemessungsgrundlage × Steuersatz")
                                   : QStringLiteral("diese Kategorie"),
                             money(expected)));
            const bool exempt = cat == QLatin1String("E") || cat == QLatin1String("AE") ||
                                cat == QLatin1String("K") || cat == QLatin1String("G") ||
                                cat == QLatin1String("O");
            if (exempt && v.exemptionReason.isEmpty() && v.exemptionCode.isEmpty())
                add(QStringLiteral("BT-120"), QStringLiteral("BR-%1-10").arg(cat),
                    QStringLiteral("%1 (%2): Der Grund der Steuerbefreiung fehlt (§ 14 Abs. 4 Nr. 8 UStG)")
                        .arg(name, IncomingInvoice::vatCategoryName(cat)));
            if ((cat == QLatin1String("AE") || cat == QLatin1String("K")) && inv.buyer.vatId.isEmpty())
                add(QStringLiteral("BT-48"), QStringLiteral("BR-%1-02").arg(cat),
                    QStringLiteral("%1 (%2) verlangt die USt-IdNr. des Käufers; sie fehlt")
                        .arg(name, IncomingInvoice::vatCategoryName(cat)));
        }
        for (auto it = used.cbegin(); it != used.cend(); ++it) {
            const QStringList parts = it.key().split(QLatin1Char('|'));
            add(QStringLiteral("BG-23"), QString(),
                QStringLiteral("Positionen, Nachlässe oder Zuschläge mit Umsatzsteuer %1%2 fehlen in der "
                               "Aufschlüsselung der Umsatzsteuer")
                    .arg(parts.value(0), parts.value(1).isEmpty()
                                             ? QString()
                                             : QStringLiteral(" ") + parts.value(1).replace(u'.', u',') +
                                                   QStringLiteral(" %")));
        }
    }

    // What § 14 Abs. 4 UStG asks of an invoice that allows the input VAT deduction.
    // A SEPA transfer (code 58) needs a valid IBAN (XRechnung's BR-DE-19);
    // an account written as an IBAN is checked whatever the code: a wrong
    // check digit sends the money nowhere, or somewhere else.
    void accounts()
    {
        for (const InvoicePaymentMeans &m : inv.paymentMeans) {
            const QString id = QString(m.accountId).remove(QLatin1Char(' ')).toUpper();
            const bool sepa = m.code.trimmed() == QLatin1String("58");
            const bool looksLikeIban = id.size() >= 4 && id.at(0).isLetter() && id.at(1).isLetter() &&
                                       id.at(2).isDigit() && id.at(3).isDigit();
            if (id.isEmpty() ? !sepa : (!looksLikeIban && !sepa) || IsValidIban(id)) continue;
            add(QStringLiteral("BT-84"), sepa ? QStringLiteral("BR-DE-19") : QString(),
                id.isEmpty()
                    ? QStringLiteral("Die IBAN der SEPA-Überweisung fehlt")
                    : QStringLiteral("Die IBAN %1 ist ungültig (Prüfziffern oder Länge falsch)").arg(id));
        }
    }

    void germanVat()
    {
        if (inv.seller.vatId.isEmpty() && inv.seller.taxNumber.isEmpty() &&
            inv.taxRepresentativeVatId.isEmpty())
            add(QStringLiteral("BT-31"), QString(),
                QStringLiteral(
                    "Weder die USt-IdNr. (BT-31) noch die Steuernummer (BT-32) des Verkäufers ist angegeben; "
                    "ohne sie ist kein Vorsteuerabzug möglich (§ 14 Abs. 4 Nr. 2 UStG)"));
        const InvoiceAddress &s = inv.seller.address;
        if (s.city.isEmpty() || s.line1.isEmpty() || s.postCode.isEmpty())
            add(QStringLiteral("BG-5"), QString(),
                QStringLiteral(
                    "Die Anschrift des Verkäufers ist unvollständig (Straße, Postleitzahl und Ort; "
                    "§ 14 Abs. 4 Nr. 1 UStG)"));
        const InvoiceAddress &b = inv.buyer.address;
        if (b.city.isEmpty() || b.line1.isEmpty() || b.postCode.isEmpty())
            add(QStringLiteral("BG-8"), QString(),
                QStringLiteral("Die Anschrift des Käufers ist unvollständig (Straße, Postleitzahl und Ort; "
                               "§ 14 Abs. 4 Nr. 1 UStG)"));
        bool linePeriods = !inv.lines.isEmpty();
        for (const InvoiceLine &l : inv.lines)
            linePeriods = linePeriods && (l.periodStart.isValid() || l.periodEnd.isValid());
        if (!inv.deliveryDate.isValid() && !inv.periodStart.isValid() && !inv.periodEnd.isValid() &&
            !linePeriods)
            add(QStringLiteral("BT-72"), QString(),
                QStringLiteral(
                    "Das Datum der Lieferung oder Leistung (BT-72) oder ein Leistungszeitraum (BG-14) fehlt "
                    "(§ 14 Abs. 4 Nr. 6 UStG)"));
    }

    const IncomingInvoice &inv;
    QList<InvoiceFinding> out;
};

} // namespace

QList<InvoiceFinding> CheckIncomingInvoice(const IncomingInvoice &invoice)
{
    return Checker(invoice).run();
}
