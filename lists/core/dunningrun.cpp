// SPDX-License-Identifier: GPL-3.0-or-later
#include "dunningrun.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/numbering.h"
#include "data/tax.h"
#include "data/tdata.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

#include <QHash>
#include <algorithm>

using namespace Dunning;

namespace {

// What the positions of a reminder are, in their article column: the run
// finds the fees and the flat sum of earlier reminders by it.
const QString kInvoiceItem = QStringLiteral("Rechnung");
const QString kEarlierItem = QStringLiteral("Bisherige Kosten");
const QString kFeeItem = QStringLiteral("Mahngebühr");
const QString kFlatSumItem = QStringLiteral("Pauschale");
const QString kInterestItem = QStringLiteral("Verzugszinsen");

QString moneyText(qint64 amount, const QString &currency)
{
    return Money::format(amount, QStringLiteral("#,##0.00 ") + currency);
}

// Invoices due for their next step on the key date.
QString overdueCondition(const Settings &settings, const QDate &key)
{
    return QStringLiteral("Vorgang1.typ = 'R' and not Vorgang1.bezahlt and not Vorgang1.storniert and "
                          "Vorgang1.vk > 0 and Vorgang1.zieldatum < %1 and (Vorgang1.mahndatum is null or "
                          "Vorgang1.mahndatum <= %2)")
        .arg(DateToSqlLiteral(key.addDays(-settings.karenztage)),
             DateToSqlLiteral(key.addDays(-settings.abstand)));
}

QString text(const TVexDaoTable &ds, const char *name)
{
    return ds.FieldByName(QString::fromLatin1(name))->AsString();
}

// Fees and flat sums of the reminders made so far, per invoice.
struct Earlier
{
    qint64 charged = 0;
    bool flatSum = false;
};

QHash<qint64, Earlier> earlierCharges(TVexDaoDatabase &db)
{
    QHash<qint64, Earlier> result;
    TVexDaoTable q(nullptr, QStringLiteral("mahnkosten"));
    q.setDatabase(&db);
    q.SQL() << QStringLiteral(
                   "select Vorgang1.bezug, Vorgang2.Artikel, Vorgang2.anzahl, Vorgang2.Preis from Vorgang2 "
                   "inner join Vorgang1 on Vorgang2.vorgangID = Vorgang1.id where Vorgang1.typ = 'M' and "
                   "not Vorgang1.storniert and Vorgang1.bezug > 0 and (Vorgang2.Artikel = %1 or "
                   "Vorgang2.Artikel = %2)")
                   .arg(Sql::quoteText(kFeeItem), Sql::quoteText(kFlatSumItem));
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        Earlier &e = result[q.FieldByName(QStringLiteral("bezug"))->AsInteger()];
        e.charged += Tax::Totals::lineAmount(q.FieldByName(QStringLiteral("anzahl"))->AsFloat(),
                                             q.FieldByName(QStringLiteral("Preis"))->AsFloat(), true);
        if (text(q, "Artikel") == kFlatSumItem) e.flatSum = true;
    }
    return result;
}

void setUpCandidates(TVexDaoTable &q, const Settings &settings, const QDate &key)
{
    q.SQL() << QStringLiteral(
                   "select Vorgang1.id, Vorgang1.vorgangnr, Vorgang1.kdnr, Vorgang1.datum, "
                   "Vorgang1.zieldatum, Vorgang1.vk, Vorgang1.mwst, Vorgang1.Waehrung, Vorgang1.anschrift, "
                   "Vorgang1.mahnstufe, Vorgang1.mahndatum, Vorgang1.bezahlt, Vorgang1.storniert, "
                   "Adress.NAME1, Adress.Anrede, Adress.VERBRAUCHER from Vorgang1 inner join Adress on "
                   "Vorgang1.kdnr = "
                   "Adress.KDNR")
            << QStringLiteral("where ") + overdueCondition(settings, key)
            << QStringLiteral("order by Vorgang1.zieldatum, Vorgang1.id");
}

DunningCandidate candidateOf(const TVexDaoTable &q)
{
    DunningCandidate c;
    c.invoiceId = q.FieldByName(QStringLiteral("id"))->AsInteger();
    c.number = text(q, "vorgangnr");
    c.kdnr = qint64(q.FieldByName(QStringLiteral("kdnr"))->AsFloat());
    c.customer = text(q, "NAME1");
    c.salutation = text(q, "Anrede");
    c.date = q.FieldByName(QStringLiteral("datum"))->AsDate();
    c.due = q.FieldByName(QStringLiteral("zieldatum"))->AsDate();
    const TField *last = q.FieldByName(QStringLiteral("mahndatum"));
    if (!last->IsNull()) c.lastReminder = last->AsDate();
    const TField *level = q.FieldByName(QStringLiteral("mahnstufe"));
    c.level = level->IsNull() ? 0 : int(std::clamp<qint64>(level->AsInteger(), 0, kLastLevel));
    c.open = Tax::grossOf(q);
    c.currency = text(q, "Waehrung");
    c.consumer = q.FieldByName(QStringLiteral("VERBRAUCHER"))->AsBoolean();
    return c;
}

} // namespace

QString DunningCandidate::nextStep() const
{
    return nextLevel() ? LevelTitle(nextLevel()) : FinalStepText();
}

QString DunningCandidate::barredText() const
{
    return barred() ? QStringLiteral("verjährt seit %1").arg(German::formatDate(barredSince)) : QString();
}

QString PassedOverText(const DunningRunResult &r)
{
    if (r.passedOver.isEmpty()) return QString();
    return QStringLiteral("%1 %2 übergangen:\n%3")
        .arg(r.passedOver.size())
        .arg(r.passedOver.size() == 1 ? QStringLiteral("Rechnung") : QStringLiteral("Rechnungen"),
             r.passedOver.join(QLatin1Char('\n')));
}

QString OverdueFilter(const Settings &settings, const QDate &key)
{
    return overdueCondition(settings, key);
}

DunningList OverdueInvoices(TVexDaoDatabase &db, const Settings &settings, const QDate &key)
{
    DunningList list;
    list.key = key;
    TVexDaoTable q(nullptr, QStringLiteral("ueberfaellig"));
    q.setDatabase(&db);
    setUpCandidates(q, settings, key);
    q.Open();
    const QHash<qint64, Earlier> earlier = q.IsEmpty() ? QHash<qint64, Earlier>() : earlierCharges(db);
    bool beyondKnownRates = false;
    for (q.First(); !q.Eof(); q.Next()) {
        DunningCandidate c = candidateOf(q);
        if (c.open <= 0) continue;
        if (c.nextLevel()) {
            const Earlier e = earlier.value(c.invoiceId);
            try {
                c.charges = ChargesOf(settings, c.nextLevel(), c.consumer, e.flatSum, e.charged, c.open,
                                      c.due, key, c.currency, c.date.isValid() ? c.date : c.due);
            } catch (const AppError &error) {
                // One invoice the figures cannot be made for must not hold
                // back the reminders of all the others.
                list.refused << QStringLiteral("Rechnung %1 (%2, fällig am %3): %4; sie wird nicht gemahnt.")
                                    .arg(c.number, c.customer, German::formatDate(c.due), error.message());
                continue;
            }
            const QDate barred = TimeBarredFrom(c.due);
            if (barred.isValid() && key >= barred) c.barredSince = barred;
            beyondKnownRates =
                beyondKnownRates || (c.charges.interest.amount && key > settings.baseRates.knownUntil());
        }
        list.items.append(c);
    }
    // Time-barred claims apart, after the others.
    std::stable_partition(list.items.begin(), list.items.end(),
                          [](const DunningCandidate &c) { return !c.barred(); });
    if (beyondKnownRates)
        list.warnings << QStringLiteral(
                             "Der Basiszinssatz ist nur bis %1 eingetragen; für die Tage danach gilt "
                             "der zuletzt bekannte Satz. Neue Sätze gehören in tavirel.ini, Abschnitt "
                             "[Mahnwesen], Eintrag Basiszins.")
                             .arg(German::formatDate(settings.baseRates.knownUntil()));
    return list;
}

namespace {

// The datasets one reminder is written through, and the numbering of the run.
class ReminderWriter
{
  public:
    ReminderWriter(TVexDaoDatabase &db, const Settings &settings, const QDate &key)
        : m_settings(settings), m_key(key)
    {
        for (TVexDaoTable *t : {&m_doc, &m_pos}) {
            t->setDatabase(&db);
            t->SQL() << QStringLiteral("select * from %1 where id = 0")
                            .arg(t == &m_doc ? QStringLiteral("Vorgang1") : QStringLiteral("Vorgang2"));
            t->Open();
        }
        // Read under the run's write lock: no other program numbers a
        // reminder meanwhile.
        m_highest = Numbering::highestDocumentNumber(db, QStringLiteral("M"));
        for (int level = 1; level <= kLastLevel; ++level)
            m_texts[level - 1] = LevelText(level, &m_warnings);
    }
    const QStringList &warnings() const { return m_warnings; }

    MadeReminder write(const DunningCandidate &c, const QString &address)
    {
        const int level = c.nextLevel();
        const QString number = nextNumber();
        const Charges &ch = c.charges;
        const QDate payUntil = m_key.addDays(m_settings.abstand);
        auto doc = [this](const char *name) { return m_doc.FieldByName(QString::fromLatin1(name)); };
        m_doc.Insert();
        doc("typ")->SetAsString(QStringLiteral("M"));
        doc("vorgangnr")->SetAsString(number);
        doc("kdnr")->SetAsInteger(c.kdnr);
        doc("datum")->SetAsDate(m_key);
        doc("zieltage")->SetAsInteger(m_settings.abstand);
        doc("zieldatum")->SetAsDate(payUntil);
        doc("anschrift")->SetAsString(address);
        doc("Kopftext")
            ->SetAsString(
                FillText(m_texts[level - 1],
                         {c.number, c.date, c.due, moneyText(c.open, c.currency), payUntil, c.salutation}));
        doc("Notiz")->SetAsString(QStringLiteral("%1 zur Rechnung %2").arg(LevelTitle(level), c.number));
        doc("Waehrung")->SetAsString(c.currency);
        doc("ek")->SetAsFloat(0);
        doc("vk")->SetAsFloat(double(Money::toAmount(c.total())));
        doc("mwst")->SetAsFloat(0);
        doc("Steuerfall")->SetAsString(Tax::caseCode(Tax::Case::Normal));
        doc("Rundung")->SetAsInteger(1);
        doc("bezug")->SetAsInteger(c.invoiceId);
        doc("mahnstufe")->SetAsInteger(level);
        m_doc.Post();
        const qint64 id = doc("id")->AsInteger();

        m_posNr = 0;
        addPosition(id, kInvoiceItem,
                    QStringLiteral("Rechnung %1 vom %2").arg(c.number, German::formatDate(c.date)),
                    QStringLiteral("fällig am %1").arg(German::formatDate(c.due)), c.open);
        if (ch.earlier)
            addPosition(id, kEarlierItem, QStringLiteral("Kosten der bisherigen Mahnungen"), QString(),
                        ch.earlier);
        if (ch.fee) addPosition(id, kFeeItem, QStringLiteral("Mahngebühr"), QString(), ch.fee);
        if (ch.flatSum)
            addPosition(id, kFlatSumItem, QStringLiteral("Verzugspauschale (§ 288 Abs. 5 BGB)"), QString(),
                        ch.flatSum);
        if (ch.interest.amount) {
            QStringList lines;
            for (const InterestPart &p : ch.interest.parts)
                lines << InterestPartText(p, ch.points, c.open, c.currency);
            addPosition(id, kInterestItem, QStringLiteral("Verzugszinsen (§ 288 BGB)"),
                        lines.join(QLatin1Char('\n')), ch.interest.amount);
        }
        return {id, number, c.number, level, c.total(), c.currency};
    }

  private:
    QString nextNumber()
    {
        const QString n = m_highest > 0 ? Numbering::numberAfter(m_highest, 15)
                                        : Numbering::startNumber(QStringLiteral("M"));
        if (n.isEmpty() || n.size() > 15)
            throw AppError(
                QStringLiteral(
                    "Für Mahnungen ist keine weitere Nummer frei: die nächste Nummer nach %1 passt "
                    "nicht in das Nummernfeld (15 Zeichen)")
                    .arg(QString::number(m_highest, 'f', 0)));
        m_highest = n.toDouble();
        return n;
    }
    void addPosition(qint64 docId, const QString &item, const QString &title, const QString &description,
                     qint64 amount)
    {
        auto pos = [this](const char *name) { return m_pos.FieldByName(QString::fromLatin1(name)); };
        m_pos.Insert();
        pos("vorgangID")->SetAsInteger(docId);
        pos("Pos")->SetAsInteger(++m_posNr);
        pos("Artikel")->SetAsString(item);
        pos("Titel")->SetAsString(title);
        // The print shows the description: the title leads it.
        pos("Bezeichnung")
            ->SetAsString(description.isEmpty() ? title : title + QLatin1Char('\n') + description);
        pos("anzahl")->SetAsFloat(1);
        pos("Preis")->SetAsFloat(double(Money::toAmount(amount)));
        pos("EK")->SetAsFloat(0);
        // Damages and the claim itself are no supply: no VAT.
        pos("MwstSatz")->SetAsFloat(0);
        pos("MwstKat")->SetAsString(QStringLiteral("O"));
        m_pos.Post();
    }

    const Settings &m_settings;
    QDate m_key;
    TVexDaoTable m_doc{nullptr, QStringLiteral("mahnung")};
    TVexDaoTable m_pos{nullptr, QStringLiteral("mahnpositionen")};
    double m_highest = 0; // the last number given, 0 before the first
    int m_posNr = 0;
    QString m_texts[kLastLevel];
    QStringList m_warnings;
};

// The invoice was paid, cancelled or reminded since it was listed.
struct NoLongerDue
{
    QString why;
};

// Why an invoice listed for the run is no longer among the overdue ones.
QString whyNoLongerDue(TVexDaoDatabase &db, const DunningCandidate &c)
{
    TVexDaoTable q(nullptr, QStringLiteral("nichtmehrfaellig"));
    q.setDatabase(&db);
    q.SQL() << QStringLiteral("select bezahlt, storniert, mahnstufe, vk from Vorgang1 where id = %1")
                   .arg(c.invoiceId);
    q.Open();
    if (q.IsEmpty()) return QStringLiteral("inzwischen gelöscht");
    if (q.FieldByName(QStringLiteral("bezahlt"))->AsBoolean()) return QStringLiteral("inzwischen bezahlt");
    if (q.FieldByName(QStringLiteral("storniert"))->AsBoolean())
        return QStringLiteral("inzwischen storniert");
    const TField *level = q.FieldByName(QStringLiteral("mahnstufe"));
    if ((level->IsNull() ? 0 : level->AsInteger()) != c.level)
        return QStringLiteral("inzwischen an einem anderen Arbeitsplatz gemahnt");
    return QStringLiteral("inzwischen geändert");
}

} // namespace

DunningRunResult CreateReminders(TVexDaoDatabase &db, const Settings &settings, const DunningList &list,
                                 const QSet<qint64> &leftOut, const std::function<void(int, int)> &progress,
                                 const QSet<qint64> &barredConfirmed)
{
    DunningRunResult result;
    result.warnings = list.warnings + list.refused;
    QHash<qint64, const DunningCandidate *> listed;
    for (const DunningCandidate &c : list.items) {
        if (!c.nextLevel() || leftOut.contains(c.invoiceId)) continue;
        if (c.barred() && !barredConfirmed.contains(c.invoiceId)) {
            result.passedOver << QStringLiteral("Rechnung %1 (%2): %3; ohne Bestätigung keine Mahnung")
                                     .arg(c.number, c.customer, c.barredText());
            continue;
        }
        listed.insert(c.invoiceId, &c);
    }
    if (listed.isEmpty()) return result;

    // One write transaction for the run, one savepoint per reminder: an error
    // undoes only the reminder it struck, and the file is written once.
    db.StartTransaction();
    try {
        ReminderWriter writer(db, settings, list.key);
        result.warnings << writer.warnings();
        // The invoices as stored now, in the listed order; each is checked
        // again when its reminder is made.
        TVexDaoTable invoices(nullptr, QStringLiteral("rechnungen"));
        invoices.setDatabase(&db);
        setUpCandidates(invoices, settings, list.key);
        invoices.Open();
        QHash<qint64, int> rowOf;
        for (invoices.First(); !invoices.Eof(); invoices.Next())
            rowOf.insert(invoices.FieldByName(QStringLiteral("id"))->AsInteger(), invoices.RecNo());
        int done = 0;
        for (const DunningCandidate &c : list.items) {
            if (!listed.contains(c.invoiceId)) continue;
            try {
                TVexDaoDatabase::WriteScope scope(db);
                const int row = rowOf.value(c.invoiceId, -1);
                if (row < 0) throw NoLongerDue{whyNoLongerDue(db, c)};
                invoices.MoveTo(row);
                invoices.Edit();
                const DunningCandidate now = candidateOf(invoices);
                if (invoices.FieldByName(QStringLiteral("bezahlt"))->AsBoolean())
                    throw NoLongerDue{QStringLiteral("inzwischen bezahlt")};
                if (invoices.FieldByName(QStringLiteral("storniert"))->AsBoolean())
                    throw NoLongerDue{QStringLiteral("inzwischen storniert")};
                if (now.level != c.level)
                    throw NoLongerDue{QStringLiteral("inzwischen an einem anderen Arbeitsplatz gemahnt")};
                if (now.open != c.open) throw NoLongerDue{QStringLiteral("Betrag inzwischen geändert")};
                const MadeReminder made = writer.write(c, text(invoices, "anschrift"));
                invoices.FieldByName(QStringLiteral("mahnstufe"))->SetAsInteger(made.level);
                invoices.FieldByName(QStringLiteral("mahndatum"))->SetAsDate(list.key);
                invoices.Post();
                scope.commit();
                result.made.append(made);
            } catch (const NoLongerDue &gone) {
                if (invoices.State() == DataSetState::Edit) invoices.Cancel();
                ++result.skipped;
                result.passedOver
                    << QStringLiteral("Rechnung %1 (%2): %3").arg(c.number, c.customer, gone.why);
            } catch (const AppError &e) {
                if (invoices.State() == DataSetState::Edit) invoices.Cancel();
                throw AppError(QStringLiteral("Rechnung %1 (%2): %3").arg(c.number, c.customer, e.message()));
            }
            if (progress) progress(++done, int(listed.size()));
        }
    } catch (const AppError &e) {
        result.error = e.message();
    }
    try {
        db.Commit();
    } catch (const AppError &e) {
        db.Rollback();
        result.made.clear();
        result.error = e.message();
    }
    return result;
}
