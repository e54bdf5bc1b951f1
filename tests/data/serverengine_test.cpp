// SPDX-License-Identifier: GPL-3.0-or-later
// The same program on a database server: the dialect cases that differ most
// between engines give the same rows in the same order on a file and on the
// server; the server refuses what it must; a connection that breaks off in
// the middle of a save leaves nothing half-written. These tests need the
// throwaway cluster of scripts/test and skip without it.
#include "data/databasebackup.h"
#include "data/databasecopy.h"
#include "data/notices.h"
#include "data/programfolder.h"
#include "data/schema.h"
#include "data/settings.h"
#include "data/textcompare.h"
#include "tests/commandrun.h"
#include "tests/dbfixture.h"
#include "tests/modulesfixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

namespace {

// One database of each kind with the same rows, and a query run on both.
class BothEngines : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        NEEDS_SERVER();
        file = std::make_unique<TestDb>(false, TestDb::Kind::File);
        server = std::make_unique<TestDb>(false, TestDb::Kind::Server);
        for (TestDb *d : {file.get(), server.get()}) {
            auto c = std::make_unique<TVexDaoDatabase>();
            c->setDatabase(d->path());
            c->Open();
            conns.push_back(std::move(c));
        }
    }

    // A table of one engine, open, with a new row begun in it.
    static std::unique_ptr<TVexDaoTable> newRow(TVexDaoDatabase &c, const QString &table)
    {
        auto t = std::make_unique<TVexDaoTable>(nullptr, table);
        t->setDatabase(&c);
        t->setTableName(table);
        t->Open();
        t->Insert();
        return t;
    }
    // Adds a row to both through the dataset layer: the same values whatever
    // the engine stores them as.
    void addAddress(double kdnr, const Value &name, const Value &kontakt = Value(), bool kunde = false)
    {
        for (auto &c : conns) {
            auto t = newRow(*c, QStringLiteral("Adress"));
            t->FieldByName(QStringLiteral("KDNR"))->setValue(Value(kdnr));
            t->FieldByName(QStringLiteral("NAME1"))->setValue(name);
            t->FieldByName(QStringLiteral("KONTAKT"))->setValue(kontakt);
            t->FieldByName(QStringLiteral("kunde"))->setValue(Value(kunde));
            t->Post();
        }
    }
    void addDocument(const QString &nr, const Value &datum, bool bezahlt, const Value &vk)
    {
        for (auto &c : conns) {
            auto t = newRow(*c, QStringLiteral("Vorgang1"));
            t->FieldByName(QStringLiteral("vorgangnr"))->SetAsString(nr);
            t->FieldByName(QStringLiteral("typ"))->SetAsString(QStringLiteral("R"));
            t->FieldByName(QStringLiteral("datum"))->setValue(datum);
            t->FieldByName(QStringLiteral("bezahlt"))->setValue(Value(bezahlt));
            t->FieldByName(QStringLiteral("vk"))->setValue(vk);
            t->Post();
        }
    }

    // The values of one field in the order the engine gives them, or the
    // error message; for each engine.
    QStringList rows(int engine, const QString &sql, const QString &filter, const QString &field)
    {
        TVexDaoTable t;
        t.setDatabase(conns[size_t(engine)].get());
        t.SQL() << sql;
        try {
            if (!filter.isEmpty()) {
                t.setFilter(filter);
                t.setFiltered(true);
            }
            t.Open();
            QStringList out;
            for (t.First(); !t.Eof(); t.Next())
                out << (t.FieldByName(field)->IsNull() ? QStringLiteral("<null>")
                                                       : t.FieldByName(field)->AsString());
            return out;
        } catch (const AppError &e) {
            return {QStringLiteral("Fehler: ") + e.message()};
        }
    }
    void expectSame(const QString &sql, const QString &filter, const QString &field,
                    const QStringList &expected)
    {
        const QStringList onFile = rows(0, sql, filter, field);
        const QStringList onServer = rows(1, sql, filter, field);
        EXPECT_EQ(onFile, onServer) << qPrintable(sql) << " / " << qPrintable(filter);
        if (!expected.isEmpty()) {
            EXPECT_EQ(onFile, expected) << qPrintable(sql) << " / " << qPrintable(filter);
        }
    }

    struct Case
    {
        QString sql;
        const char *filter, *field;
        QStringList expected; // empty: only the same on both
    };
    void expectSame(std::initializer_list<Case> cases)
    {
        for (const Case &c : cases)
            expectSame(c.sql, QString::fromUtf8(c.filter), QString::fromUtf8(c.field), c.expected);
    }
    // Each text at or after the one before, as TextCompare orders them.
    static void expectInTextOrder(const QStringList &ordered)
    {
        for (int i = 1; i < ordered.size(); ++i)
            EXPECT_LE(TextCompare::compare(ordered[i - 1], ordered[i]), 0)
                << qPrintable(ordered[i - 1]) << " / " << qPrintable(ordered[i]);
    }

    std::unique_ptr<TestDb> file, server;
    std::vector<std::unique_ptr<TVexDaoDatabase>> conns;
};

const QStringList kNames = {
    QStringLiteral("Müller"), QStringLiteral("Muller"),  QStringLiteral("MÜLLER"),  QStringLiteral("Mueller"),
    QStringLiteral("Straße"), QStringLiteral("Strasse"), QStringLiteral("STRASSE"), QStringLiteral("Ärger"),
    QStringLiteral("Arger"),  QStringLiteral("Zebra"),   QStringLiteral("Øre"),     QStringLiteral("œuvre"),
    QStringLiteral("Oeuvre"), QStringLiteral("3M"),      QStringLiteral("@home"),   QStringLiteral("_x"),
    QStringLiteral("Ÿvonne"), QStringLiteral("Yvonne"),  QStringLiteral("éclair"),  QStringLiteral("Eclair"),
    QStringLiteral("ß"),      QStringLiteral(""),        QStringLiteral("a b"),     QStringLiteral("a-b"),
    QStringLiteral("Ωmega"),  QStringLiteral("ωmega"),   QStringLiteral("Пётр"),    QStringLiteral("ПЁТР"),
};

TEST_F(BothEngines, GermanComparisonAndOrderAgree)
{
    for (int i = 0; i < kNames.size(); ++i)
        addAddress(i + 1, Value(kNames[i]));
    addAddress(100, Value());
    const QString byName = QStringLiteral("select KDNR, NAME1 from Adress order by NAME1, KDNR");
    expectSame({
        {byName, "", "KDNR", {}},
        {QStringLiteral("select KDNR, NAME1 from Adress order by NAME1 desc, KDNR"), "", "KDNR", {}},
        {byName, "NAME1 = 'müller'", "NAME1", {QStringLiteral("Müller"), QStringLiteral("MÜLLER")}},
        {byName, "NAME1 = 'strasse'", "NAME1", {QStringLiteral("Strasse"), QStringLiteral("STRASSE")}},
        {byName, "NAME1 = 'пётр'", "NAME1", {QStringLiteral("Пётр"), QStringLiteral("ПЁТР")}},
        {byName, "NAME1 >= 'm' and NAME1 < 'n'", "NAME1", {}},
        {byName, "NAME1 <> 'Zebra'", "KDNR", {}},
    });

    // The order is TextCompare's.
    const QStringList ordered = rows(1, byName, QString(), QStringLiteral("NAME1"));
    ASSERT_EQ(ordered.size(), kNames.size() + 1);
    EXPECT_EQ(ordered.first(), QStringLiteral("<null>")) << "no value sorts first, as on a file";
    expectInTextOrder(ordered.mid(1));
}

// Random texts of the letters where engines differ most sort the same.
TEST_F(BothEngines, RandomTextsSortAsTextCompareSortsThem)
{
    const QString alphabet = QStringLiteral("aAäÄoOöÖuUüÜsSßẞeEéÉ -_.19zZøØæÆœŒ");
    quint32 seed = 4711;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int i = 0; i < 150; ++i) {
        QString s;
        const int n = 1 + int(next() % 6);
        for (int k = 0; k < n; ++k)
            s += alphabet.at(int(next() % alphabet.size()));
        addAddress(i + 1, Value(s));
    }
    const QStringList ordered = rows(1, QStringLiteral("select NAME1 from Adress order by NAME1"), QString(),
                                     QStringLiteral("NAME1"));
    expectInTextOrder(ordered);
    // Equal texts are found by each other.
    for (int i = 0; i < 20; ++i) {
        const QString wanted = ordered[i * 7 % ordered.size()];
        const QString filter = QStringLiteral("NAME1 = %1").arg(Sql::quoteText(wanted));
        const QStringList fileRows =
            rows(0, QStringLiteral("select KDNR from Adress order by KDNR"), filter, QStringLiteral("KDNR"));
        EXPECT_EQ(fileRows, rows(1, QStringLiteral("select KDNR from Adress order by KDNR"), filter,
                                 QStringLiteral("KDNR")))
            << qPrintable(wanted);
        EXPECT_EQ(fileRows.size(), std::count_if(ordered.begin(), ordered.end(), [&](const QString &o) {
                      return TextCompare::equals(o, wanted);
                  }));
    }
}

TEST_F(BothEngines, LikeAgrees)
{
    for (int i = 0; i < kNames.size(); ++i)
        addAddress(i + 1, Value(kNames[i]));
    addAddress(50, Value(QStringLiteral("Firma [alt] 1.5*")));
    addAddress(51, Value(QStringLiteral("Zeile\neins")));
    const QString sql = QStringLiteral("select KDNR, NAME1 from Adress order by KDNR");
    const struct
    {
        const char *filter;
        QStringList expected;
    } cases[] = {
        {"NAME1 like 'm*ller'",
         {QStringLiteral("Müller"), QStringLiteral("Muller"), QStringLiteral("MÜLLER"),
          QStringLiteral("Mueller")}},
        {"NAME1 like 'M?LLER'",
         {QStringLiteral("Müller"), QStringLiteral("Muller"), QStringLiteral("MÜLLER")}},
        {"NAME1 like '*ß*'", {QStringLiteral("Straße"), QStringLiteral("ß")}},
        {"NAME1 like '#*'", {QStringLiteral("3M")}},
        {"NAME1 like '[a-c]*'", {QStringLiteral("Arger"), QStringLiteral("a b"), QStringLiteral("a-b")}},
        {"NAME1 like '[!a-y]*'", {}},
        {"NAME1 like 'a[ -]b'", {QStringLiteral("a b"), QStringLiteral("a-b")}},
        {"NAME1 like '*[[]alt]*'", {QStringLiteral("Firma [alt] 1.5*")}},
        {"NAME1 like '*1.5[*]'", {QStringLiteral("Firma [alt] 1.5*")}},
        {"NAME1 like 'zeile?eins'", {QStringLiteral("Zeile\neins")}},
        {"NAME1 like '*'", {}},
        {"NAME1 not like '*e*'", {}},
        {"NAME1 like 'a['", {}},
        {"NAME1 like '[z-a]*'", {}},
        {"NAME1 like '[z-am]*'",
         {QStringLiteral("Müller"), QStringLiteral("Muller"), QStringLiteral("MÜLLER"),
          QStringLiteral("Mueller")}},
        {"KDNR like '1*'", {}},
    };
    for (const auto &c : cases)
        expectSame(sql, QString::fromUtf8(c.filter), QStringLiteral("NAME1"), c.expected);
}

// The next number of a type is one step along an index on both engines,
// however many documents there are: no scan of the type, no sort.
TEST_F(BothEngines, NextNumberIsReadFromTheIndex)
{
    for (auto &c : conns) {
        TVexDaoTable next;
        next.setDatabase(c.get());
        next.SQL() << TData::NextNumberSql(QStringLiteral("R"));
        next.Open();
        Engine &engine = c->engine();
        // A small table is read whole anyway; a large one is not.
        if (engine.isServer()) engine.exec(QStringLiteral("SET enable_seqscan = off"));
        auto plan = engine.prepare(
            (engine.isServer() ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) +
            next.lastQuerySql());
        plan->bind(1, Value(QStringLiteral("R")));
        QString text;
        while (plan->step())
            text += plan->columnDynamic(plan->columnCount() - 1).rawText() + QLatin1Char('\n');
        EXPECT_TRUE(text.contains(QLatin1String("ix_vorgang1_typ_numnr"))) << qPrintable(text.left(300));
        EXPECT_FALSE(text.contains(QLatin1String("Sort")) || text.contains(QLatin1String("TEMP B-TREE")))
            << qPrintable(text.left(300));
        if (!engine.isServer()) continue;
        // The server keeps one plan for every type: that one too.
        QString sql = next.lastQuerySql();
        sql.replace(QLatin1Char('?'), QLatin1String("$1"));
        engine.exec(QStringLiteral("PREPARE tvnext(text) AS ") + sql);
        engine.exec(QStringLiteral("SET plan_cache_mode = force_generic_plan"));
        auto generic = engine.prepare(QStringLiteral("EXPLAIN EXECUTE tvnext('R')"));
        text.clear();
        while (generic->step())
            text += generic->columnDynamic(0).rawText() + QLatin1Char('\n');
        EXPECT_TRUE(text.contains(QLatin1String("ix_vorgang1_typ_numnr"))) << qPrintable(text.left(300));
        EXPECT_FALSE(text.contains(QLatin1String("Sort"))) << qPrintable(text.left(300));
    }
}

// A text holding a NUL character is refused whole on both engines, never cut
// at the NUL; the row stays with the user.
TEST_F(BothEngines, ATextWithANulIsRefusedNotCut)
{
    const QString text = QStringLiteral("vor") + QChar(0) + QStringLiteral("nach");
    for (auto &c : conns) {
        auto t = newRow(*c, QStringLiteral("Adress"));
        t->FieldByName(QStringLiteral("NAME1"))->SetAsString(text);
        const QString msg = ERROR_OF(t->Post());
        EXPECT_TRUE(msg.contains(QStringLiteral("Nullzeichen"))) << qPrintable(msg);
        EXPECT_EQ(t->State(), DataSetState::Insert);
        EXPECT_EQ(t->FieldByName(QStringLiteral("NAME1"))->AsString(), text);
        t->Cancel();
        t->Refresh();
        EXPECT_EQ(t->RecordCount(), 0);
    }
}

TEST_F(BothEngines, DatesYesNoAndNumbersAgainstTexts)
{
    const Value day = Value::fromDate(QDate(2005, 3, 15));
    const Value withTime = Value::fromStamp(Value::stampOf(QDate(2005, 3, 15), 10 * 3600));
    addDocument(QStringLiteral("10041"), day, true, Value(47.0));
    addDocument(QStringLiteral("10042"), withTime, false, Value(0.5));
    addDocument(QStringLiteral("9999"), Value::fromDate(QDate(2004, 12, 31)), false, Value());
    addDocument(QStringLiteral("A-7"), Value(), true, Value(-3.0));
    addDocument(QStringLiteral(" 12x"), Value::fromDate(QDate(2006, 1, 1)), false, Value(1e15));
    const QString sql = QStringLiteral("select id, vorgangnr, datum, bezahlt, vk from Vorgang1 order by id");
    const QString nr = QStringLiteral("vorgangnr");
    const struct
    {
        const char *filter;
        QStringList expected;
    } cases[] = {
        {"datum = #03/15/2005#", {QStringLiteral("10041")}},
        {"datum >= #03/15/2005#", {QStringLiteral("10041"), QStringLiteral("10042"), QStringLiteral(" 12x")}},
        {"datum = '15.03.2005'", {QStringLiteral("10041")}},
        {"datum >= '15.03.2005 10:00' and datum < #03/16/2005#", {QStringLiteral("10042")}},
        {"datum is null", {QStringLiteral("A-7")}},
        {"bezahlt", {QStringLiteral("10041"), QStringLiteral("A-7")}},
        {"not (bezahlt)", {QStringLiteral("10042"), QStringLiteral("9999"), QStringLiteral(" 12x")}},
        {"bezahlt = true", {QStringLiteral("10041"), QStringLiteral("A-7")}},
        {"bezahlt = 0", {QStringLiteral("10042"), QStringLiteral("9999"), QStringLiteral(" 12x")}},
        {"vorgangnr = 10041", {QStringLiteral("10041")}},
        {"vorgangnr >= 10000 and vorgangnr < 2", {QStringLiteral("10041"), QStringLiteral("10042")}},
        {"vk = '47'", {QStringLiteral("10041")}},
        {"vk = '0,5'", {QStringLiteral("10042")}},
        {"vk < 1", {QStringLiteral("10042"), QStringLiteral("A-7")}},
        {"val(vorgangnr) > 10041", {QStringLiteral("10042")}},
        {"val(vorgangnr) = 0", {QStringLiteral("A-7")}},
        {"val(vorgangnr) = 12", {QStringLiteral(" 12x")}},
        {"vk = 'viel'", {}},
        {"datum = 'gestern'", {}},
    };
    for (const auto &c : cases)
        expectSame(sql, QString::fromUtf8(c.filter), nr, c.expected);
    // A text that is no number is refused by the dialect on both, with the same message.
    EXPECT_TRUE(
        rows(1, sql, QStringLiteral("vk = 'viel'"), nr).first().startsWith(QStringLiteral("Fehler: ")));
    expectSame(QStringLiteral("select id, vorgangnr from Vorgang1 order by val(vorgangnr) desc, id"),
               QString(), nr,
               {QStringLiteral("10042"), QStringLiteral("10041"), QStringLiteral("9999"),
                QStringLiteral(" 12x"), QStringLiteral("A-7")});
    // No value first, ascending as on a file; last descending.
    expectSame(QStringLiteral("select id, vorgangnr, datum from Vorgang1 order by datum, id"), QString(), nr,
               {QStringLiteral("A-7"), QStringLiteral("9999"), QStringLiteral("10041"),
                QStringLiteral("10042"), QStringLiteral(" 12x")});
    expectSame(QStringLiteral("select id, vorgangnr, vk from Vorgang1 order by vk desc, id"), QString(), nr,
               {QStringLiteral(" 12x"), QStringLiteral("10041"), QStringLiteral("10042"),
                QStringLiteral("A-7"), QStringLiteral("9999")});
    expectSame(QStringLiteral("select top 2 id, vorgangnr from Vorgang1 order by datum desc"), QString(), nr,
               {QStringLiteral(" 12x"), QStringLiteral("10042")});
    // The stored values read back the same.
    expectSame(sql, QString(), QStringLiteral("datum"), {});
    expectSame(sql, QString(), QStringLiteral("vk"), {});
}

TEST_F(BothEngines, GroupsAndAggregatesAgree)
{
    const Value day = Value::fromDate(QDate(2005, 3, 15));
    addDocument(QStringLiteral("1"), day, true, Value(47.0));
    addDocument(QStringLiteral("2"), day, false, Value(0.5));
    addDocument(QStringLiteral("3"), Value(), false, Value());
    addDocument(QStringLiteral("4"), Value::fromDate(QDate(2006, 1, 1)), true, Value(-3.0));
    const QString perPaid = QStringLiteral(
        "select bezahlt, count(*) as n, count(vk) as mitvk, sum(vk) as s, min(datum) as d, max(vk) as m, "
        "avg(vk) as a from Vorgang1 group by bezahlt");
    expectSame({
        {perPaid, "", "n", {QStringLiteral("2"), QStringLiteral("2")}},
        {perPaid, "", "mitvk", {QStringLiteral("1"), QStringLiteral("2")}},
        {perPaid, "", "s", {QStringLiteral("0,5"), QStringLiteral("44")}},
        {perPaid, "", "d", {QStringLiteral("15.03.2005"), QStringLiteral("15.03.2005")}},
        {perPaid, "", "m", {QStringLiteral("0,5"), QStringLiteral("47")}},
        {perPaid, "", "a", {QStringLiteral("0,5"), QStringLiteral("22")}},
        // A filter on a grouped select tests the groups.
        {perPaid, "n >= 2 and s > 1", "s", {QStringLiteral("44")}},
        {QStringLiteral("select count(*) as n, sum(vk) as s from Vorgang1 where vk > 100"),
         "",
         "s",
         {QStringLiteral("<null>")}},
        {QStringLiteral("select datum, count(*) as n from Vorgang1 group by datum order by n desc, datum"),
         "",
         "datum",
         {QStringLiteral("15.03.2005"), QStringLiteral("<null>"), QStringLiteral("01.01.2006")}},
    });
    EXPECT_TRUE(
        rows(0, QStringLiteral("select sum(vorgangnr) as s from Vorgang1"), QString(), QStringLiteral("s"))
            .value(0)
            .contains(QStringLiteral("SUM ist für das Feld 'vorgangnr' nicht möglich")));

    // A group stands for no stored row: it cannot be changed, nor added to the table.
    TVexDaoTable t;
    t.setDatabase(conns[0].get());
    t.SQL() << perPaid;
    t.Open();
    const QString refused = QStringLiteral("lassen sich nicht ändern");
    EXPECT_TRUE(ERROR_OF(t.Edit()).contains(refused));
    EXPECT_TRUE(ERROR_OF(t.Delete()).contains(refused));
    t.Insert();
    t.FieldByName(QStringLiteral("bezahlt"))->setValue(Value(true));
    EXPECT_TRUE(ERROR_OF(t.Post()).contains(refused));
    t.Cancel();
    EXPECT_EQ(file->scalar(QStringLiteral("select count(*) from Vorgang1")).rawInt(), 4);
}

// ---- the server alone

class OnServer : public ::testing::Test
{
  protected:
    void SetUp() override { NEEDS_SERVER(); }
};

TEST_F(OnServer, PasswordInTheLocationIsRefused)
{
    TVexDaoDatabase conn;
    QString location = TestDb::serverBase();
    location.replace(QStringLiteral("://tavirel@"), QStringLiteral("://tavirel:geheim@"));
    conn.setDatabase(location);
    const QString msg = ERROR_OF(conn.Open());
    EXPECT_TRUE(msg.contains(QStringLiteral("Kennwort"))) << qPrintable(msg);
    EXPECT_FALSE(msg.contains(QStringLiteral("geheim")));
    EXPECT_FALSE(conn.Connected());
}

// What keeps the program from the server is said in German, by its kind;
// libpq's English text goes to the log only.
TEST_F(OnServer, WhyNoConnectionIsToldInGerman)
{
    const QString base = TestDb::serverBase();
    QString unknownDb = base, unknownLogin = base;
    unknownDb.replace(QRegularExpression(QStringLiteral("/[^/?]*(\\?|$)")), QStringLiteral("/gibtsnicht\\1"));
    unknownLogin.replace(QStringLiteral("://tavirel@"), QStringLiteral("://niemand@"));
    const struct
    {
        QString location;
        const char *says;
        AppError::Kind kind;
    } cases[] = {
        {QStringLiteral("postgresql://tavirel@127.0.0.1:1/tavirel_test?connect_timeout=2"),
         "Der Datenbankserver 127.0.0.1:1 ist nicht erreichbar", AppError::Kind::ConnectionLost},
        {unknownDb, "Die Datenbank „gibtsnicht“ gibt es auf dem Server", AppError::Kind::General},
        {unknownLogin, "hat die Anmeldung als „niemand“ abgelehnt", AppError::Kind::Refused},
    };
    for (const auto &c : cases) {
        auto engine = Engine::create(QStringLiteral("postgresql"));
        try {
            engine->open(c.location);
            ADD_FAILURE() << qPrintable(c.location);
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Die Verbindung zum Datenbankserver")));
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << qPrintable(e.message());
            for (const char *english :
                 {"FATAL", "does not exist", "Connection refused", "connection to server"})
                EXPECT_FALSE(e.message().contains(QLatin1String(english))) << qPrintable(e.message());
            EXPECT_EQ(e.kind(), c.kind) << qPrintable(e.message());
        }
    }
}

// A connection that crosses the network without TLS is said, once per run;
// the server here is reached by a name that is not this machine's.
TEST_F(OnServer, AnUnencryptedConnectionIsSaidOnce)
{
    QString remote = TestDb::serverBase();
    remote.replace(QStringLiteral("@127.0.0.1:"), QStringLiteral("@buero-server.test:"));
    remote +=
        remote.contains(u'?') ? QStringLiteral("&hostaddr=127.0.0.1") : QStringLiteral("?hostaddr=127.0.0.1");
    QStringList told;
    Notices::setHandler([&](const QString &text) { told << text; });
    for (int i = 0; i < 2; ++i) {
        auto engine = Engine::create(QStringLiteral("postgresql"));
        engine->open(remote);
        engine->close();
    }
    auto local = Engine::create(QStringLiteral("postgresql"));
    local->open(TestDb::serverBase());
    Notices::setHandler({});
    ASSERT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
    EXPECT_TRUE(told.first().startsWith(
        QStringLiteral("Die Verbindung zum Datenbankserver buero-server.test ist nicht verschlüsselt")));
    EXPECT_TRUE(told.first().contains(QStringLiteral("sslmode=verify-full")));
}

// The restore the backup command suggests gives the workstations' login a
// database it can work in: the tables belong to that login.
TEST_F(OnServer, TheSuggestedRestoreGivesTheLoginItsTables)
{
    if (!TestDb::onServer()) GTEST_SKIP() << "läuft mit den Tests gegen den Server";
    const QString dump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    const QString restore = QStandardPaths::findExecutable(QStringLiteral("pg_restore"));
    if (dump.isEmpty() || restore.isEmpty()) GTEST_SKIP() << "PostgreSQL-Werkzeuge fehlen";
    TestDb db(true, TestDb::Kind::Server);
    const QString copyName = db.schema() + QStringLiteral("_neu");
    db.exec(QStringLiteral(
        "DO $$ BEGIN CREATE ROLE tv_buero LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$"));
    db.exec(QStringLiteral("CREATE DATABASE %1 OWNER tv_buero").arg(copyName));
    auto cleanUp = qScopeGuard([&] {
        db.exec(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(copyName));
        db.exec(QStringLiteral("DROP OWNED BY tv_buero; DROP ROLE tv_buero"));
    });
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/tavirel.dump");
    QProcess p;
    p.start(dump, {QStringLiteral("-Fc"), QStringLiteral("-n"), db.schema(), QStringLiteral("-f"), file,
                   QStringLiteral("-d"), TestDb::serverBase()});
    ASSERT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << p.readAllStandardError().constData();

    QString copy = TestDb::serverBase();
    copy.replace(QRegularExpression(QStringLiteral("/[^/?]*$")), QLatin1Char('/') + copyName);
    QString login = copy;
    login.replace(QStringLiteral("://tavirel@"), QStringLiteral("://tv_buero@"));
    // The command as the message gives it, the placeholders filled in; run
    // by the server's administrator.
    const QString advice = DatabaseBackup::serverAdvice(login);
    QStringList args;
    for (QString line : advice.split(QLatin1Char('\n')))
        if (line.trimmed().startsWith(QStringLiteral("pg_restore "))) {
            line.replace(QStringLiteral("'<leere Datenbank>'"), copy);
            line.replace(QStringLiteral("tavirel-JJJJ-MM-TT.dump"), file);
            args = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1);
        }
    ASSERT_TRUE(args.contains(QStringLiteral("--role=tv_buero"))) << qPrintable(advice);
    p.start(restore, args);
    ASSERT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << p.readAllStandardError().constData();

    TVexDaoDatabase conn;
    conn.setDatabase(login + QStringLiteral("?options=-csearch_path%3D") + db.schema());
    conn.Open();
    EXPECT_TRUE(conn.canWrite());
    TVexDaoTable t(nullptr, QStringLiteral("Adress"));
    t.setDatabase(&conn);
    t.setTableName(QStringLiteral("Adress"));
    t.Open();
    t.Insert();
    t.FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("nach der Rücksicherung"));
    EXPECT_EQ(ERROR_OF(t.Post()), QString());
}

TEST_F(OnServer, InitRefusesADatabaseThatHoldsTables)
{
    TestDb db(false, TestDb::Kind::Server);
    db.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'bleibt')"));
    const QString msg = ERROR_OF(Schema::createDatabase(db.path(), true));
    EXPECT_TRUE(msg.contains(QStringLiteral("enthält bereits Tabellen"))) << qPrintable(msg);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from Adress")).rawInt(), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from Vorgang1")).rawInt(), 0) << "no demo data added";
}

// The windows find the server in the settings file.
TEST_F(OnServer, SettingsFileNamesTheServerForTheWindows)
{
    TestDb db(false, TestDb::Kind::Server);
    ProgramFolder::setDirForTests(db.folder());
    IniFile(ProgramFolder::iniPath())
        .writeString(QStringLiteral("DATENBANK"), QStringLiteral("Verbindung"), db.path());
    EXPECT_EQ(ProgramFolder::databasePath(), db.path());
    Tdataa addresses;
    addresses.DataModuleCreate(QString());
    EXPECT_TRUE(addresses.Datenbank.Connected());
    EXPECT_TRUE(addresses.Datenbank.engine().isServer());
    ProgramFolder::setDirForTests(QString());
}

// Counters go on where they were after a copy, in both directions, and every
// value arrives as it was: dates, yes/no, euro signs, memos.
TEST_F(OnServer, CopyToTheServerAndBackIsExact)
{
    TestDb original(true, TestDb::Kind::File);
    // Counters beyond the highest row: deleted documents' ids are not given again.
    original.exec(QStringLiteral("delete from Vorgang1 where id = (select max(id) from Vorgang1)"));
    original.exec(QStringLiteral("update Artikel set Notizen = 'Zeile 1' || char(13, 10) || 'Zeile 2 €' "
                                 "where id = 1"));
    // A date with its time of day, one long before 1970, a paid flag set.
    original.exec(QStringLiteral("update Vorgang1 set datum = '2005-03-15 10:30:05', bezahlt = 1, "
                                 "bezahltdatum = '1899-12-30' where id = (select min(id) from Vorgang1)"));
    TestDb server(false, TestDb::Kind::Server);
    server.exec(QStringLiteral("DROP TABLE adress, personen, vorgang1, vorgang2, vtyp, artikel, notizen, "
                               "erechnung, eingangsrechnung, lieferantenkonto, datenschutz"));
    const DatabaseCopy::Result there = DatabaseCopy::copy(original.path(), server.path());
    ASSERT_EQ(there.tables.size(), 11);
    QTemporaryDir dir;
    const QString back = dir.path() + QStringLiteral("/zurueck.mdb");
    const DatabaseCopy::Result home = DatabaseCopy::copy(server.path(), back);
    for (int i = 0; i < there.tables.size(); ++i)
        EXPECT_EQ(there.tables[i].rows, home.tables[i].rows) << qPrintable(there.tables[i].table);

    auto engineFile = Engine::create();
    engineFile->open(back);
    Engine &orig = original.raw();
    for (const Schema::TableDef &t : Schema::tables()) {
        QStringList cols;
        for (const ColumnInfo &c : t.columns)
            cols << orig.quote(c.name);
        const QString sql = QStringLiteral("select %1 from %2 order by rowid").arg(cols.join(u','), t.name);
        auto a = orig.prepare(sql);
        auto b = engineFile->prepare(sql);
        int n = 0;
        while (a->step()) {
            ASSERT_TRUE(b->step()) << qPrintable(t.name);
            for (int i = 0; i < t.columns.size(); ++i)
                EXPECT_EQ(a->column(i, t.columns[i].type), b->column(i, t.columns[i].type))
                    << qPrintable(t.name) << "." << qPrintable(t.columns[i].name) << " row " << n;
            ++n;
        }
        EXPECT_FALSE(b->step()) << qPrintable(t.name);
        EXPECT_EQ(orig.counterValue(t.name), engineFile->counterValue(t.name)) << qPrintable(t.name);
        if (t.columns.first().counter) {
            Engine &s = server.raw();
            EXPECT_EQ(s.counterValue(t.name), orig.counterValue(t.name)) << qPrintable(t.name);
        }
    }
    // A copy onto a database that holds tables is refused and changes nothing.
    const QString msg = ERROR_OF(DatabaseCopy::copy(original.path(), server.path()));
    EXPECT_TRUE(msg.contains(QStringLiteral("nicht leer"))) << qPrintable(msg);
    // The next document on the server gets the id after the deleted one.
    TVexDaoDatabase conn;
    conn.setDatabase(server.path());
    conn.Open();
    TVexDaoTable docs(nullptr, QStringLiteral("Vorgang1"));
    docs.setDatabase(&conn);
    docs.setTableName(QStringLiteral("Vorgang1"));
    docs.Open();
    docs.Insert();
    docs.FieldByName(QStringLiteral("typ"))->SetAsString(QStringLiteral("R"));
    docs.Post();
    EXPECT_EQ(docs.FieldByName(QStringLiteral("id"))->AsInteger(),
              orig.counterValue(QStringLiteral("Vorgang1")) + 1);
}

// init-db and copy-db on the command line, the way a firm moves.
TEST_F(OnServer, CommandLineMakesAndMovesServerDatabases)
{
    auto tavirel = [](const QStringList &args, QString *out) {
        QProcess p;
        p.start(testProgram(), args);
        p.waitForFinished(120000);
        *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    auto emptied = [](TestDb &db) {
        db.exec(QStringLiteral("DROP TABLE adress, personen, vorgang1, vorgang2, vtyp, artikel, notizen, "
                               "erechnung, eingangsrechnung, lieferantenkonto, datenschutz"));
    };
    TestDb firm(false, TestDb::Kind::Server);
    emptied(firm);
    QString out;
    ASSERT_EQ(
        tavirel({QStringLiteral("init-db"), QStringLiteral("--demo"), QStringLiteral("--db"), firm.path()},
                &out),
        0)
        << qPrintable(out);
    EXPECT_TRUE(out.contains(QStringLiteral("mit Beispieldaten"))) << qPrintable(out);
    EXPECT_EQ(tavirel({QStringLiteral("init-db"), QStringLiteral("--db"), firm.path()}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("enthält bereits Tabellen"))) << qPrintable(out);
    const qint64 documents = firm.scalar(QStringLiteral("select count(*) from Vorgang1")).rawInt();
    ASSERT_GT(documents, 0);

    EXPECT_EQ(
        tavirel({QStringLiteral("query"), QStringLiteral("select NAME1 from Adress where NAME1 = 'MÜLLER'"),
                 QStringLiteral("--db"), firm.path()},
                &out),
        0);
    EXPECT_EQ(out, QStringLiteral("NAME1\nMüller\n"));
    EXPECT_EQ(tavirel({QStringLiteral("query"), QStringLiteral("select count(*) as n from Vorgang1"),
                       QStringLiteral("--db"), firm.path()},
                      &out),
              0);
    EXPECT_EQ(out, QStringLiteral("n\n%1\n").arg(documents));

    const QString file = firm.folder() + QStringLiteral("/zurueck/tavirel.mdb");
    ASSERT_EQ(tavirel({QStringLiteral("copy-db"), QStringLiteral("--from"), firm.path(),
                       QStringLiteral("--to"), file},
                      &out),
              0)
        << qPrintable(out);
    EXPECT_TRUE(out.contains(QStringLiteral("  Vorgang1: %1 Zeilen").arg(documents))) << qPrintable(out);
    EXPECT_TRUE(out.contains(QStringLiteral("stimmen überein"))) << qPrintable(out);
    EXPECT_EQ(tavirel({QStringLiteral("copy-db"), QStringLiteral("--from"), firm.path(),
                       QStringLiteral("--to"), file},
                      &out),
              1);
    EXPECT_TRUE(out.contains(QStringLiteral("nicht leer"))) << qPrintable(out);

    TestDb again(false, TestDb::Kind::Server);
    emptied(again);
    ASSERT_EQ(tavirel({QStringLiteral("copy-db"), QStringLiteral("--from"), file, QStringLiteral("--to"),
                       again.path()},
                      &out),
              0)
        << qPrintable(out);
    EXPECT_EQ(again.scalar(QStringLiteral("select count(*) from Vorgang1")).rawInt(), documents);
    EXPECT_EQ(tavirel({QStringLiteral("copy-db"), QStringLiteral("--from"),
                       firm.folder() + QStringLiteral("/fehlt.mdb"), QStringLiteral("--to"), again.path()},
                      &out),
              1);
    EXPECT_TRUE(out.contains(QStringLiteral("fehlt.mdb gibt es nicht"))) << qPrintable(out);
}

// Every command that reads the database takes a server's location after
// --db, and writes from the server what it writes from a file.
TEST_F(OnServer, EveryCommandGivesTheSameFromTheServerAsFromAFile)
{
    TestDb file(true, TestDb::Kind::File);
    TestDb server(true, TestDb::Kind::Server);
    const qint64 invoice =
        server.scalar(QStringLiteral("select min(id) from Vorgang1 where typ = 'R' and storniert = false"))
            .rawInt();
    ASSERT_EQ(invoice, file.scalar(QStringLiteral(
                                       "select min(id) from Vorgang1 where typ = 'R' and storniert = false"))
                           .rawInt());
    file.raw().close();
    auto run = [](const QStringList &args, QString *errors) {
        QProcess p;
        p.start(testProgram(), args);
        p.waitForFinished(120000);
        *errors = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    auto bytes = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString id = QString::number(invoice);
    const struct
    {
        QStringList command; // then the output file, then the options
        const char *name;
        QStringList options;
        bool same; // byte for byte (a PDF carries its time of making)
    } commands[] = {
        {{QStringLiteral("export-list")}, "liste.csv", {}, true},
        {{QStringLiteral("export-list")},
         "offen.csv",
         {QStringLiteral("--status"), QStringLiteral("offen")},
         true},
        {{QStringLiteral("xrechnung"), id}, "rechnung.xml", {}, true},
        {{QStringLiteral("pdf"), id}, "rechnung.pdf", {}, false},
        {{QStringLiteral("invoice-report"), QStringLiteral("alle")}, "liste.pdf", {}, false},
    };
    for (const auto &c : commands) {
        const QString a = file.folder() + QLatin1Char('/') + QString::fromLatin1(c.name);
        const QString b = server.folder() + QLatin1Char('/') + QString::fromLatin1(c.name);
        QString errors;
        ASSERT_EQ(
            run(c.command + QStringList{a} + c.options + QStringList{QStringLiteral("--db"), file.path()},
                &errors),
            0)
            << c.name << ": " << qPrintable(errors);
        ASSERT_EQ(
            run(c.command + QStringList{b} + c.options + QStringList{QStringLiteral("--db"), server.path()},
                &errors),
            0)
            << c.name << ": " << qPrintable(errors);
        EXPECT_GT(bytes(b).size(), 200) << c.name;
        if (c.same) {
            EXPECT_EQ(bytes(a), bytes(b)) << c.name;
        }
    }
    QString errors;
    EXPECT_EQ(
        run({QStringLiteral("invoice-contracts"), QStringLiteral("M"), QStringLiteral("--db"), server.path()},
            &errors),
        0)
        << qPrintable(errors);
}

// The server goes away while a document is being deleted with its positions:
// the user hears it in German, nothing is half-deleted, and once the server
// answers again the same connection works on.
class ServerGoesAway : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        NEEDS_SERVER();
        if (!TestDb::onServer()) GTEST_SKIP() << "läuft mit den Tests gegen den Server";
        ModulesFixture::SetUp();
    }
    void killConnection()
    {
        TestDb::Kind kind = TestDb::Kind::Server;
        Q_UNUSED(kind);
        auto pid = addresses->Datenbank.engine().prepare(QStringLiteral("select pg_backend_pid()"));
        ASSERT_TRUE(pid->step());
        const qint64 backend = pid->columnDynamic(0).rawInt();
        auto kill = db->raw().prepare(QStringLiteral("select pg_terminate_backend(cast(? as integer))"));
        kill->bind(1, Value(backend));
        kill->step();
    }
};

TEST_F(ServerGoesAway, InTheMiddleOfADeleteNothingIsHalfDeleted)
{
    newDocument(QStringLiteral("R"));
    addPosition(1, 2, 1, QStringLiteral("eins"));
    addPosition(1, 2, 1, QStringLiteral("zwei"));
    addPosition(1, 2, 1, QStringLiteral("drei"));
    vorgang().Post();
    ASSERT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 3);
    int deleted = 0;
    positions().AfterDelete = [&](TVexDaoTable &) {
        if (++deleted == 1) killConnection();
    };
    const QString msg = ERROR_OF(vorgang().Delete());
    EXPECT_TRUE(msg.startsWith(QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen")))
        << qPrintable(msg);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 3) << "no position is gone";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 1);
    positions().AfterDelete = {};
    // The connection is made anew on the next use; the delete then goes through.
    vorgang().Refresh();
    positions().Refresh();
    EXPECT_EQ(positions().RecordCount(), 3);
    vorgang().Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 0);
}

TEST_F(ServerGoesAway, ANewAddressStaysWithTheUserWhenItsSaveFails)
{
    addresses->Adress.Insert();
    addresses->AdressNAME1->SetAsString(QStringLiteral("Neu GmbH"));
    killConnection();
    const QString msg = ERROR_OF(addresses->Adress.Post());
    EXPECT_TRUE(msg.startsWith(QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen")))
        << qPrintable(msg);
    EXPECT_EQ(addresses->Adress.State(), DataSetState::Edit);
    EXPECT_EQ(addresses->AdressNAME1->AsString(), QStringLiteral("Neu GmbH"));
    addresses->Adress.Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select NAME1 from Adress")).rawText(), QStringLiteral("Neu GmbH"));
}

// The server itself stops while a document and its positions are deleted,
// and starts again: nothing was half-deleted, and the program goes on.
TEST_F(ServerGoesAway, ServerStoppedInTheMiddleOfASave)
{
    const QString cluster = qEnvironmentVariable("TAVIREL_TEST_PG_DIR");
    if (cluster.isEmpty())
        GTEST_SKIP() << "der Server von scripts/test (TAVIREL_TEST_PG_DIR) lässt sich anhalten";
    auto control = [&](const char *what) {
        QProcess p;
        p.start(QStringLiteral(TAVIREL_SOURCE_DIR "/scripts/pg-cluster"),
                {QString::fromLatin1(what), cluster});
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    newDocument(QStringLiteral("R"));
    addPosition(1, 2, 1, QStringLiteral("eins"));
    addPosition(1, 2, 1, QStringLiteral("zwei"));
    vorgang().Post();
    bool stopped = false;
    positions().AfterDelete = [&](TVexDaoTable &) {
        if (!stopped) stopped = control("pause");
    };
    const QString msg = ERROR_OF(vorgang().Delete());
    positions().AfterDelete = {};
    ASSERT_TRUE(stopped);
    ASSERT_TRUE(control("resume"));
    EXPECT_TRUE(msg.startsWith(QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen")))
        << qPrintable(msg);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 2) << "no position is gone";
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang1")), 1);
    vorgang().Refresh();
    vorgang().Delete();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Vorgang2")), 0);
}

// Two runs of the periodic invoicing at the same time, as two workstations
// start them: every invoice gets a number of its own.
TEST_F(OnServer, ConcurrentRunsNeverGiveANumberTwice)
{
    TestDb db(false, TestDb::Kind::Server);
    db.exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (1, 'Anton')"));
    for (int i = 0; i < 15; ++i) {
        db.exec(QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieltage, VertragT, vk) "
                               "values ('V', '%1', 1, '2026-01-05', 14, 'M', 10)")
                    .arg(30000 + i));
        db.exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, anzahl, Preis) "
                               "select max(id), 1, 'Wartung', 1, 10 from Vorgang1"));
    }
    QProcess a, b;
    const QStringList args = {QStringLiteral("invoice-contracts"), QStringLiteral("M"),
                              QStringLiteral("--db"), db.path()};
    a.start(testProgram(), args);
    b.start(testProgram(), args);
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    // Each contract once: the second run finds the month invoiced.
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from Vorgang1 where typ = 'R'")).rawInt(), 15);
    EXPECT_EQ(
        db.scalar(QStringLiteral("select count(distinct vorgangnr) from Vorgang1 where typ = 'R'")).rawInt(),
        15);
}

// A stalled workstation (a laptop closed in the middle of a save, a hung
// program) loses the write lock after the stall timeout: meanwhile the others
// hear that the database is busy, afterwards they save; the stalled one, when
// it wakes, hears that its change was not saved.
TEST_F(OnServer, AStalledWorkstationLosesItsLock)
{
    if (!TestDb::onServer()) GTEST_SKIP() << "läuft mit den Tests gegen den Server";
    TestDb db(false, TestDb::Kind::Server);
    TVexDaoDatabase stalled, other;
    for (TVexDaoDatabase *c : {&stalled, &other}) {
        c->setDatabase(db.path());
        c->Open();
    }
    auto save = [](TVexDaoDatabase &c, const QString &name) {
        TVexDaoTable t(nullptr, QStringLiteral("Adress"));
        t.setDatabase(&c);
        t.setTableName(QStringLiteral("Adress"));
        t.Open();
        t.Insert();
        t.FieldByName(QStringLiteral("NAME1"))->SetAsString(name);
        t.Post();
    };
    stalled.engine().setStallTimeout(1500);
    other.engine().setBusyTimeout(100);
    stalled.StartTransaction();
    save(stalled, QStringLiteral("angefangen"));
    EXPECT_TRUE(ERROR_OF(save(other, QStringLiteral("wartet")))
                    .startsWith(QStringLiteral("Die Datenbank wird gerade von einem anderen Programm")));
    other.engine().setBusyTimeout(30000);
    save(other, QStringLiteral("danach")); // as soon as the server has ended the stalled session
    const QString msg = ERROR_OF(save(stalled, QStringLiteral("aufgewacht")));
    EXPECT_TRUE(msg.contains(QStringLiteral("länger als 2 Sekunden nicht weitergearbeitet")))
        << qPrintable(msg);
    EXPECT_TRUE(msg.contains(QStringLiteral("nicht gespeichert"))) << qPrintable(msg);
    stalled.Rollback();
    EXPECT_EQ(db.scalar(QStringLiteral("select string_agg(NAME1, ',') from Adress")).rawText(),
              QStringLiteral("danach"));
    save(stalled, QStringLiteral("wieder da")); // on a new connection
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from Adress")).rawInt(), 2);
}

// A login that may only read connects and reads, but cannot take the write
// lock, so it never holds up the workstations that save; a full disk on the
// server is told in German, and the row stays with the user.
TEST_F(OnServer, AReadingLoginNeverBlocksTheOthersAndAFullDiskIsTold)
{
    TestDb db(false, TestDb::Kind::Server);
    db.exec(
        QStringLiteral("DO $$ BEGIN CREATE ROLE tv_leser LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; "
                       "END $$; GRANT USAGE ON SCHEMA %1 TO tv_leser; "
                       "GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO tv_leser")
            .arg(db.schema()));
    auto dropRole = qScopeGuard([&] {
        db.exec(QStringLiteral("DROP OWNED BY tv_leser"));
        db.exec(QStringLiteral("DROP ROLE tv_leser"));
    });
    QString readerLocation = db.path();
    readerLocation.replace(QStringLiteral("://tavirel@"), QStringLiteral("://tv_leser@"));
    {
        auto reader = Engine::create(QStringLiteral("postgresql"));
        reader->open(readerLocation);
        EXPECT_FALSE(reader->canWrite());
        EXPECT_TRUE(
            ERROR_OF(reader->begin()).contains(QStringLiteral("darf die Tabellen des Programms nicht")));
        // What any login may do: read inside a transaction, and hold the
        // advisory lock that once was the program's write lock.
        reader->exec(QStringLiteral("BEGIN; SELECT count(*) FROM adress; SELECT pg_advisory_xact_lock(7461, "
                                    "(SELECT oid::int FROM pg_namespace WHERE nspname = current_schema()))"));
        TVexDaoDatabase conn;
        conn.setDatabase(db.path());
        conn.Open();
        conn.engine().setBusyTimeout(200);
        TVexDaoTable t(nullptr, QStringLiteral("Adress"));
        t.setDatabase(&conn);
        t.setTableName(QStringLiteral("Adress"));
        t.Open();
        t.Insert();
        t.FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("gespeichert"));
        EXPECT_EQ(ERROR_OF(t.Post()), QString());

        db.exec(QStringLiteral(
            "CREATE FUNCTION voll() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE "
            "EXCEPTION 'could not extend file' USING ERRCODE = 'disk_full'; END $$; "
            "CREATE TRIGGER voll BEFORE INSERT ON adress FOR EACH ROW EXECUTE FUNCTION voll()"));
        t.Insert();
        t.FieldByName(QStringLiteral("NAME1"))->SetAsString(QStringLiteral("kein Platz"));
        EXPECT_TRUE(
            ERROR_OF(t.Post()).startsWith(QStringLiteral("Der Datenträger des Datenbankservers ist voll")));
        EXPECT_EQ(t.State(), DataSetState::Insert);
        EXPECT_EQ(t.FieldByName(QStringLiteral("NAME1"))->AsString(), QStringLiteral("kein Platz"));
    }
}

// PostgreSQL's own statistics job, vacuumdb and a pg_dump restored with
// pg_restore work on the program's database, also on one made by an older
// version (functions that named no schema, indexes read only one way), which
// the program brings up to date when it opens it.
TEST_F(OnServer, TheServersOwnToolsWorkOnTheDatabase)
{
    if (!TestDb::onServer()) GTEST_SKIP() << "läuft mit den Tests gegen den Server";
    const QString vacuumdb = QStandardPaths::findExecutable(QStringLiteral("vacuumdb"));
    const QString dump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    const QString restore = QStandardPaths::findExecutable(QStringLiteral("pg_restore"));
    if (vacuumdb.isEmpty() || dump.isEmpty() || restore.isEmpty())
        GTEST_SKIP() << "PostgreSQL-Werkzeuge fehlen";
    TestDb db(true, TestDb::Kind::Server);
    const QString s = db.schema();
    db.exec(QStringLiteral(
        "CREATE OR REPLACE FUNCTION tvkey(s text) RETURNS text LANGUAGE sql IMMUTABLE AS $f$ SELECT CASE "
        "WHEN "
        "octet_length(s) = length(s) THEN lower(s COLLATE \"C\") ELSE tvbase(tvfold(s)) || chr(1) || "
        "tvfold(s) END $f$; CREATE OR REPLACE FUNCTION tvsupport() RETURNS integer LANGUAGE sql IMMUTABLE AS "
        "$f$ SELECT 2 $f$; DROP INDEX ix_vorgang1_typ_numnr; CREATE INDEX ix_vorgang1_typ_numnr ON vorgang1 "
        "((tvkey(typ) COLLATE \"C\"), (tvval(vorgangnr)))"));
    auto tool = [](const QString &program, const QStringList &args) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(120000);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
                   ? QString()
                   : err + QStringLiteral(" (Fehler)");
    };
    const QStringList analyze = {QStringLiteral("--analyze-only"),
                                 QStringLiteral("-t"),
                                 s + QStringLiteral(".vorgang1"),
                                 QStringLiteral("-t"),
                                 s + QStringLiteral(".adress"),
                                 QStringLiteral("-d"),
                                 TestDb::serverBase()};
    EXPECT_NE(tool(vacuumdb, analyze), QString()) << "an older database fails as it did";
    {
        TVexDaoDatabase conn; // brings it up to date
        conn.setDatabase(db.path());
        conn.Open();
    }
    EXPECT_EQ(tool(vacuumdb, analyze), QString());

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/tavirel.dump");
    ASSERT_EQ(tool(dump, {QStringLiteral("-Fc"), QStringLiteral("-n"), s, QStringLiteral("-f"), file,
                          QStringLiteral("-d"), TestDb::serverBase()}),
              QString());
    const QString copyName = s + QStringLiteral("_zurueck");
    db.exec(QStringLiteral("CREATE DATABASE %1").arg(copyName));
    auto dropCopy =
        qScopeGuard([&] { db.exec(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(copyName)); });
    QString copy = TestDb::serverBase();
    copy.replace(QRegularExpression(QStringLiteral("/[^/?]*$")), QLatin1Char('/') + copyName);
    EXPECT_EQ(tool(restore, {QStringLiteral("-d"), copy, file}), QString());
    TVexDaoDatabase conn;
    conn.setDatabase(copy + QStringLiteral("?options=-csearch_path%3D") + s);
    conn.Open();
    QStringList wanted;
    for (const IndexDef &ix : Schema::indexes())
        wanted << ix.name;
    QStringList present = conn.engine().indexes();
    for (const QString &name : std::as_const(wanted))
        EXPECT_TRUE(present.contains(name)) << qPrintable(name);
    TVexDaoTable docs;
    docs.setDatabase(&conn);
    docs.SQL() << QStringLiteral(
        "select vorgangnr from Vorgang1 where typ = 'r' order by val(vorgangnr) desc");
    docs.Open();
    EXPECT_EQ(docs.RecordCount(),
              db.scalar(QStringLiteral("select count(*) from vorgang1 where typ = 'R'")).rawInt());
}

// A value of an old file that would not arrive as it is (a date that is
// none, text in a number column) stops the copy, naming table, row and
// column, with nothing written; --lenient copies it empty and lists it.
TEST_F(OnServer, CopyStopsAtAValueThatWouldArriveChanged)
{
    TestDb file(false, TestDb::Kind::File);
    file.exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, datum, vk) values ('R', '1', '2023-02-30', 'zwölf')"));
    file.exec(QStringLiteral(
        "insert into Vorgang1 (typ, vorgangnr, datum, vk) values ('R', '2', 'kein Datum', 5)"));
    TestDb server(false, TestDb::Kind::Server);
    server.exec(
        QStringLiteral("DROP TABLE adress, personen, vorgang1, vorgang2, vtyp, artikel, notizen, erechnung, "
                       "eingangsrechnung, lieferantenkonto, datenschutz"));
    const QStringList args = {QStringLiteral("copy-db"), QStringLiteral("--from"), file.path(),
                              QStringLiteral("--to"), server.path()};
    const CommandRun strict = tavirel(args);
    EXPECT_EQ(strict.status, 1);
    EXPECT_TRUE(strict.err.contains(QStringLiteral(
        "Tabelle Vorgang1, Zeile mit rowid 1, Spalte datum: „2023-02-30“ ist kein gültiges Datum")))
        << qPrintable(strict.err);
    EXPECT_EQ(
        server.scalar(QStringLiteral("select count(*) from pg_tables where schemaname = current_schema()"))
            .rawInt(),
        0);
    const CommandRun lenient = tavirel(args + QStringList{QStringLiteral("--lenient")});
    EXPECT_EQ(lenient.status, 0) << qPrintable(lenient.err);
    for (const char *listed :
         {"rowid 1, Spalte datum: „2023-02-30“", "rowid 1, Spalte vk: „zwölf“ ist keine Zahl",
          "rowid 2, Spalte datum: „kein Datum“"})
        EXPECT_TRUE(lenient.out.contains(QString::fromUtf8(listed))) << qPrintable(lenient.out);
    EXPECT_EQ(server.scalar(QStringLiteral("select count(*) from vorgang1 where datum is null")).rawInt(), 2);
    EXPECT_EQ(server.scalar(QStringLiteral("select vk from vorgang1 where vorgangnr = '2'")).rawDouble(),
              5.0);
}

} // namespace
