// SPDX-License-Identifier: GPL-3.0-or-later
#include "articlechangeover.h"

#include "base/apperror.h"
#include "data/dates.h"
#include "data/engine.h"
#include "data/settings.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"

namespace {

const QString kSection = QStringLiteral("Euro");
const QString kKey = QStringLiteral("Artikel");

} // namespace

bool ArticleChangeover::EuroDone(const QString &iniPath)
{
    return IniFile(iniPath).readBool(kSection, kKey, false);
}

void ArticleChangeover::run(TVexDaoTable &artikel, const Progress &progress, const QString &assignments,
                            const QList<Value> &values, const std::function<void()> &beforeCommit)
{
    artikel.checkActive();
    TVexDaoDatabase *db = artikel.Database();
    if (!db) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    // A change the user left pending is his own save, not part of the run:
    // a failed run must not take it with it.
    artikel.CheckBrowseMode();

    int changed = 0;
    {
        // Undone, it re-reads the dataset: it shows the catalogue as stored.
        TVexDaoDatabase::Transaction transaction(*db);
        db->noteWrite(QStringLiteral("Artikel"));
        // One statement over the whole catalogue: saving 50,000 articles one
        // by one took six times as long. The rule an article's save applies
        // (the price date is today) is part of it.
        Engine &engine = db->engine();
        auto update =
            engine.prepare(QStringLiteral("UPDATE Artikel SET %1, Preisdatum = ?").arg(assignments));
        int index = 0;
        for (const Value &v : values)
            update->bind(++index, v);
        update->bind(++index, Value::fromDate(Today()));
        update->step();
        changed = engine.changes();
        if (beforeCommit) beforeCommit();
        transaction.commit();
    }
    artikel.Refresh();
    if (progress && changed > 0) progress(changed);
}

void ArticleChangeover::ConvertToEuro(TVexDaoTable &artikel, long double rate, const QString &iniPath,
                                      const Progress &progress)
{
    if (!(rate > 0)) throw AppError(QStringLiteral("Der Umrechnungskurs ist ungültig"));
    artikel.checkActive();
    IniFile settings(iniPath);
    const QString before = settings.readString(kSection, kKey);
    bool flagWritten = false;
    try {
        // An empty price counts as 0, as the article window shows it.
        const Value divisor{static_cast<double>(rate)};
        run(artikel, progress,
            QStringLiteral("Waehrung = ?, EK = COALESCE(EK, 0) / ?, VK = COALESCE(VK, 0) / ?"),
            {Value(QStringLiteral("€")), divisor, divisor}, [&] {
                settings.writeBool(kSection, kKey, true);
                flagWritten = true;
            });
    } catch (...) {
        // Only the commit can fail after the flag: the prices stay in DM, so
        // the flag must say so again.
        if (flagWritten) {
            try {
                if (before.isNull())
                    settings.writeBool(kSection, kKey, false);
                else
                    settings.writeString(kSection, kKey, before);
            } catch (const AppError &) {
                // The commit's error is the one the user must see.
            }
        }
        throw;
    }
}

void ArticleChangeover::LabelAllDM(TVexDaoTable &artikel, const Progress &progress)
{
    run(artikel, progress, QStringLiteral("Waehrung = ?"), {Value(QStringLiteral("DM"))}, {});
}
