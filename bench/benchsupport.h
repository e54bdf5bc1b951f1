// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What several benchmarks do alike: the raw baselines' reading of rows and
// the monthly run as the program starts it.
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaotable.h"
#include "documents/core/tfumw.h"
#include "lists/core/documentlistsql.h"
#include "lists/core/periodicinvoicing.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

// Steps through a prepared select, touching every column of every row as a
// program reading them would, then finalizes it; returns the row count.
inline int ReadEveryRow(sqlite3_stmt *st)
{
    int rows = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                benchmark::DoNotOptimize(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                benchmark::DoNotOptimize(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                benchmark::DoNotOptimize(sqlite3_column_bytes(st, c));
                break;
            default:
                break;
            }
        }
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

// The monthly invoices of every contract, with both data modules opened on
// the location as start-up opens them; returns how many invoices were made.
inline int RunMonthlyInvoices(const QString &location)
{
    Tdataa addresses;
    TData documents(&addresses.Datenbank);
    dataa = &addresses;
    Data = &documents;
    addresses.Datenbank.SmartOpen = false;
    addresses.DataModuleCreate(location);
    documents.DataCreate();
    TVexDaoTable list(nullptr, QStringLiteral("vorganglist"));
    list.setDatabase(&addresses.Datenbank);
    list.SQL() << DocumentListSql();
    list.setFilter(ContractFilter(QStringLiteral("M")));
    list.setFiltered(true);
    list.Open();
    TFumw umw(nullptr);
    return CreatePeriodicInvoicesRun(list, umw, QStringLiteral("M"), false).count;
}
