#pragma once
// The one-time changeover of the article catalogue from DM to euro, and the
// labelling of every article as DM, without their window. Each run goes over
// the article dataset record by record, saving each article as a move does,
// so that the article rules (the price date) apply; the whole run is one
// transaction, so the catalogue is never left half converted.
#include <QString>
#include <functional>

class TVexDaoTable;

class ArticleChangeover
{
  public:
    // Called with n (1-based) as the run takes up article n.
    using Progress = std::function<void(int n)>;

    // The changeover flag: settings section "Euro", key "Artikel".
    static bool EuroDone(const QString &iniPath);

    // Every article: currency "€", EK and VK divided by the rate (extended
    // precision, not rounded), saved. The flag is written before the
    // transaction is committed; any error (a save, the flag, the commit)
    // undoes the whole run, leaves the flag as it was and is thrown.
    static void ConvertToEuro(TVexDaoTable &artikel, long double rate, const QString &iniPath,
                              const Progress &progress = {});
    // Every article: currency "DM", saved; prices and flag untouched. All or
    // nothing like the conversion.
    static void LabelAllDM(TVexDaoTable &artikel, const Progress &progress = {});

  private:
    static void run(TVexDaoTable &artikel, const Progress &progress, const std::function<void()> &change,
                    const std::function<void()> &beforeCommit);
};
