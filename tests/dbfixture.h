// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A connection on a fresh test database, with helpers to make datasets.
#include "base/apperror.h"
#include "data/tvexdaodatabase.h"
#include "data/tvexdaotable.h"
#include "tests/testdb.h"

#include <gtest/gtest.h>
#include <memory>

// Another workstation on the same database: a connection of its own and one
// table there, filtered when a filter is given.
struct OtherWorkstation
{
    OtherWorkstation(const QString &location, const QString &table, const QString &filter = QString())
        : rows(nullptr, table)
    {
        db.setDatabase(location);
        db.Open();
        rows.setDatabase(&db);
        rows.setTableName(table);
        if (!filter.isEmpty()) {
            rows.setFilter(filter);
            rows.setFiltered(true);
        }
        rows.Open();
    }
    TVexDaoDatabase db;
    TVexDaoTable rows;
};

class DbFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>();
        conn = std::make_unique<TVexDaoDatabase>();
        conn->setDatabase(db->path());
        conn->Open();
    }
    void TearDown() override
    {
        datasets.clear();
        conn.reset();
        db.reset();
    }

    TVexDaoTable *table(const QString &name, const QString &dsName = QString())
    {
        auto t = std::make_unique<TVexDaoTable>(nullptr, dsName);
        t->setDatabase(conn.get());
        t->setTableName(name);
        datasets.push_back(std::move(t));
        return datasets.back().get();
    }
    TVexDaoTable *query(const QString &sql, const QString &dsName = QString())
    {
        auto t = std::make_unique<TVexDaoTable>(nullptr, dsName);
        t->setDatabase(conn.get());
        t->SQL() << sql;
        datasets.push_back(std::move(t));
        return datasets.back().get();
    }

    // The row in edit state with one field changed, as typing leaves it.
    static void change(TVexDaoTable &t, const char *field, const QString &text)
    {
        t.Edit();
        t.FieldByName(QString::fromUtf8(field))->SetAsString(text);
    }
    static void change(TVexDaoTable &t, const char *field, double number)
    {
        t.Edit();
        t.FieldByName(QString::fromUtf8(field))->SetAsFloat(number);
    }

    std::unique_ptr<TestDb> db;
    std::unique_ptr<TVexDaoDatabase> conn;
    std::vector<std::unique_ptr<TVexDaoTable>> datasets;
};

// The message of the AppError a statement throws, or "" when it throws none.
#define ERROR_OF(stmt)                                                                                       \
    [&]() -> QString {                                                                                       \
        try {                                                                                                \
            stmt;                                                                                            \
        } catch (const AppError &e) {                                                                        \
            return e.message();                                                                              \
        }                                                                                                    \
        return QString();                                                                                    \
    }()
