#include "articlechangeover.h"

#include "data/apperror.h"
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

void ArticleChangeover::run(TVexDaoTable &artikel, const Progress &progress,
                            const std::function<void()> &change, const std::function<void()> &beforeCommit)
{
    artikel.checkActive();
    TVexDaoDatabase *db = artikel.Database();
    if (!db) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    // A change the user left pending is his own save, not part of the run:
    // a failed run must not take it with it.
    artikel.CheckBrowseMode();

    db->StartTransaction();
    try {
        // Read once inside the transaction that keeps others from writing:
        // then no article needs reading again before it is changed.
        artikel.Refresh();
        artikel.First();
        int n = 0;
        while (!artikel.Eof()) {
            ++n;
            if (progress) progress(n);
            artikel.Edit();
            change();
            artikel.Next(); // saves this article
        }
        if (beforeCommit) beforeCommit();
        db->Commit();
    } catch (...) {
        // The article whose save failed is still being edited; it goes first,
        // so that nothing of the run stays pending (a failure on the first
        // article leaves nothing written that the rollback would re-read).
        if (artikel.Active()) artikel.Cancel();
        // Rolling back re-reads the dataset: it shows the catalogue as stored.
        db->Rollback();
        throw;
    }
}

void ArticleChangeover::ConvertToEuro(TVexDaoTable &artikel, long double rate, const QString &iniPath,
                                      const Progress &progress)
{
    if (!(rate > 0)) throw AppError(QStringLiteral("Der Umrechnungskurs ist ungültig"));
    artikel.checkActive();
    TField *waehrung = artikel.FieldByName(QStringLiteral("Waehrung"));
    TField *ek = artikel.FieldByName(QStringLiteral("EK"));
    TField *vk = artikel.FieldByName(QStringLiteral("VK"));
    const QString euro = QStringLiteral("€");

    IniFile settings(iniPath);
    const QString before = settings.readString(kSection, kKey);
    bool flagWritten = false;
    try {
        run(
            artikel, progress,
            [&] {
                waehrung->SetAsString(euro);
                ek->SetAsFloat(double(static_cast<long double>(ek->AsFloat()) / rate));
                vk->SetAsFloat(double(static_cast<long double>(vk->AsFloat()) / rate));
            },
            [&] {
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
    artikel.checkActive();
    TField *waehrung = artikel.FieldByName(QStringLiteral("Waehrung"));
    const QString dm = QStringLiteral("DM");
    run(artikel, progress, [&] { waehrung->SetAsString(dm); }, {});
}
