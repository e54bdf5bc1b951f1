// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two data modules on a fresh test database, with today fixed, as the
// program has them after start-up.
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/samplefirm.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "tests/dbfixture.h"

#include <QDir>
#include <QFile>
#include <initializer_list>

// The data modules and the steps tests take on their documents; the
// fixtures below start them.
class ModulesBase : public ::testing::Test
{
  protected:
    // Today fixed, a fresh database (the demo firm where asked) and the program folder there.
    void startDatabase(bool demo = false, const QDate &today = QDate(2005, 3, 15))
    {
        SetTodayForTests(today);
        db = std::make_unique<TestDb>(demo);
        ProgramFolder::setDirForTests(db->folder());
    }
    // The data modules as start-up makes them, over what the test put into the file.
    void openModules()
    {
        addresses = std::make_unique<Tdataa>();
        documents = std::make_unique<TData>(&addresses->Datenbank);
        dataa = addresses.get();
        Data = documents.get();
        addresses->DataModuleCreate(db->path());
        documents->DataCreate();
    }
    void TearDown() override
    {
        documents.reset();
        addresses.reset();
        db.reset();
        ProgramFolder::setDirForTests(QString());
        SetTodayForTests(QDate());
    }

    // Files of the program folder as the program ships them, beside the database.
    void copyProgramFiles(std::initializer_list<const char *> names)
    {
        const QDir source(QStringLiteral(TAVIREL_SOURCE_DIR "/resources/programfolder"));
        for (const char *name : names)
            QFile::copy(source.filePath(QString::fromLatin1(name)),
                        db->folder() + QLatin1Char('/') + QString::fromLatin1(name));
    }

    // The sample firm's settings and letterhead beside the database, as the
    // sample data brings them.
    void sampleFirm() { SampleFirm::write(db->folder()); }

    TVexDaoTable &vorgang() { return documents->vorgang; }
    TVexDaoTable &positions() { return documents->vorgangdata; }
    TField *doc(const char *name) { return vorgang().FieldByName(QString::fromUtf8(name)); }
    TField *pos(const char *name) { return positions().FieldByName(QString::fromUtf8(name)); }

    // A new, numbered document of the type in edit state, as the editor makes one.
    void newDocument(const QString &typ)
    {
        vorgang().Insert();
        doc("typ")->SetAsString(typ);
        documents->AssignVorgangNr(typ);
    }
    void addPosition(double ek, double preis, double anzahl, const QString &titel = QString())
    {
        positions().Insert();
        pos("EK")->SetAsFloat(ek);
        pos("Preis")->SetAsFloat(preis);
        pos("anzahl")->SetAsFloat(anzahl);
        if (!titel.isEmpty()) pos("Titel")->SetAsString(titel);
        positions().Post();
    }
    qint64 count(const QString &sql) { return db->scalar(sql).rawInt(); }

    std::unique_ptr<TestDb> db;
    std::unique_ptr<Tdataa> addresses;
    std::unique_ptr<TData> documents;
};

class ModulesFixture : public ModulesBase
{
  protected:
    void SetUp() override
    {
        startDatabase();
        openModules();
    }
};
