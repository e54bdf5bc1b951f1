// SPDX-License-Identifier: GPL-3.0-or-later
#include "incomingstore.h"

#include "invoicecheck.h"
#include "supplieraccounts.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/safefile.h"
#include "data/sqldialect.h"
#include "data/tax.h"
#include "data/tdataa.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace IncomingStore {

namespace {

const QString kTable = QStringLiteral("Eingangsrechnung");

QString compactVatId(const QString &id)
{
    QString s = id.toUpper();
    s.remove(QLatin1Char(' '));
    s.remove(QLatin1Char('.'));
    s.remove(QLatin1Char('-'));
    return s;
}

// NAME1 keeps 60 characters: a supplier made from a longer name is found
// again by those.
QString addressNameOf(const QString &name)
{
    return name.trimmed().left(60);
}

void open(TVexDaoTable &t, TVexDaoDatabase &db, const QString &sql)
{
    t.setDatabase(&db);
    t.SQL() << sql;
    t.Open();
}

QString text(const TVexDaoTable &t, const char *field)
{
    return t.FieldByName(QString::fromLatin1(field))->AsString();
}

QString when(const QDateTime &t)
{
    return QStringLiteral("%1 um %2")
        .arg(German::formatDate(t.date()), t.time().toString(QStringLiteral("HH:mm")));
}

StoredIncoming readRow(TVexDaoTable &t)
{
    StoredIncoming s;
    s.id = t.FieldByName(QStringLiteral("id"))->AsInteger();
    s.vorgangId = t.FieldByName(QStringLiteral("vorgangID"))->AsInteger();
    s.kdnr = t.FieldByName(QStringLiteral("kdnr"))->AsInteger();
    s.received = t.FieldByName(QStringLiteral("Empfangen"))->AsDateTime();
    s.fileName = text(t, "Dateiname");
    s.sha256 = text(t, "SHA256");
    s.format = text(t, "Format");
    s.number = text(t, "Rechnungsnr");
    s.seller = text(t, "Verkaeufer");
    if (const TField *f = t.FindField(QStringLiteral("Original")))
        s.original = f->value().kind() == Value::Bytes ? f->value().rawBytes() : QByteArray();
    return s;
}

QString sha256Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString earlierImport(const StoredIncoming &s)
{
    return QStringLiteral("am %1 (Eingang Nr. %2, Datei %3)").arg(when(s.received)).arg(s.id).arg(s.fileName);
}

void refuseDuplicate(TVexDaoDatabase &db, const QString &sha, const IncomingInvoice &inv)
{
    TVexDaoTable same(nullptr, QStringLiteral("eingang"));
    open(same, db,
         QStringLiteral(
             "select id, vorgangID, kdnr, Empfangen, Dateiname, SHA256, Format, Rechnungsnr, Verkaeufer "
             "from Eingangsrechnung where SHA256 = %1")
             .arg(Sql::quoteText(sha)));
    if (!same.IsEmpty()) {
        const StoredIncoming s = readRow(same);
        throw AppError(
            QStringLiteral("Diese Datei wurde bereits %1 eingelesen: Rechnung %2 von %3. Sie wird nicht "
                           "ein zweites Mal übernommen.")
                .arg(earlierImport(s), s.number, s.seller));
    }
    if (inv.number.isEmpty()) return;
    // The same invoice in another file (the PDF and its XML, say) would be paid twice.
    TVexDaoTable number(nullptr, QStringLiteral("eingang"));
    open(number, db,
         QStringLiteral(
             "select id, vorgangID, kdnr, Empfangen, Dateiname, SHA256, Format, Rechnungsnr, Verkaeufer, "
             "UStIdNr from Eingangsrechnung where Rechnungsnr = %1")
             .arg(Sql::quoteText(inv.number.left(200))));
    const QString vat = compactVatId(inv.seller.vatId);
    for (number.First(); !number.Eof(); number.Next()) {
        const bool sameSeller =
            vat.isEmpty()
                ? text(number, "Verkaeufer").compare(inv.seller.name.left(200), Qt::CaseInsensitive) == 0
                : text(number, "UStIdNr") == vat;
        if (!sameSeller || text(number, "Rechnungsnr") != inv.number.left(200)) continue;
        const StoredIncoming s = readRow(number);
        throw AppError(
            QStringLiteral("Die Rechnung %1 von %2 wurde bereits %3 eingelesen. Sie wird nicht ein "
                           "zweites Mal übernommen.")
                .arg(s.number, s.seller, earlierImport(s)));
    }
}

qint64 createSupplier(Tdataa &addresses, const IncomingInvoice &inv, QStringList *notes)
{
    const InvoiceParty &s = inv.seller;
    TVexDaoTable adr(nullptr, QStringLiteral("lieferant"));
    adr.setDatabase(&addresses.Datenbank);
    adr.SQL() << QStringLiteral("select * from Adress where KDNR = -1");
    // The address module's rules: the next customer number, the dates.
    adr.AfterInsert = [&](TVexDaoTable &ds) { addresses.AdressAfterInsert(ds); };
    adr.BeforePost = [&](TVexDaoTable &ds) { addresses.AdressBeforePost(ds); };
    adr.Open();
    adr.Insert();
    auto set = [&](const char *field, const QString &value) {
        if (TField *f = adr.FindField(QString::fromLatin1(field)); f && !value.isEmpty())
            f->SetAsString(value.left(f->Size() > 0 ? f->Size() : value.size()));
    };
    set("NAME1", addressNameOf(s.name));
    QStringList further;
    if (!s.tradingName.isEmpty() && s.tradingName != s.name) further << s.tradingName;
    for (const QString &l : {s.address.line2, s.address.line3})
        if (!l.isEmpty()) further << l;
    set("NAMEN", further.join(QLatin1Char('\n')));
    set("STRASSE", s.address.line1);
    set("PLZ", s.address.postCode);
    set("ORT", s.address.city);
    set("TELEFON1", s.contactPhone);
    const QString email = !s.contactEmail.isEmpty()                   ? s.contactEmail
                          : s.electronicScheme == QLatin1String("EM") ? s.electronicAddress
                                                                      : QString();
    set("EMAIL", email);
    // Columns a newer schema may have: the address's own VAT id and country,
    // each only as the address rules take it; a VAT id they refuse stays in
    // the remarks, and the import says so.
    const QString country = s.address.country.trimmed().toUpper();
    const bool abroad = country != QLatin1String("DE") && Tax::isCountryCode(country);
    if (abroad) set("LAND", country);
    QString vatProblem = Tax::checkVatId(s.vatId);
    if (vatProblem.isEmpty()) vatProblem = Tax::checkVatIdCountry(abroad ? country : QString(), s.vatId);
    if (vatProblem.isEmpty())
        set("USTID", s.vatId);
    else
        *notes << QStringLiteral("%1 Sie steht nur in der Bemerkung der neuen Adresse.").arg(vatProblem);
    QStringList remarks;
    if (!s.vatId.isEmpty()) remarks << QStringLiteral("USt-IdNr.: ") + s.vatId;
    if (!s.taxNumber.isEmpty()) remarks << QStringLiteral("Steuernummer: ") + s.taxNumber;
    for (const InvoicePaymentMeans &m : inv.paymentMeans)
        if (!m.accountId.isEmpty())
            remarks << QStringLiteral("Konto: %1%2")
                           .arg(m.accountId, m.bic.isEmpty() ? QString() : QStringLiteral(", BIC ") + m.bic);
    remarks << QStringLiteral("Angelegt beim Einlesen der E-Rechnung %1 vom %2.")
                   .arg(inv.number,
                        inv.issueDate.isValid() ? German::formatDate(inv.issueDate) : QStringLiteral("?"));
    set("BEMERKUNG", remarks.join(QLatin1Char('\n')));
    adr.FieldByName(QStringLiteral("Lieferant"))->SetAsBoolean(true);
    adr.FieldByName(QStringLiteral("kunde"))->SetAsBoolean(false);
    try {
        adr.Post();
    } catch (const AppError &e) {
        throw AppError(QStringLiteral("Der Lieferant „%1“ kann nicht als neue Adresse angelegt werden: %2")
                           .arg(addressNameOf(s.name), e.message()),
                       e.kind());
    }
    return adr.FieldByName(QStringLiteral("KDNR"))->AsInteger();
}

QString currencyOf(const QString &code)
{
    // The program writes the euro as its sign; other currencies keep their code.
    if (code.isEmpty() || code == QLatin1String("EUR")) return QStringLiteral("€");
    return code.left(3);
}

qint64 insertDocument(TVexDaoDatabase &db, const IncomingImport &r, const QString &notiz)
{
    const IncomingInvoice &inv = r.invoice;
    TVexDaoTable doc(nullptr, QStringLiteral("eingangsvorgang"));
    open(doc, db, QStringLiteral("select * from Vorgang1 where id = -1"));
    doc.Insert();
    // A credit note reduces what the firm owes: its amounts count negative.
    const double sign = inv.isCreditNote() ? -1.0 : 1.0;
    qint64 vat = inv.vatTotal.cents();
    if (inv.vatTotal.isNull())
        for (const InvoiceVatBreakdown &v : inv.vatBreakdown)
            vat += v.amount.cents();
    doc.FieldByName(QStringLiteral("typ"))->SetAsString(IncomingTypeLetter());
    doc.FieldByName(QStringLiteral("vorgangnr"))->SetAsString(inv.number.left(15));
    doc.FieldByName(QStringLiteral("kdnr"))->SetAsInteger(r.kdnr);
    if (inv.issueDate.isValid()) doc.FieldByName(QStringLiteral("datum"))->SetAsDate(inv.issueDate);
    if (inv.dueDate.isValid()) {
        doc.FieldByName(QStringLiteral("zieldatum"))->SetAsDate(inv.dueDate);
        if (inv.issueDate.isValid())
            doc.FieldByName(QStringLiteral("zieltage"))
                ->SetAsInteger(qBound(qint64(-32768), inv.issueDate.daysTo(inv.dueDate), qint64(32767)));
    }
    QStringList block = IncomingInvoice::partyLines(inv.seller).mid(0, 1) + inv.seller.address.lines();
    doc.FieldByName(QStringLiteral("anschrift"))->SetAsString(block.join(QLatin1Char('\n')));
    doc.FieldByName(QStringLiteral("Notiz"))->SetAsString(notiz);
    doc.FieldByName(QStringLiteral("ek"))->SetAsFloat(0);
    doc.FieldByName(QStringLiteral("vk"))->SetAsFloat(sign * double(inv.taxBasisTotal.cents()) / 100.0);
    if (TField *mwst = doc.FindField(QStringLiteral("mwst"))) mwst->SetAsFloat(sign * double(vat) / 100.0);
    doc.FieldByName(QStringLiteral("Waehrung"))->SetAsString(currencyOf(inv.currency));
    // What is open is what the invoice leaves to pay (BT-115), not its gross:
    // a part paid in advance is not paid twice.
    if (TField *due = doc.FindField(QStringLiteral("zahlbetrag")); due && !inv.duePayable.isNull())
        due->SetAsFloat(sign * double(inv.duePayable.cents()) / 100.0);
    // Nothing left to pay (all of it paid in advance): settled from the start.
    const bool settled = !inv.duePayable.isNull() && inv.duePayable.cents() == 0;
    for (const char *flag : {"bezahlt", "erledigt"})
        doc.FieldByName(QString::fromLatin1(flag))->SetAsBoolean(settled);
    for (const char *flag : {"gedruckt", "weiter", "storniert"})
        doc.FieldByName(QString::fromLatin1(flag))->SetAsBoolean(false);
    doc.Post();
    return doc.FieldByName(QStringLiteral("id"))->AsInteger();
}

QString findingLines(const QList<InvoiceFinding> &findings)
{
    QStringList lines;
    for (const InvoiceFinding &f : findings)
        lines << QStringLiteral("%1%2: %3")
                     .arg(f.term, f.rule.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(f.rule), f.text);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

SupplierMatch findSupplier(TVexDaoDatabase &db, const IncomingInvoice &inv)
{
    SupplierMatch m;
    const QString vat = compactVatId(inv.seller.vatId);
    auto nameOfAddress = [&](qint64 kdnr) {
        TVexDaoTable a(nullptr, QStringLiteral("adresse"));
        open(a, db, QStringLiteral("select NAME1 from Adress where KDNR = %1").arg(kdnr));
        return a.IsEmpty() ? QString() : text(a, "NAME1");
    };
    if (!vat.isEmpty()) {
        const TableSchema *adress = db.table(QStringLiteral("Adress"));
        if (adress && adress->column(QStringLiteral("USTID"))) {
            TVexDaoTable a(nullptr, QStringLiteral("adresse"));
            open(a, db,
                 QStringLiteral("select KDNR, NAME1, USTID from Adress where USTID <> '' order by KDNR"));
            for (a.First(); !a.Eof(); a.Next())
                if (compactVatId(text(a, "USTID")) == vat)
                    return {a.FieldByName(QStringLiteral("KDNR"))->AsInteger(), text(a, "NAME1"),
                            QStringLiteral("USt-IdNr.")};
        }
        TVexDaoTable earlier(nullptr, QStringLiteral("eingang"));
        open(earlier, db,
             QStringLiteral("select kdnr from Eingangsrechnung where UStIdNr = %1 order by id desc")
                 .arg(Sql::quoteText(vat)));
        for (earlier.First(); !earlier.Eof(); earlier.Next()) {
            const qint64 kdnr = earlier.FieldByName(QStringLiteral("kdnr"))->AsInteger();
            const QString name = nameOfAddress(kdnr);
            if (!name.isNull()) return {kdnr, name, QStringLiteral("USt-IdNr.")};
        }
    }
    const QString name = addressNameOf(inv.seller.name);
    if (name.isEmpty()) return m;
    TVexDaoTable byName(nullptr, QStringLiteral("adresse"));
    open(byName, db,
         QStringLiteral("select KDNR, NAME1, Lieferant from Adress where NAME1 = %1 order by KDNR")
             .arg(Sql::quoteText(name)));
    for (byName.First(); !byName.Eof(); byName.Next()) {
        const bool supplier = byName.FieldByName(QStringLiteral("Lieferant"))->AsBoolean();
        if (m.kdnr == 0 || supplier)
            m = {byName.FieldByName(QStringLiteral("KDNR"))->AsInteger(), text(byName, "NAME1"),
                 QStringLiteral("Name")};
        if (supplier) break;
    }
    return m;
}

IncomingImport import(Tdataa &addresses, const QByteArray &file, const QString &fileName,
                      const std::function<bool(const IncomingInvoice &)> &mayCreateSupplier,
                      const QDateTime &receivedAt)
{
    TVexDaoDatabase &db = addresses.Datenbank;
    IncomingImport r;
    r.invoice = IncomingInvoice::read(file, fileName);
    r.findings = CheckIncomingInvoice(r.invoice);
    const IncomingInvoice &inv = r.invoice;
    const QString shown = QFileInfo(fileName).fileName();
    if (inv.seller.name.isEmpty())
        throw AppError(
            QStringLiteral("Die Rechnung in %1 nennt keinen Verkäufer (BT-27); sie wird nicht übernommen, "
                           "denn ohne ihn lässt sie sich keinem Lieferanten zuordnen")
                .arg(shown));
    const QString sha = sha256Of(file);
    refuseDuplicate(db, sha, inv);
    SupplierMatch match = findSupplier(db, inv);
    if (match.kdnr == 0 && !mayCreateSupplier(inv)) return r;

    const QDateTime received = receivedAt.addMSecs(-receivedAt.time().msec());
    {
        TVexDaoDatabase::Transaction transaction(db);
        // Again under the write lock: another workstation may have taken in
        // the same invoice, or made its supplier, since the checks above
        // (and while the user was asked).
        refuseDuplicate(db, sha, inv);
        match = findSupplier(db, inv);
        if (match.kdnr != 0) {
            r.kdnr = match.kdnr;
            r.supplierName = match.name;
            r.supplierFoundBy = match.foundBy;
        } else {
            r.kdnr = createSupplier(addresses, inv, &r.notes);
            r.supplierName = addressNameOf(inv.seller.name);
            r.supplierCreated = true;
        }
        // A known supplier's invoice that asks for payment to another account
        // than the ones it is known to use: said first, and kept with it.
        const QStringList accounts = SupplierAccounts::accountsOf(inv);
        const QStringList known = r.supplierCreated ? QStringList() : SupplierAccounts::known(db, r.kdnr);
        r.accountChange = SupplierAccounts::changeText(known, accounts);
        if (!r.accountChange.isEmpty())
            r.findings.prepend(InvoiceFinding{QStringLiteral("BT-84"), QString(), r.accountChange});
        TVexDaoTable row(nullptr, QStringLiteral("eingang"));
        open(row, db, QStringLiteral("select * from Eingangsrechnung where id = -1"));
        row.Insert();
        row.FieldByName(QStringLiteral("kdnr"))->SetAsInteger(r.kdnr);
        row.FieldByName(QStringLiteral("Empfangen"))->SetAsDateTime(received);
        row.FieldByName(QStringLiteral("Dateiname"))->SetAsString(shown.left(255));
        row.FieldByName(QStringLiteral("SHA256"))->SetAsString(sha);
        row.FieldByName(QStringLiteral("Original"))->setValue(Value(file));
        row.FieldByName(QStringLiteral("Format"))->SetAsString(inv.formatName().left(60));
        row.FieldByName(QStringLiteral("Rechnungsnr"))->SetAsString(inv.number.left(200));
        row.FieldByName(QStringLiteral("Verkaeufer"))->SetAsString(inv.seller.name.left(200));
        row.FieldByName(QStringLiteral("UStIdNr"))->SetAsString(compactVatId(inv.seller.vatId).left(40));
        row.FieldByName(QStringLiteral("Befunde"))->SetAsString(findingLines(r.findings));
        for (const auto &[column, amount] :
             {std::pair("Vorausbezahlt", &inv.prepaid), std::pair("Zahlbetrag", &inv.duePayable)})
            if (TField *f = row.FindField(QString::fromLatin1(column)); f && !amount->isNull())
                f->SetAsFloat(double(amount->cents()) / 100.0);
        if (TField *f = row.FindField(QStringLiteral("Konten")))
            f->SetAsString(accounts.join(QLatin1Char(' ')).left(200));
        row.Post();
        r.id = row.FieldByName(QStringLiteral("id"))->AsInteger();
        // The first accounts a supplier names are its accounts from then on.
        if (known.isEmpty() && db.table(QStringLiteral("Lieferantenkonto")))
            SupplierAccounts::remember(db, r.kdnr, accounts,
                                       QStringLiteral("erste E-Rechnung (Eingang Nr. %1)").arg(r.id),
                                       received);

        QString notiz = QStringLiteral("%1 %2 von %3, eingelesen am %4 aus %5 (Eingang Nr. %6).")
                            .arg(IncomingInvoice::typeName(inv.typeCode), inv.number, inv.seller.name,
                                 when(received), shown)
                            .arg(r.id);
        if (!inv.duePayable.isNull())
            notiz += QStringLiteral(" Zahlbetrag: %1 %2.").arg(inv.duePayable.german(), inv.currency);
        if (!r.findings.isEmpty())
            notiz += QStringLiteral("\nBeanstandungen der Prüfung:\n") + findingLines(r.findings);
        r.vorgangId = insertDocument(db, r, notiz);
        row.Edit();
        row.FieldByName(QStringLiteral("vorgangID"))->SetAsInteger(r.vorgangId);
        row.Post();
        transaction.commit();
    }
    return r;
}

StoredIncoming stored(TVexDaoDatabase &db, qint64 id)
{
    TVexDaoTable t(nullptr, QStringLiteral("eingang"));
    open(t, db, QStringLiteral("select * from Eingangsrechnung where id = %1").arg(id));
    if (t.IsEmpty())
        throw AppError(QStringLiteral("Es gibt keine Eingangsrechnung mit der Nummer %1").arg(id));
    StoredIncoming s = readRow(t);
    if (sha256Of(s.original) != s.sha256)
        throw AppError(
            QStringLiteral("Das Original der Eingangsrechnung Nr. %1 (%2) stimmt nicht mehr mit der "
                           "Prüfsumme überein, mit der es am %3 eingelesen wurde; es ist außerhalb "
                           "des Programms verändert worden")
                .arg(s.id)
                .arg(s.fileName, when(s.received)));
    return s;
}

StoredIncoming storedOfVorgang(TVexDaoDatabase &db, qint64 vorgangId)
{
    TVexDaoTable t(nullptr, QStringLiteral("eingang"));
    open(t, db,
         QStringLiteral("select id from Eingangsrechnung where vorgangID = %1 order by id").arg(vorgangId));
    if (t.IsEmpty())
        throw AppError(
            QStringLiteral("Zum Vorgang mit der ID %1 gibt es keine eingelesene E-Rechnung").arg(vorgangId));
    return stored(db, t.FieldByName(QStringLiteral("id"))->AsInteger());
}

void writeOriginal(const StoredIncoming &s, const QString &path)
{
    SafeFile::write(path, s.original, SafeFile::Existing::Replace);
}

bool isIncomingDocument(TVexDaoDatabase &db, qint64 vorgangId)
{
    if (!db.table(kTable)) return false;
    TVexDaoTable t(nullptr, QStringLiteral("eingang"));
    open(t, db, QStringLiteral("select id from Eingangsrechnung where vorgangID = %1").arg(vorgangId));
    return !t.IsEmpty();
}

} // namespace IncomingStore

QString IncomingImport::summary() const
{
    if (id == 0) return QStringLiteral("Die Rechnung wurde nicht übernommen.");
    QString s;
    if (!accountChange.isEmpty()) s = QStringLiteral("ACHTUNG – %1\n\n").arg(accountChange);
    s += QStringLiteral("%1 %2 von %3 übernommen (Eingang Nr. %4).")
             .arg(IncomingInvoice::typeName(invoice.typeCode), invoice.number, invoice.seller.name)
             .arg(id);
    if (supplierCreated)
        s += QStringLiteral("\nLieferant neu angelegt: %1 (Kd-Nr %2).").arg(supplierName).arg(kdnr);
    else
        s += QStringLiteral("\nLieferant: %1 (Kd-Nr %2, gefunden über %3).")
                 .arg(supplierName)
                 .arg(kdnr)
                 .arg(supplierFoundBy);
    for (const QString &note : notes)
        s += QLatin1Char('\n') + note;
    if (findings.isEmpty())
        s += QStringLiteral("\nPrüfung: Rechenwerk und Pflichtangaben ohne Beanstandung.");
    else
        s += QStringLiteral("\nPrüfung: %1 Beanstandung%2 (siehe Anzeige der Rechnung).")
                 .arg(findings.size())
                 .arg(findings.size() == 1 ? QString() : QStringLiteral("en"));
    return s;
}
