// SPDX-License-Identifier: GPL-3.0-or-later
#include "periodicinvoicing.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "data/dates.h"
#include "data/tdata.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "documents/core/tfumw.h"

#include <QScopeGuard>
#include <cmath>

bool IsPeriodLetter(const QString &letter)
{
    return letter == QLatin1String("M") || letter == QLatin1String("Q") || letter == QLatin1String("H") ||
           letter == QLatin1String("J");
}

QString PeriodWord(const QString &letter)
{
    if (letter == QLatin1String("M")) return QStringLiteral("Monats");
    if (letter == QLatin1String("Q")) return QStringLiteral("Quartals");
    if (letter == QLatin1String("H")) return QStringLiteral("Halbjahres");
    if (letter == QLatin1String("J")) return QStringLiteral("Jahres");
    return QString();
}

QString ContractText(const TVexDaoTable &vorganglist)
{
    auto text = [&](const char *name) {
        const TField *f = vorganglist.FindField(QString::fromLatin1(name));
        return f ? f->AsString().trimmed() : QString();
    };
    const QString kunde = text("Kunde");
    const QString name = kunde.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(kunde);
    return QStringLiteral("Vertrag %1 des Kunden %2%3").arg(text("vorgangnr"), text("kdnr"), name);
}

BillingPeriod BillingPeriodOf(const QString &letter, const QDate &day)
{
    const int months = letter == QLatin1String("M")   ? 1
                       : letter == QLatin1String("Q") ? 3
                       : letter == QLatin1String("H") ? 6
                                                      : 12;
    const QDate from(day.year(), (day.month() - 1) / months * months + 1, 1);
    return {from, from.addMonths(months).addDays(-1)};
}

QString ContractFilter(const QString &letter, const QString &table)
{
    const QString of = table.isEmpty() ? QString() : table + QLatin1Char('.');
    return QStringLiteral("%1Typ = 'V' and %1VertragT = %2").arg(of, Sql::quoteText(letter));
}

QString PeriodText(const QString &letter, const BillingPeriod &period)
{
    const int year = period.from.year();
    QString name;
    if (letter == QLatin1String("M"))
        name = MonthYearText(period.from);
    else if (letter == QLatin1String("Q"))
        name = QStringLiteral("%1. Quartal %2").arg((period.from.month() - 1) / 3 + 1).arg(year);
    else if (letter == QLatin1String("H"))
        name = QStringLiteral("%1. Halbjahr %2").arg(period.from.month() < 7 ? 1 : 2).arg(year);
    else
        name = QStringLiteral("Jahr %1").arg(year);
    return QStringLiteral("%1 (%2 – %3)")
        .arg(name, German::formatDate(period.from), German::formatDate(period.to));
}

namespace {

struct Billed
{
    qint64 id = 0, kdnr = 0, bezug = 0;
    double vk = 0;
};

std::vector<Billed> readBilled(TVexDaoDatabase &db, const QString &select)
{
    TVexDaoTable q(nullptr, QStringLiteral("abgerechnet"));
    q.setDatabase(&db);
    q.SQL() << select;
    q.Open();
    std::vector<Billed> rows;
    TField *id = q.FieldByName(QStringLiteral("id"));
    TField *kdnr = q.FieldByName(QStringLiteral("kdnr"));
    TField *vk = q.FieldByName(QStringLiteral("vk"));
    TField *bezug = q.FindField(QStringLiteral("bezug"));
    for (q.First(); !q.Eof(); q.Next())
        rows.push_back(
            {id->AsInteger(), qRound64(kdnr->AsFloat()), bezug ? bezug->AsInteger() : 0, vk->AsFloat()});
    return rows;
}

} // namespace

QSet<qint64> InvoicedContracts(TVexDaoDatabase &db, const QString &letter, const BillingPeriod &period)
{
    QSet<qint64> invoiced;
    // A file of an older version that could not be upgraded knows no periods.
    const TableSchema *documents = db.table(QStringLiteral("Vorgang1"));
    if (!documents || !documents->column(QStringLiteral("bezug"))) return invoiced;
    const std::vector<Billed> invoices = readBilled(
        db, QStringLiteral("select id, kdnr, vk, bezug from Vorgang1 where typ = 'R' and leistungsdatum = %1 "
                           "and leistungbis = %2")
                .arg(DateToSqlLiteral(period.from), DateToSqlLiteral(period.to)));
    if (invoices.empty()) return invoiced;
    QSet<qint64> referred;
    std::vector<const Billed *> unreferenced;
    for (const Billed &b : invoices) {
        if (b.bezug > 0)
            referred.insert(b.bezug);
        else
            unreferenced.push_back(&b);
    }
    const std::vector<Billed> contracts = readBilled(
        db, QStringLiteral("select id, kdnr, vk from Vorgang1 where %1").arg(ContractFilter(letter)));
    for (const Billed &c : contracts)
        if (referred.contains(c.id)) invoiced.insert(c.id);
    // Invoices of the version before carry no reference to their contract:
    // one for the same customer, period and net stands for that contract.
    for (const Billed &c : contracts) {
        if (invoiced.contains(c.id)) continue;
        for (const Billed *&b : unreferenced)
            if (b && b->kdnr == c.kdnr && std::abs(b->vk - c.vk) < 0.005) {
                invoiced.insert(c.id);
                b = nullptr;
                break;
            }
    }
    return invoiced;
}

PeriodicRunResult CreatePeriodicInvoicesRun(TVexDaoTable &vorganglist, TFumw &umw, const QString &letter,
                                            bool restoreList, const std::function<void(int, int)> &progress)
{
    PeriodicRunResult result;
    if (!IsPeriodLetter(letter))
        throw AppError(QStringLiteral("'%1' ist keine Vertragsperiode (M, Q, H oder J)").arg(letter));
    TVexDaoTable &vorgang = Data->vorgang;
    const QString today = German::formatDate(Today());
    const BillingPeriod period = BillingPeriodOf(letter, Today());

    vorganglist.DisableControls();
    // One write transaction for the run, one savepoint per invoice: an error
    // undoes only the invoice it struck, and the file is written once.
    TVexDaoDatabase *db = vorgang.Database();
    db->StartTransaction();
    try {
        vorganglist.setFilter(ContractFilter(letter));
        vorganglist.setFiltered(true);
        // The contracts in the order of the list, with the text an error names each by.
        std::vector<std::pair<qint64, QString>> contracts;
        TField *id = vorganglist.FieldByName(QStringLiteral("id"));
        for (vorganglist.First(); !vorganglist.Eof() && !vorganglist.IsEmpty(); vorganglist.Next())
            contracts.emplace_back(id->AsInteger(), ContractText(vorganglist));
        // The contracts with their positions are read once, and each number
        // follows the last: under the run's lock both stay as they are.
        TData::NumberingRun numbering(*Data);
        const QString sources = ContractFilter(letter, QStringLiteral("vorgang1"));
        // What is to be made is decided under the lock, from what is stored:
        // a contract invoiced for the period (by an earlier run, another
        // workstation, or this run before its connection broke) is passed over.
        std::vector<size_t> todo;
        auto plan = [&] {
            const QSet<qint64> invoiced = InvoicedContracts(*db, letter, period);
            todo.clear();
            result.passedOver.clear();
            for (size_t i = 0; i < contracts.size(); ++i) {
                if (invoiced.contains(contracts[i].first))
                    result.passedOver << contracts[i].second;
                else
                    todo.push_back(i);
            }
            umw.ReadSources(sources);
        };
        plan();
        int done = 0;
        const int total = int(todo.size());
        // With the ids of the new rows known ahead, a server gets many
        // invoices in one round trip.
        vorgang.ReserveCounters(total);
        Data->vorgangdata.ReserveCounters(umw.SourcePositions());
        auto forget = qScopeGuard([&] {
            umw.ForgetSources();
            umw.SetBatched(false);
            vorgang.ForgetReservedCounters();
            Data->vorgangdata.ForgetReservedCounters();
        });
        // Progress counts what is stored.
        auto report = [&](int upTo) {
            while (progress && done < upTo)
                progress(++done, total);
        };
        auto copy = [&](size_t k, bool stored) {
            const auto &[contract, text] = contracts[todo[k]];
            try {
                if (umw.CopyVorgangFrom(contract, QStringLiteral("R"), today, result.last, period.from,
                                        period.to)) {
                    ++result.count;
                    if (result.first.isEmpty()) result.first = result.last;
                }
            } catch (const AppError &e) {
                throw AppError(text + QStringLiteral(": ") + e.message(), e.kind());
            }
            if (stored) report(int(k) + 1);
        };
        bool made = false;
        if (vorgang.HasReservedCounters()) {
            // A server gets fifty invoices a round trip, each group while the
            // next is made. Should it refuse anything, the run is undone and
            // made again one invoice at a time, so that the error strikes
            // its own invoice and every invoice before it stays.
            const PeriodicRunResult before = result;
            umw.SetBatched(true);
            try {
                constexpr size_t kGroup = 50;
                for (size_t from = 0; from < todo.size(); from += kGroup) {
                    for (size_t k = from; k < std::min(todo.size(), from + kGroup); ++k)
                        copy(k, false);
                    db->SendAhead(); // the group before is stored once this returns
                    report(int(from));
                }
                db->Flush();
                report(total);
                made = true;
            } catch (const AppError &e) {
                vorgang.ForgetReservedCounters();
                Data->vorgangdata.ForgetReservedCounters();
                db->Rollback();
                Data->ForgetNumbers();
                result = before;
                // Nothing of the first pass is stored. After a lost connection
                // other workstations may have invoiced meanwhile: what is left
                // to do is read again under the new connection's lock.
                result.repeated = e.kind() == AppError::Kind::ConnectionLost;
                db->StartTransaction();
                plan();
            }
            umw.SetBatched(false);
        }
        for (size_t k = 0; !made && k < todo.size(); ++k)
            copy(k, true);
        report(total);
    } catch (const AppError &e) {
        result.error = e.message();
    }
    try {
        db->Commit();
    } catch (const AppError &e) {
        db->Rollback();
        const QStringList passedOver = result.passedOver;
        result = PeriodicRunResult();
        result.passedOver = passedOver;
        result.error = e.message();
    }
    // The list shows every document again, however the run ended.
    try {
        if (restoreList) {
            vorganglist.Close();
            vorganglist.setFilter(QString());
            vorganglist.setFiltered(false);
            vorganglist.Open();
        }
    } catch (const AppError &e) {
        if (result.error.isEmpty()) result.error = e.message();
    }
    vorganglist.EnableControls();
    return result;
}
