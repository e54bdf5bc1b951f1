// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Both data modules on a fresh test database with today fixed, the scripted
// dialog seam (an unasked-for question fails the test) and a few addresses,
// for the small windows of the document editor on the offscreen platform.
#include "tests/windowfixture.h"

#include <QtTest/QTest>

class DialogFixture : public WindowFixture
{
  protected:
    // An address written straight into the file.
    void address(int kdnr, const QString &name1, const QString &vorname, const QString &strasse,
                 const QString &plz, const QString &ort, bool kunde = true, bool lieferant = false,
                 const QString &namen = QString())
    {
        db->exec(
            QStringLiteral("insert into Adress (ID, KDNR, NAME1, VORNAME, NAMEN, STRASSE, PLZ, ORT, TYP, "
                           "kunde, Lieferant, Serienbrief) values (%1, %1, '%2', '%3', %4, '%5', %6, '%7', "
                           "1, %8, %9, 0)")
                .arg(kdnr)
                .arg(name1, vorname, namen.isNull() ? QStringLiteral("null") : u'\'' + namen + u'\'', strasse,
                     plz.isNull() ? QStringLiteral("null") : u'\'' + plz + u'\'', ort)
                .arg(kunde ? 1 : 0)
                .arg(lieferant ? 1 : 0));
    }
    void article(const QString &nr, const QString &titel, double ek, double vk, const QString &einheit,
                 const QString &bezeichnung = QString())
    {
        db->exec(
            QStringLiteral("insert into Artikel (\"Art-Nr\", Beschreibung, Bezeichnung, EK, VK, Einheit, "
                           "Waehrung, Preisdatum) values ('%1', '%2', '%3', %4, %5, '%6', '€', '2005-01-10')")
                .arg(nr, titel, bezeichnung)
                .arg(ek, 0, 'g', 17)
                .arg(vk, 0, 'g', 17)
                .arg(einheit));
    }
};
