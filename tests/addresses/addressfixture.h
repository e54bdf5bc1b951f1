// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address data module on a fresh test database with today fixed, the
// scripted dialog seam (an unasked-for question fails the test), a program
// folder with its note types, and the address window on the offscreen
// platform.
#include "addresses/lettertabs.h"
#include "addresses/tfadr.h"
#include "base/textfiles.h"
#include "tests/windowfixture.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QtTest/QTest>

class AddressFixture : public WindowFixture
{
  protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        QDir(db->folder()).mkpath(QStringLiteral("notiz"));
        TextFiles::saveLines(typesPath(),
                             {QStringLiteral("Termin"), QStringLiteral("Anruf"), QStringLiteral("Brief")});
    }
    void TearDown() override
    {
        delete window.data();
        WindowFixture::TearDown();
    }

    // The address data module alone as start-up makes it, over what the test put into the file.
    void openModule()
    {
        addresses = std::make_unique<Tdataa>();
        dataa = addresses.get();
        addresses->DataModuleCreate(db->path());
    }
    TFAdr *openWindow()
    {
        if (!addresses) openModule();
        window = new TFAdr;
        window->resize(1280, 800);
        window->show();
        QApplication::setActiveWindow(window);
        return window;
    }

    // Rows written straight into the file, before the module reads it.
    void address(int kdnr, const QString &name1, const QString &vorname = QString(),
                 const QString &ort = QString())
    {
        db->exec(QStringLiteral("insert into Adress (ID, KDNR, NAME1, VORNAME, ORT, TYP, kunde, Lieferant, "
                                "Serienbrief) values (%1, %1, '%2', '%3', '%4', 1, 0, 0, 0)")
                     .arg(kdnr)
                     .arg(name1, vorname, ort));
    }
    void person(int firmaid, const QString &name, const QString &email = QString())
    {
        db->exec(QStringLiteral("insert into Personen (FIRMAID, NAME, EMAIL) values (%1, '%2', '%3')")
                     .arg(firmaid)
                     .arg(name, email));
    }
    void note(int kdnr, const QString &isoDate, const QString &typ, const QString &text)
    {
        db->exec(QStringLiteral("insert into Notizen (KDNR, Datum, Typ, Text) values (%1, '%2', '%3', '%4')")
                     .arg(kdnr)
                     .arg(isoDate, typ, text));
    }

    TVexDaoTable &adress() { return addresses->Adress; }
    TVexDaoTable &persons() { return addresses->uPersonen; }
    QString current(const char *field) { return adress().FieldByName(QString::fromUtf8(field))->AsString(); }
    qint64 currentKdnr() { return addresses->AdressKDNR->AsInteger(); }
    QString typesPath() const { return db->folder() + QStringLiteral("/notiz/typ.txt"); }

    QPointer<TFAdr> window;
};
