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
        const int total = int(contracts.size());
        int done = 0;
        // The contracts with their positions are read once, and each number
        // follows the last: under the run's lock both stay as they are.
        TData::NumberingRun numbering(*Data);
        const QString sources = ContractFilter(letter, QStringLiteral("vorgang1"));
        umw.ReadSources(sources);
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
        auto copy = [&](size_t i, bool stored) {
            try {
                if (umw.CopyVorgangFrom(contracts[i].first, QStringLiteral("R"), today, result.last,
                                        period.from, period.to)) {
                    ++result.count;
                    if (result.first.isEmpty()) result.first = result.last;
                }
            } catch (const AppError &e) {
                throw AppError(contracts[i].second + QStringLiteral(": ") + e.message());
            }
            if (stored) report(int(i) + 1);
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
                for (size_t from = 0; from < contracts.size(); from += kGroup) {
                    for (size_t i = from; i < std::min(contracts.size(), from + kGroup); ++i)
                        copy(i, false);
                    db->SendAhead(); // the group before is stored once this returns
                    report(int(from));
                }
                db->Flush();
                report(total);
                made = true;
            } catch (const AppError &) {
                vorgang.ForgetReservedCounters();
                Data->vorgangdata.ForgetReservedCounters();
                db->Rollback();
                Data->ForgetNumbers();
                result = before;
                db->StartTransaction();
                umw.ReadSources(sources);
            }
            umw.SetBatched(false);
        }
        for (size_t i = 0; !made && i < contracts.size(); ++i)
            copy(i, true);
    } catch (const AppError &e) {
        result.error = e.message();
    }
    try {
        db->Commit();
    } catch (const AppError &e) {
        db->Rollback();
        result = PeriodicRunResult();
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
