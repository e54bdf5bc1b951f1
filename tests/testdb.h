// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh database made by the schema code, with a raw engine connection
// beside it for checking what really is stored. A file in a temporary folder;
// or, when the tests run against a server (TAVIREL_TEST_ENGINE=postgresql with
// TAVIREL_TEST_PG naming a throwaway cluster), a schema of its own on that
// server, dropped again at the end. The temporary folder is there either way,
// as the program folder of the test.
#include "data/engine.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class TestDb
{
  public:
    enum class Kind { Default, File, Server };
    explicit TestDb(bool demo = false, Kind kind = Kind::Default);
    ~TestDb();

    // The tests of this run go to the server.
    static bool onServer();
    // The server's location (a database of the throwaway cluster), or empty
    // when no cluster was started for the tests.
    static QString serverBase();

    // A file path, or the server location of this database.
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    QString schema() const { return m_schema; } // on a server
    bool isServer() const { return m_server; }
    Engine &raw(); // opened on first use

    // Runs SQL on the raw connection.
    void exec(const QString &sql);
    // First column of the first row, or a null value.
    Value scalar(const QString &sql);

  private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_schema;
    bool m_server = false;
    std::unique_ptr<Engine> m_raw;
};

// A test that needs a file (its path, its bytes, SQLite's own SQL) is left out
// of the run against the server.
#define SKIP_ON_SERVER(why)                                                                                  \
    if (TestDb::onServer()) GTEST_SKIP() << "nur mit einer Datei: " << why

// A test that needs the server is left out when no cluster was started.
#define NEEDS_SERVER()                                                                                       \
    if (TestDb::serverBase().isEmpty())                                                                      \
    GTEST_SKIP() << "kein PostgreSQL-Server für die Tests (TAVIREL_TEST_PG)"

#include <ostream>
// Readable QString and QStringList values in test failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(QStringLiteral("; ")).toStdString() << ']';
}
