// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Both data modules on a fresh test database with today fixed, the scripted
// dialog seam (an unasked-for question fails the test), a program folder with
// its units file, and the article window on the offscreen platform.
#include "articles/tfartikel.h"
#include "base/textfiles.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/settings.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "tests/windowfixture.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>
#include <QtTest/QTest>

class ArticleFixture : public WindowFixture
{
  protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        TextFiles::saveLines(unitsPath(), {QStringLiteral("Stk"), QStringLiteral("h"), QStringLiteral("kg")});
    }
    void TearDown() override
    {
        delete window.data();
        WindowFixture::TearDown();
    }

    // The window on its own, active as when it comes to the front.
    TFartikel *openWindow()
    {
        if (!documents) openModules();
        window = new TFartikel;
        window->resize(1280, 800);
        window->show();
        QApplication::setActiveWindow(window);
        if (!window->activeChild()) window->FormActivate();
        return window;
    }

    // An article written straight into the file, before the module reads it.
    void article(const QString &nr, const QString &titel, double ek, double vk,
                 const QString &waehrung = QStringLiteral("DM"),
                 const QString &preisdatum = QStringLiteral("2001-06-01"))
    {
        db->exec(QStringLiteral("insert into Artikel (\"Art-Nr\", Beschreibung, EK, VK, Einheit, Waehrung, "
                                "Preisdatum) values ('%1', '%2', %3, %4, 'Stk', '%5', '%6')")
                     .arg(nr, titel)
                     .arg(ek, 0, 'g', 17)
                     .arg(vk, 0, 'g', 17)
                     .arg(waehrung, preisdatum));
    }
    double stored(const QString &nr, const char *column)
    {
        return db
            ->scalar(QStringLiteral("select \"%1\" from Artikel where \"Art-Nr\" = '%2'")
                         .arg(QString::fromLatin1(column), nr))
            .toDouble();
    }
    QString storedText(const QString &nr, const char *column)
    {
        return db
            ->scalar(QStringLiteral("select \"%1\" from Artikel where \"Art-Nr\" = '%2'")
                         .arg(QString::fromLatin1(column), nr))
            .rawText();
    }

    TVexDaoTable &artikel() { return documents->Artikel; }
    TField *field(const char *name) { return artikel().FieldByName(QString::fromLatin1(name)); }
    QString currentNr() { return field("Art-Nr")->AsString(); }
    QString unitsPath() const { return db->folder() + QStringLiteral("/einheit.txt"); }
    QString iniPath() const { return ProgramFolder::iniPath(); }

    QPointer<TFartikel> window;
};
