// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one-time changeover of the article catalogue from DM to euro, and the
// labelling of every article as DM, without their window. Each run changes
// the whole catalogue in one statement, with the rule an article's save
// applies (the price date), in one transaction, so the catalogue is never
// left half converted; the article dataset is read again afterwards.
#include "data/value.h"

#include <QList>
#include <QString>
#include <functional>

class TVexDaoTable;

class ArticleChangeover
{
  public:
    // Called with the number of articles changed once they are stored.
    using Progress = std::function<void(int n)>;

    // The changeover flag: settings section "Euro", key "Artikel".
    static bool EuroDone(const QString &iniPath);

    // Every article: currency "€", EK and VK divided by the rate (not
    // rounded), saved. The flag is written before the
    // transaction is committed; any error (a save, the flag, the commit)
    // undoes the whole run, leaves the flag as it was and is thrown.
    static void ConvertToEuro(TVexDaoTable &artikel, long double rate, const QString &iniPath,
                              const Progress &progress = {});
    // Every article: currency "DM", saved; prices and flag untouched. All or
    // nothing like the conversion.
    static void LabelAllDM(TVexDaoTable &artikel, const Progress &progress = {});

  private:
    // Sets the columns named in `assignments` ("Waehrung = ?, ...") with
    // `values` on every article, and the price date.
    static void run(TVexDaoTable &artikel, const Progress &progress, const QString &assignments,
                    const QList<Value> &values, const std::function<void()> &beforeCommit);
};
