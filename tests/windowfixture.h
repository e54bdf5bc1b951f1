// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every window test starts from: a fresh test database (the demo firm
// when the test asks for it) with today fixed, the program folder there, and
// the scripted dialog seam, where an unasked-for question fails the test.
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "tests/dbfixture.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>

class WindowFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        SetTodayForTests(QDate(2005, 3, 15));
        db = std::make_unique<TestDb>(demo);
        ProgramFolder::setDirForTests(db->folder());
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
    }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        documents.reset();
        addresses.reset();
        db.reset();
        ProgramFolder::setDirForTests(QString());
        SetTodayForTests(QDate());
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
    QString lastMessage() { return dialogs->messages().isEmpty() ? QString() : dialogs->messages().last(); }

    bool demo = false;
    ScriptedDialogsScope dialogs;
    std::unique_ptr<TestDb> db;
    std::unique_ptr<Tdataa> addresses;
    std::unique_ptr<TData> documents;
};
