// SPDX-License-Identifier: GPL-3.0-or-later
#include "databasecopy.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/safefile.h"
#include "engine.h"
#include "filerights.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace DatabaseCopy {

namespace {

QString shown(const QString &location)
{
    return Engine::shownLocation(location);
}

std::unique_ptr<Engine> engineFor(const QString &location)
{
    auto engine = Engine::required(Engine::kindOf(location));
    return engine;
}

bool contains(const QStringList &names, const QString &name)
{
    for (const QString &n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

qint64 countRows(Engine &engine, const QString &table)
{
    auto st = engine.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(engine.quote(table)));
    return st->step() ? st->columnDynamic(0).rawInt() : 0;
}

qsizetype characters(const QString &text)
{
    qsizetype n = text.size();
    for (const QChar c : text)
        if (c.isLowSurrogate()) --n;
    return n;
}

QString shownValue(const Value &v)
{
    switch (v.kind()) {
    case Value::Text: {
        QString t = v.rawText().left(60);
        t.replace(QChar(0), QChar(0x2400)); // the visible picture of NUL
        return t;
    }
    case Value::Int:
    case Value::Bool:
        return QString::number(v.rawInt());
    case Value::Double:
        return German::formatFloat(v.rawDouble());
    case Value::DateTime:
        return German::isoOfStamp(v.stamp());
    case Value::Bytes:
        return QStringLiteral("(%1 Bytes)").arg(v.rawBytes().size());
    case Value::Null:
        break;
    }
    return QString();
}

// Why a stored value cannot arrive as it is (empty when it can): a file
// takes any value in any column, the target only those of the column's type.
// converted is the value as the column's type reads it.
QString unfit(const Value &raw, const Value &converted, const ColumnInfo &column)
{
    if (raw.isNull()) return QString();
    switch (column.type) {
    case FieldType::Date:
        return converted.isNull() ? QStringLiteral("ist kein gültiges Datum") : QString();
    case FieldType::Number:
    case FieldType::Integer:
    case FieldType::Short:
    case FieldType::Counter:
        if (converted.isNull()) return QStringLiteral("ist keine Zahl");
        if (column.type != FieldType::Number && raw.kind() == Value::Double &&
            raw.rawDouble() != std::trunc(raw.rawDouble()))
            return QStringLiteral("ist keine ganze Zahl");
        return QString();
    case FieldType::Bool:
        if (double d = 0; raw.kind() == Value::Text && !German::parseFloat(raw.rawText(), &d))
            return QStringLiteral("ist kein Ja/Nein-Wert");
        return QString();
    case FieldType::Text:
    case FieldType::Memo:
        if (Engine::holdsNul(converted)) return QStringLiteral("enthält ein Nullzeichen (Zeichencode 0)");
        if (column.type == FieldType::Text && column.size > 0 && converted.kind() == Value::Text &&
            characters(converted.rawText()) > column.size)
            return QStringLiteral("ist länger als die %1 Zeichen der Spalte").arg(column.size);
        return QString();
    case FieldType::Blob: // bytes arrive as they are, whatever the engine
        return QString();
    }
    return QString();
}

// Rows go over in batches: a server takes one statement of many rows far
// faster than as many statements of one. A value that would not arrive as it
// is stops the copy, or with lenient goes over empty and is listed.
void copyRows(Engine &source, Engine &target, const QString &table, const QList<ColumnInfo> &columns,
              bool lenient, QStringList *replaced)
{
    QStringList names;
    for (const ColumnInfo &c : columns)
        names << c.name;
    QStringList sourceCols, targetCols;
    for (const QString &n : names) {
        sourceCols << source.quote(n);
        targetCols << target.quote(n);
    }
    const QString rowId = source.rowIdColumn(table);
    auto read = source.prepare(QStringLiteral("SELECT %1, %3 FROM %2 ORDER BY %3")
                                   .arg(sourceCols.join(QStringLiteral(", ")), source.quote(table), rowId));
    QString rowIdName = rowId;
    rowIdName.remove(QLatin1Char('"'));
    const int perRow = int(columns.size());
    const int batch = qMax(1, qMin(200, 30000 / qMax(1, perRow)));
    auto insertOf = [&](int rows) {
        QStringList tuples;
        const QString one = QLatin1Char('(') +
                            QStringList(perRow, QStringLiteral("?")).join(QLatin1Char(',')) +
                            QLatin1Char(')');
        for (int r = 0; r < rows; ++r)
            tuples << one;
        return target.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                  .arg(target.quote(table), targetCols.join(QStringLiteral(", ")),
                                       tuples.join(QLatin1Char(','))));
    };
    std::unique_ptr<Statement> full;
    std::vector<Value> pending;
    pending.reserve(size_t(batch * perRow));
    auto flush = [&](bool all) {
        const int rows = int(pending.size()) / perRow;
        if (rows == 0 || (!all && rows < batch)) return;
        std::unique_ptr<Statement> partial;
        Statement *st = nullptr;
        if (rows == batch) {
            if (!full) full = insertOf(batch);
            st = full.get();
        } else {
            partial = insertOf(rows);
            st = partial.get();
        }
        st->reset();
        for (size_t i = 0; i < pending.size(); ++i)
            st->bind(int(i) + 1, pending[i]);
        st->step();
        st->reset();
        pending.clear();
    };
    while (read->step()) {
        for (int i = 0; i < perRow; ++i) {
            Value v = read->column(i, columns[i].type);
            const Value raw = read->columnDynamic(i);
            const QString why = unfit(raw, v, columns[i]);
            if (!why.isEmpty()) {
                const QString where = QStringLiteral("Tabelle %1, Zeile mit %2 %3, Spalte %4: „%5“ %6")
                                          .arg(table, rowIdName, shownValue(read->columnDynamic(perRow)),
                                               columns[i].name, shownValue(raw), why);
                if (!lenient)
                    throw AppError(where + QStringLiteral(". Mit --lenient wird ein solcher Wert leer (NULL) "
                                                          "kopiert und gemeldet"));
                replaced->append(where);
                v = Value();
            }
            if (v.isNull() && columns[i].type == FieldType::Bool) v = Value(false);
            pending.push_back(std::move(v));
        }
        flush(false);
    }
    flush(true);
}

} // namespace

Result copy(const QString &from, const QString &to, const std::function<void(const QString &)> &progress,
            bool lenient)
{
    const bool fromServer = Engine::isServerLocation(from);
    const bool toServer = Engine::isServerLocation(to);
    if (!fromServer && !QFileInfo::exists(from)) throw AppError(Engine::missingMessage(from));
    if (!fromServer && !toServer && QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        throw AppError(QStringLiteral("Quelle und Ziel sind dieselbe Datei"));
    auto source = engineFor(from);
    source->open(from);

    const QStringList sourceTables = source->tables();
    QStringList missing;
    for (const char *core : {"Adress", "Personen", "Vorgang1", "Vorgang2", "VTyp", "Artikel"})
        if (!contains(sourceTables, QString::fromLatin1(core))) missing << QString::fromLatin1(core);
    if (!missing.isEmpty())
        throw AppError(QStringLiteral("%1 ist keine Datenbank des Programms: es fehlt %2")
                           .arg(shown(from), missing.join(QStringLiteral(", "))));

    // The target: a new file, an empty one, or an empty server database.
    bool madeFile = false;
    if (!toServer) {
        const QFileInfo fi(to);
        if (!fi.exists()) {
            FileRights::makeDatabaseFolder(fi.absolutePath());
            SafeFile::createNew(fi.absoluteFilePath(), SafeFile::Access::Private);
            madeFile = true;
        }
    }
    auto target = engineFor(to);
    target->open(to, !toServer);
    auto discardTarget = [&] {
        try {
            target->rollback();
        } catch (const AppError &) {
        }
        target->close();
        if (madeFile) {
            QFile::remove(to);
            QFile::remove(to + QStringLiteral("-journal"));
        }
    };
    const QStringList present = target->tables();
    if (!present.isEmpty()) {
        target->close();
        throw AppError(
            QStringLiteral("Das Ziel %1 ist nicht leer (es enthält %2); kopiert wird nur in eine neue "
                           "oder leere Datenbank")
                .arg(shown(to), present.mid(0, 5).join(QStringLiteral(", "))));
    }

    Result result;
    for (const QString &t : sourceTables)
        if (!Schema::table(t)) result.skipped << t;
    try {
        // Nobody writes to the source while it is read: its write lock is
        // held (a write-protected file is read as it is).
        bool sourceLocked = false;
        try {
            source->begin();
            sourceLocked = true;
        } catch (const AppError &) {
        }
        target->begin();
        target->createSupport();
        QStringList made;
        for (const Schema::TableDef &def : Schema::tables()) {
            const bool inSource = contains(sourceTables, def.name);
            // The source's own columns, so that none of its data stays behind.
            const QList<ColumnInfo> columns = inSource ? source->columns(def.name) : def.columns;
            target->createTable(def.name, columns);
            made << def.name;
            if (!inSource) continue;
            if (progress) progress(def.name);
            copyRows(*source, *target, def.name, columns, lenient, &result.replaced);
            target->setCounterValue(def.name, source->counterValue(def.name));
            const qint64 inSourceRows = countRows(*source, def.name);
            const qint64 copied = countRows(*target, def.name);
            if (inSourceRows != copied)
                throw AppError(
                    QStringLiteral("Tabelle %1: %2 Zeilen gelesen, aber %3 geschrieben; die Kopie wurde "
                                   "verworfen")
                        .arg(def.name)
                        .arg(inSourceRows)
                        .arg(copied));
            result.tables << TableCount{def.name, copied};
        }
        for (const IndexDef &ix : Schema::indexes())
            if (made.contains(ix.table)) target->createIndex(ix);
        target->commit();
        if (sourceLocked) source->rollback();
    } catch (...) {
        source->rollback();
        discardTarget();
        throw;
    }
    target->close();
    source->close();
    return result;
}

} // namespace DatabaseCopy
