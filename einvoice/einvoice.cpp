// SPDX-License-Identifier: GPL-3.0-or-later
#include "einvoice.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/tax.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

#include <QRegularExpression>

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

// Reads a document's address block as the editor writes it: the name, further
// name lines, the street, "post code town", and abroad the country. An empty
// block (a document of another tool) leaves the address's data as they are.
bool readAddressBlock(const QString &block, EInvoiceBuyer &b)
{
    QStringList lines;
    for (const QString &l : block.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty()) lines << l.simplified();
    if (lines.isEmpty()) return true;
    static const QRegularExpression town(QStringLiteral("^(\\S*\\d\\S*)\\s+(\\D.*)$"));
    QString land = b.land;
    if (lines.size() > 2 && !town.match(lines.last()).hasMatch()) {
        // Abroad the block ends with the country; one this program cannot name keeps the address's.
        const QString named = Tax::countryOfLine(lines.takeLast());
        if (!named.isEmpty())
            land = named;
        else if (land == QLatin1String("DE"))
            return false;
    }
    const auto m = town.match(lines.last());
    if (lines.size() < 2 || !m.hasMatch()) return false;
    b.name = lines.first();
    b.plz = m.captured(1);
    b.ort = m.captured(2);
    b.land = land;
    b.strasse = lines.size() > 2 ? lines.at(lines.size() - 2) : QString();
    b.namen = lines.mid(1, qMax<qsizetype>(0, lines.size() - 3)).join(QStringLiteral(", "));
    return true;
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
    // The units the program offers (einheit.txt) and their common spellings.
    static const char *const codes[][2] = {
        {"", "C62"},      {"stk", "H87"},  {"stück", "H87"},   {"st", "H87"},    {"h", "HUR"},
        {"std", "HUR"},   {"min", "MIN"},  {"tag", "DAY"},     {"woche", "WEE"}, {"mon", "MON"},
        {"monat", "MON"}, {"jahr", "ANN"}, {"m", "MTR"},       {"lfm", "LM"},    {"km", "KMT"},
        {"cm", "CMT"},    {"mm", "MMT"},   {"m²", "MTK"},      {"qm", "MTK"},    {"m³", "MTQ"},
        {"cbm", "MTQ"},   {"kg", "KGM"},   {"g", "GRM"},       {"t", "TNE"},     {"l", "LTR"},
        {"ml", "MLT"},    {"psch", "LS"},  {"pauschal", "LS"}, {"satz", "SET"},  {"paar", "PR"},
        {"pkg", "XPK"},   {"rol", "XRO"},  {"kwh", "KWH"}};
    QString u = einheit.trimmed().toLower();
    if (u.endsWith(QLatin1Char('.'))) u.chop(1);
    for (const auto &c : codes)
        if (u == QString::fromUtf8(c[0])) return QString::fromLatin1(c[1]);
    return QString();
}

bool EInvoice::isBadLeitwegId(const QString &reference)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{2,12})(?:-([A-Za-z0-9]{1,30}))?-(\\d{2})$"));
    const auto m = form.match(reference.trimmed());
    if (!m.hasMatch()) return false;
    // As for an IBAN: the number with its check digits at the end, letters as 10..35, modulo 97 is 1.
    int rest = 0;
    for (const QChar c : m.captured(1) + m.captured(2).toUpper() + m.captured(3))
        rest = c.isDigit() ? (rest * 10 + c.digitValue()) % 97 : (rest * 100 + (c.unicode() - 'A' + 10)) % 97;
    return rest != 1;
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
    // The due date the print names; none is invented where the document has none.
    inv.dueDate = head.FieldByName(QStringLiteral("zieldatum"))->AsDate();
    if (inv.dueDate.isValid() && inv.issueDate.isValid() && inv.dueDate < inv.issueDate)
        problems << QStringLiteral("Sein Fälligkeitsdatum (%1) liegt vor dem Rechnungsdatum (%2).")
                        .arg(German::formatDate(inv.dueDate), German::formatDate(inv.issueDate));
    // A cancelled invoice is owed by nobody.
    if (head.FieldByName(QStringLiteral("storniert"))->AsBoolean())
        problems << QStringLiteral("Er ist storniert; eine stornierte Rechnung ist nicht zahlbar.");
    if (!inv.creditNote)
        // Without a due date the amount is due at once (§ 271 BGB).
        inv.paymentTerms = inv.dueDate.isValid()
                               ? QStringLiteral("Zahlung fällig bis %1.").arg(German::formatDate(inv.dueDate))
                               : QStringLiteral("Zahlbar sofort ohne Abzug.");
    const auto dateOf = [&head](const char *field) {
        const TField *f = head.FindField(QString::fromLatin1(field));
        return f && !f->IsNull() ? f->AsDate() : QDate();
    };
    // The date of supply, or the service period; without either, the print
    // says the supply was on the invoice's date.
    const QDate from = dateOf("leistungsdatum"), to = dateOf("leistungbis");
    if (from.isValid() && to.isValid() && to != from) {
        if (to < from)
            problems << QStringLiteral("Sein Leistungszeitraum endet (%1) vor seinem Beginn (%2).")
                            .arg(German::formatDate(to), German::formatDate(from));
        inv.periodStart = from;
        inv.periodEnd = to;
    } else {
        inv.deliveryDate = from.isValid() ? from : inv.issueDate;
    }

    // The order confirmation or delivery note the invoice was made from.
    if (const TField *bezug = head.FindField(QStringLiteral("bezug")); bezug && !bezug->IsNull()) {
        TVexDaoTable source(nullptr, QStringLiteral("ERechnungBezug"));
        openQuery(
            source, db,
            QStringLiteral("select typ, vorgangnr from Vorgang1 where id = %1").arg(bezug->AsInteger()));
        if (!source.IsEmpty()) {
            const QString sourceTyp =
                source.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper();
            const QString number = source.FieldByName(QStringLiteral("vorgangnr"))->AsString().trimmed();
            if (sourceTyp == QLatin1String("C")) inv.orderReference = number;
            if (sourceTyp == QLatin1String("L")) inv.despatchReference = number;
        }
    }

    const QString kopftext = text(head, "Kopftext");
    const QString fusstext = text(head, "Fusstext");
    if (!kopftext.isEmpty()) inv.notes << kopftext;

    // Positions in the order the editor and the print show them.
    TVexDaoTable positions(nullptr, QStringLiteral("ERechnungPositionen"));
    openQuery(positions, db,
              QStringLiteral("select * from Vorgang2 where vorgangID = %1 order by Pos, id").arg(id));
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
        line.articleNr = text(positions, "Artikel");
        line.name = titel.isEmpty() ? firstLine(bezeichnung) : firstLine(titel);
        line.description = bezeichnung;
        if (firstLine(bezeichnung) == line.name)
            line.description = bezeichnung.section(QLatin1Char('\n'), 1).trimmed();
        if (line.name.isEmpty())
            line.name =
                line.articleNr.isEmpty() ? QStringLiteral("Position %1").arg(line.id) : line.articleNr;
        const QString einheit = positions.FieldByName(QStringLiteral("einheit"))->AsString().trimmed();
        line.unitCode = unitCodeOf(einheit);
        if (line.unitCode.isEmpty())
            problems << QStringLiteral("Position %1 hat die Einheit \"%2\", für die die E-Rechnung keinen "
                                       "Code kennt (bekannt sind z. B. Stk, h, m, m², kg, l, Psch, Mon).")
                            .arg(line.id, einheit);
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

    QStringList categories;
    for (const Tax::Group &g : totals.groups()) {
        const bool taxFree = Tax::isTaxFreeCategory(g.category);
        inv.breakdown << EInvoiceVat{g.category,
                                     g.rate,
                                     g.net / 100,
                                     g.vat / 100,
                                     taxFree ? Tax::legalNote(g.category) : QString(),
                                     taxFree ? Tax::exemptionCode(g.category) : QString()};
        categories << g.category;
    }
    // EN 16931 knows "not subject to VAT" only for a whole invoice (BR-O-11):
    // such positions beside taxable ones cannot be expressed.
    if (categories.contains(QLatin1String("O")) && categories.size() > 1) {
        QStringList notSubject;
        for (const EInvoiceLine &l : std::as_const(inv.lines))
            if (l.category == QLatin1String("O")) notSubject << l.id;
        problems << QStringLiteral("Position %1 ist nicht steuerbar (Kategorie O), die übrigen sind es; eine "
                                   "E-Rechnung darf nicht steuerbare Positionen nur ohne andere enthalten. "
                                   "Bitte sie in eine eigene Rechnung stellen.")
                        .arg(notSubject.join(QStringLiteral(", ")));
    }
    inv.vatCents = totals.vat() / 100;
    inv.grandTotalCents = inv.lineTotalCents + inv.vatCents;
    // A document of an older version is printed with its sums to the
    // ten-thousandth; an e-invoice counts in cents. Where the two differ the
    // file would state other figures than the page.
    if (Tax::isLegacyDocument(head) && !head.FieldByName(QStringLiteral("storniert"))->AsBoolean()) {
        Tax::Totals printed(false);
        for (positions.First(); !positions.Eof(); positions.Next()) {
            const double anzahl = positions.FieldByName(QStringLiteral("anzahl"))->AsFloat();
            const double preis = positions.FieldByName(QStringLiteral("Preis"))->AsFloat();
            if (std::isfinite(anzahl) && std::isfinite(preis) && std::fabs(anzahl * preis) < 1e12)
                printed.add(anzahl, preis, Tax::positionRate(positions), Tax::positionCategory(positions));
        }
        // The page shows each figure to the cent.
        const auto shown = [](qint64 amount) { return Money::format(amount, QStringLiteral("#,##0.00 €")); };
        QStringList differ;
        const std::pair<const char *, std::pair<qint64, qint64>> figures[] = {
            {"Nettobetrag", {printed.net(), totals.net()}},
            {"MwSt.", {printed.vat(), totals.vat()}},
            {"Rechnungsbetrag", {printed.gross(), totals.gross()}}};
        for (const auto &[name, pair] : figures)
            if (shown(pair.first) != shown(pair.second))
                differ << QStringLiteral("%1 %2 gedruckt, in Cent gerechnet %3")
                              .arg(QString::fromUtf8(name), shown(pair.first), shown(pair.second));
        if (!differ.isEmpty())
            problems << QStringLiteral("Er stammt aus einer älteren Version, deren Druck anders rundet (%1). "
                                       "Bitte ihn im Vorgang mit „Neuberechnung“ neu berechnen (und neu "
                                       "drucken), damit Druck und E-Rechnung übereinstimmen.")
                            .arg(differ.join(QStringLiteral("; ")));
    }
    if (!inv.creditNote && inv.grandTotalCents < 0)
        problems << QStringLiteral("Sein Gesamtbetrag ist negativ; was der Kunde zurückerhält, gehört in "
                                   "eine Gutschrift (G).");

    // The buyer: as the document's address block names it (the address may
    // have moved since), with the country, VAT id, e-mail and reference the
    // address with its customer number keeps.
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
        const auto optional = [&adress](const char *field) {
            const TField *f = adress.FindField(QString::fromLatin1(field));
            return f ? f->AsString().trimmed() : QString();
        };
        b.land = Tax::countryOf(optional("LAND"));
        if (!readAddressBlock(text(head, "anschrift"), b))
            problems << QStringLiteral(
                "Seine Anschrift lässt sich nicht als Name, Straße, Postleitzahl und Ort "
                "lesen (die letzte Zeile muss Postleitzahl und Ort oder das Land sein).");
        const QString ustid = optional("USTID");
        // An invoice not subject to VAT names no VAT id of either party (BR-O-2).
        if (Tax::checkVatId(ustid).isEmpty() && !inv.notSubjectToVat()) b.vatId = Tax::compactVatId(ustid);
        // An intra-EU supply or an export to a customer who is neither.
        for (const Tax::Case c : {Tax::Case::IntraEu, Tax::Case::Export}) {
            if (!categories.contains(Tax::caseCode(c))) continue;
            const QString misfit = Tax::checkCaseForCustomer(c, Tax::Customer{optional("LAND"), ustid});
            if (!misfit.isEmpty()) problems << misfit;
        }
        for (const char *code : {"AE", "K"}) {
            if (!categories.contains(QLatin1String(code)) || !b.vatId.isEmpty()) continue;
            problems << QStringLiteral("%1 braucht die USt-IdNr. des Kunden; bei der Adresse mit der "
                                       "Kundennummer %2 fehlt sie oder ist ungültig.")
                            .arg(Tax::legalNote(QLatin1String(code)), kdnrLiteral(kdnr));
            break;
        }
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
        if (isBadLeitwegId(b.reference))
            problems << QStringLiteral("Die Leitweg-ID \"%1\" ist ungültig: ihre Prüfziffer stimmt nicht.")
                            .arg(b.reference);
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
    // A tax-free supply abroad is only tax-free to a seller with a VAT id.
    if (seller.UStIdNr.isEmpty() &&
        (categories.contains(QLatin1String("K")) || categories.contains(QLatin1String("G"))))
        sellerMissing << QStringLiteral("Umsatzsteuer-Identifikationsnummer für steuerfreie Lieferungen ins "
                                        "Ausland (UStIdNr)");
    // Without its VAT id the seller is found by its register entry or identifier (BR-CO-26).
    if (inv.notSubjectToVat() && !seller.UStIdNr.isEmpty() && seller.Handelsregister.isEmpty() &&
        seller.Kennung.isEmpty())
        sellerMissing << QStringLiteral("Handelsregisternummer oder Kennung des Verkäufers für eine Rechnung "
                                        "ohne steuerbare Positionen, die keine USt-IdNr. nennen darf "
                                        "(Handelsregister, Kennung)");
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
