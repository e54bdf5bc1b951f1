#include "einvoice.h"

#include "data/apperror.h"
#include "data/germanformat.h"
#include "data/tax.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

#include <cmath>

namespace {

QString unixLines(QString s)
{
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s.trimmed();
}

QString firstLine(const QString &s)
{
    return s.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString text(const TVexDaoTable &t, const char *field)
{
    return unixLines(t.FieldByName(QString::fromLatin1(field))->AsString());
}

// Reads the rows of a select into the dataset; every value is read while the row is current.
void openQuery(TVexDaoTable &t, TVexDaoDatabase &db, const QString &sql)
{
    t.setDatabase(&db);
    t.SQL() << sql;
    t.Open();
}

QString kdnrLiteral(double kdnr)
{
    return QString::number(kdnr, 'g', 17);
}

} // namespace

qint64 EInvoice::lineCents(double quantity, double price)
{
    return Tax::Totals::lineAmount(quantity, price, true) / 100;
}

qint64 EInvoice::vatOf(qint64 netCents, int rate)
{
    return Tax::Totals::vatOf(netCents * 100, rate, true) / 100;
}

QString EInvoice::amountText(qint64 cents)
{
    const qint64 a = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString EInvoice::unitCodeOf(const QString &einheit)
{
    const QString u = einheit.trimmed();
    if (u.compare(QLatin1String("h"), Qt::CaseInsensitive) == 0) return QStringLiteral("HUR");
    if (u.compare(QLatin1String("Stk"), Qt::CaseInsensitive) == 0) return QStringLiteral("H87");
    return QStringLiteral("C62");
}

EInvoice EInvoice::load(TVexDaoDatabase &db, qint64 id, const SellerData &seller, int vatRate)
{
    TVexDaoTable head(nullptr, QStringLiteral("ERechnungVorgang"));
    openQuery(head, db, QStringLiteral("select * from Vorgang1 where id = %1").arg(id));
    if (head.IsEmpty()) throw AppError(QStringLiteral("Einen Vorgang mit der ID %1 gibt es nicht").arg(id));

    const QString typ = head.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
    EInvoice inv;
    inv.number = head.FieldByName(QStringLiteral("vorgangnr"))->AsString().trimmed();
    const QString caption = QStringLiteral("Vorgang %1-%2").arg(typ, inv.number);
    if (typ != QLatin1String("R") && typ != QLatin1String("G"))
        throw AppError(QStringLiteral("%1: E-Rechnungen gibt es nur für Rechnungen (R) und Gutschriften (G)")
                           .arg(caption));
    inv.creditNote = typ == QLatin1String("G");
    inv.seller = seller;
    Q_UNUSED(vatRate); // positions of an older version carry the program-wide rate already
    // The document's totals by the rule of the editor and the print.
    Tax::Totals totals(true);

    QStringList problems;
    const QString waehrung = head.FieldByName(QStringLiteral("Waehrung"))->AsString().trimmed();
    if (waehrung.compare(QLatin1String("DM"), Qt::CaseInsensitive) == 0)
        problems << QStringLiteral("Er ist in DM ausgestellt; E-Rechnungen gibt es nur in Euro.");
    else if (waehrung.isEmpty())
        problems << QStringLiteral("Er hat keine Währung.");
    else if (waehrung != QStringLiteral("€") &&
             waehrung.compare(QLatin1String("EUR"), Qt::CaseInsensitive) != 0)
        problems << QStringLiteral("Er ist in \"%1\" ausgestellt; E-Rechnungen gibt es nur in Euro.")
                        .arg(waehrung);
    if (inv.number.isEmpty()) problems << QStringLiteral("Er hat keine Vorgangsnummer.");
    inv.issueDate = head.FieldByName(QStringLiteral("datum"))->AsDate();
    if (!inv.issueDate.isValid()) problems << QStringLiteral("Er hat kein Datum.");
    inv.dueDate = head.FieldByName(QStringLiteral("zieldatum"))->AsDate();
    if (!inv.dueDate.isValid() && inv.issueDate.isValid())
        inv.dueDate = inv.issueDate.addDays(head.FieldByName(QStringLiteral("zieltage"))->AsInteger());
    if (inv.dueDate.isValid() && inv.issueDate.isValid() && inv.dueDate < inv.issueDate)
        problems << QStringLiteral("Sein Fälligkeitsdatum (%1) liegt vor dem Rechnungsdatum (%2).")
                        .arg(German::formatDate(inv.dueDate), German::formatDate(inv.issueDate));
    // A cancelled invoice is owed by nobody.
    if (head.FieldByName(QStringLiteral("storniert"))->AsBoolean())
        problems << QStringLiteral("Er ist storniert; eine stornierte Rechnung ist nicht zahlbar.");
    if (!inv.creditNote && inv.dueDate.isValid())
        inv.paymentTerms = QStringLiteral("Zahlung fällig bis %1.").arg(German::formatDate(inv.dueDate));

    const QString kopftext = text(head, "Kopftext");
    const QString fusstext = text(head, "Fusstext");
    if (!kopftext.isEmpty()) inv.notes << kopftext;

    // Positions in the order the editor and the print show them.
    TVexDaoTable positions(nullptr, QStringLiteral("ERechnungPositionen"));
    openQuery(positions, db,
              QStringLiteral("select * from Vorgang2 where vorgangID = %1 order by id").arg(id));
    int index = 0;
    int textOnly = 0;
    for (positions.First(); !positions.Eof(); positions.Next()) {
        ++index;
        const double anzahl = positions.FieldByName(QStringLiteral("anzahl"))->AsFloat();
        const QString titel = text(positions, "Titel");
        const QString bezeichnung = text(positions, "Bezeichnung");
        if (anzahl == 0) {
            // The print shows such a position as text without amounts.
            const QString t = bezeichnung.isEmpty() ? titel : bezeichnung;
            if (!t.isEmpty()) inv.notes << t;
            ++textOnly;
            continue;
        }
        EInvoiceLine line;
        const qint64 pos = positions.FieldByName(QStringLiteral("Pos"))->AsInteger();
        line.id = QString::number(pos > 0 ? pos : index);
        const double preis = positions.FieldByName(QStringLiteral("Preis"))->AsFloat();
        // A value no sum can carry (written by some other tool) must not turn into a wrong amount.
        if (!std::isfinite(anzahl) || !std::isfinite(preis) || std::fabs(anzahl * preis) >= 1e12) {
            problems << QStringLiteral("Position %1 hat keine gültige Menge oder keinen gültigen Preis.")
                            .arg(line.id);
            continue;
        }
        line.category = Tax::positionCategory(positions);
        line.rate = Tax::isTaxFreeCategory(line.category) ? 0.0 : Tax::positionRate(positions);
        if (line.category != QLatin1String("S") && line.category != QLatin1String("Z")) {
            problems << QStringLiteral("Position %1 ist steuerfrei (Kategorie %2); das kann die E-Rechnung "
                                       "noch nicht ausdrücken.")
                            .arg(line.id, line.category);
            continue;
        }
        line.articleNr = text(positions, "Artikel");
        line.name = titel.isEmpty() ? firstLine(bezeichnung) : firstLine(titel);
        line.description = bezeichnung;
        if (firstLine(bezeichnung) == line.name)
            line.description = bezeichnung.section(QLatin1Char('\n'), 1).trimmed();
        if (line.name.isEmpty())
            line.name =
                line.articleNr.isEmpty() ? QStringLiteral("Position %1").arg(line.id) : line.articleNr;
        line.unitCode = unitCodeOf(positions.FieldByName(QStringLiteral("einheit"))->AsString());
        // EN 16931 forbids a negative price: a discount line is a negative quantity.
        line.quantity = preis < 0 ? -anzahl : anzahl;
        line.price = preis < 0 ? -preis : preis;
        line.netCents = totals.add(anzahl, preis, line.rate, line.category) / 100;
        inv.lineTotalCents += line.netCents;
        inv.lines << line;
    }
    if (inv.lines.isEmpty() && index == textOnly)
        problems << (textOnly > 0 ? QStringLiteral("Er hat nur Textpositionen, keine Position mit Menge.")
                                  : QStringLiteral("Er hat keine Positionen."));
    if (!fusstext.isEmpty()) inv.notes << fusstext;

    for (const Tax::Group &g : totals.groups())
        inv.breakdown << EInvoiceVat{g.category, g.rate, g.net / 100, g.vat / 100};
    inv.vatCents = totals.vat() / 100;
    inv.grandTotalCents = inv.lineTotalCents + inv.vatCents;
    if (!inv.creditNote && inv.grandTotalCents < 0)
        problems << QStringLiteral("Sein Gesamtbetrag ist negativ; was der Kunde zurückerhält, gehört in "
                                   "eine Gutschrift (G).");

    // The buyer: the address of the document's customer number, with what is
    // kept for its e-invoices.
    const double kdnr = head.FieldByName(QStringLiteral("kdnr"))->AsFloat();
    TVexDaoTable adress(nullptr, QStringLiteral("ERechnungAdresse"));
    openQuery(adress, db, QStringLiteral("select * from Adress where KDNR = %1").arg(kdnrLiteral(kdnr)));
    if (head.FieldByName(QStringLiteral("kdnr"))->IsNull() || adress.IsEmpty()) {
        problems << QStringLiteral("Es gibt keine Adresse mit der Kundennummer %1.").arg(kdnrLiteral(kdnr));
    } else {
        EInvoiceBuyer &b = inv.buyer;
        b.kdnr = qint64(kdnr);
        b.name = (text(adress, "VORNAME") + QLatin1Char(' ') + text(adress, "NAME1")).trimmed();
        b.namen =
            text(adress, "NAMEN").split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral(", "));
        b.strasse = text(adress, "STRASSE");
        b.plz = text(adress, "PLZ");
        b.ort = text(adress, "ORT");
        b.email = text(adress, "EMAIL");
        b.reference = kdnrLiteral(kdnr);
        const QString konto = text(adress, "KontoNr");
        if (IsValidIban(konto)) b.debitIban = QString(konto).remove(QLatin1Char(' ')).toUpper();
        if (db.table(QStringLiteral("ERechnung"))) {
            TVexDaoTable extra(nullptr, QStringLiteral("ERechnungKunde"));
            openQuery(
                extra, db,
                QStringLiteral("select * from ERechnung where KDNR = %1 order by id").arg(kdnrLiteral(kdnr)));
            if (!extra.IsEmpty()) {
                if (!text(extra, "Email").isEmpty()) b.email = text(extra, "Email");
                if (!text(extra, "Referenz").isEmpty()) b.reference = text(extra, "Referenz");
            }
        }
        QStringList missing;
        if (b.name.isEmpty()) missing << QStringLiteral("Name");
        if (b.email.isEmpty())
            missing << QStringLiteral("E-Mail-Adresse");
        else if (!b.email.contains(QLatin1Char('@')) || b.email.contains(QLatin1Char(' ')))
            missing << QStringLiteral("gültige E-Mail-Adresse (\"%1\")").arg(b.email);
        if (b.plz.isEmpty()) missing << QStringLiteral("Postleitzahl");
        if (b.ort.isEmpty()) missing << QStringLiteral("Ort");
        if (!missing.isEmpty())
            problems << QStringLiteral("Bei der Adresse mit der Kundennummer %1 (%2) fehlt: %3.")
                            .arg(kdnrLiteral(kdnr), b.name, missing.join(QStringLiteral(", ")));
    }

    // The payment means is the document's own field (58 transfer, 59 direct
    // debit), never guessed from its texts.
    const TField *zahlungsart = head.FindField(QStringLiteral("Zahlungsart"));
    const bool directDebit = zahlungsart && zahlungsart->AsString().trimmed() == QLatin1String("59");
    if (inv.creditNote) {
        inv.payment = PaymentMeans::NotDefined;
    } else if (directDebit) {
        if (inv.buyer.debitIban.isEmpty())
            problems << QStringLiteral(
                "Er soll per Lastschrift bezahlt werden, aber die Adresse des Kunden hat "
                "keine gültige IBAN.");
        inv.payment = PaymentMeans::DirectDebit;
        inv.mandateReference = kdnrLiteral(kdnr); // as the contract footer tells the customer
    }
    QStringList sellerMissing = seller.missing(inv.payment == PaymentMeans::CreditTransfer);
    if (inv.payment == PaymentMeans::DirectDebit && seller.GlaeubigerID.isEmpty())
        sellerMissing << QStringLiteral("Gläubiger-Identifikationsnummer für die Lastschrift (GlaeubigerID)");
    if (!sellerMissing.isEmpty())
        problems << QStringLiteral("In den Einstellungen (tavirel.ini, Abschnitt [%1]) fehlt: %2.")
                        .arg(SellerData::section(), sellerMissing.join(QStringLiteral(", ")));

    if (!problems.isEmpty())
        throw AppError(QStringLiteral("%1 kann nicht als E-Rechnung ausgegeben werden:\n").arg(caption) +
                       problems.join(QLatin1Char('\n')));
    return inv;
}
