#pragma once
// A fresh database file made by the schema code in a temporary folder, with a
// raw engine connection beside it for checking what really is stored.
#include "data/engine.h"

#include <QTemporaryDir>
#include <memory>

class TestDb
{
public:
    explicit TestDb(bool demo = false);
    ~TestDb();

    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    Engine &raw(); // opened on first use

    // Runs SQL on the raw connection.
    void exec(const QString &sql);
    // First column of the first row, or a null value.
    Value scalar(const QString &sql);

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Engine> m_raw;
};

#include <ostream>
// Readable QString values in test failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
