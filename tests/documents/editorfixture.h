// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Both data modules on a fresh test database with today fixed, the scripted
// dialog seam (an unasked-for question fails the test), the letterhead files
// in the program folder, and the document editor on the offscreen platform,
// standing alone or inside the main window.
#include "app/tfmain.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "documents/tfvorgang.h"
#include "program/businesswindows.h"
#include "tests/windowfixture.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridmodel.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/QTest>

class EditorFixture : public WindowFixture
{
  protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        // The preview's printer choice is per user: kept in the test's own folder.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        sampleFirm();
        copyProgramFiles({"vertragfuss.txt", "einheit.txt"});
        ProgramValues::instance().MwstSatz = 19;
    }
    void TearDown() override
    {
        main.reset();
        delete window.data();
        WindowFixture::TearDown();
    }

    // The editor on its own, on the document with the id (as the document
    // list shows one), or on whatever is current when id is 0.
    TFVorgang *openEditor(qint64 id = 0)
    {
        if (!documents) openModules();
        if (id) showDocument(id);
        window = new TFVorgang;
        window->resize(1280, 800);
        window->show();
        QApplication::setActiveWindow(window);
        return window;
    }
    // The main window with the business windows, as start-up makes it.
    Tfmain *openMain()
    {
        if (!documents) openModules();
        main = std::make_unique<Tfmain>();
        RegisterBusinessWindows(*main);
        main->resize(1280, 800);
        main->show();
        QApplication::setActiveWindow(main.get());
        return main.get();
    }
    TFVorgang *editorInMain() { return main ? qobject_cast<TFVorgang *>(main->FVorgang.data()) : nullptr; }

    // Makes the document the current record of vorgang.
    void showDocument(qint64 id)
    {
        vorgang().setFilter(QStringLiteral("id = %1").arg(id));
        ASSERT_TRUE(vorgang().FindFirst());
        vorgang().setFilter(QString());
    }

    // Rows written straight into the file, before the modules read them.
    qint64 document(const QString &typ, const QString &nr, qint64 kdnr = 0, bool storniert = false)
    {
        db->exec(
            QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, zieltage, "
                           "anschrift, Fusstext, Waehrung, storniert, ek, vk) values ('%1', '%2', %3, "
                           "'2005-03-01', '2005-03-15', 14, 'Eva Muster', 'Vielen Dank.', '€', %4, 0, 0)")
                .arg(typ, nr, kdnr ? QString::number(kdnr) : QStringLiteral("null"))
                .arg(storniert ? 1 : 0));
        return db->scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt();
    }
    qint64 position(qint64 id, int pos, const QString &titel, double anzahl = 1, double preis = 10,
                    double ek = 5)
    {
        db->exec(QStringLiteral("insert into Vorgang2 (vorgangID, Pos, Titel, Bezeichnung, anzahl, einheit, "
                                "Preis, EK) values (%1, %2, '%3', '%3 lang', %4, 'Stk', %5, %6)")
                     .arg(id)
                     .arg(pos)
                     .arg(titel)
                     .arg(anzahl, 0, 'g', 17)
                     .arg(preis, 0, 'g', 17)
                     .arg(ek, 0, 'g', 17));
        return db->scalar(QStringLiteral("select max(id) from Vorgang2")).rawInt();
    }
    void address(int kdnr, const QString &name1, const QString &vorname = QString(), bool kunde = true,
                 bool lieferant = false)
    {
        db->exec(
            QStringLiteral("insert into Adress (ID, KDNR, NAME1, VORNAME, STRASSE, PLZ, ORT, TYP, kunde, "
                           "Lieferant, Serienbrief) values (%1, %1, '%2', '%3', 'Am Markt 1', '34117', "
                           "'Kassel', 1, %4, %5, 0)")
                .arg(kdnr)
                .arg(name1, vorname)
                .arg(kunde ? 1 : 0)
                .arg(lieferant ? 1 : 0));
    }
    void article(const QString &nr, const QString &titel, double ek, double vk, const QString &einheit = {})
    {
        db->exec(
            QStringLiteral("insert into Artikel (\"Art-Nr\", Beschreibung, Bezeichnung, EK, VK, Einheit, "
                           "Waehrung) values ('%1', '%2', '%2 ausführlich', %3, %4, '%5', '€')")
                .arg(nr, titel)
                .arg(ek, 0, 'g', 17)
                .arg(vk, 0, 'g', 17)
                .arg(einheit));
    }

    // The positions of the document as stored, "pos:titel" in the order of their numbers.
    QStringList storedPositions(qint64 id)
    {
        QStringList out;
        Engine &raw = db->raw();
        auto st = raw.prepare(
            QStringLiteral("select Pos, Titel from Vorgang2 where vorgangID = %1 order by Pos, id").arg(id));
        while (st->step()) {
            const Value titel = st->column(1, FieldType::Text);
            out << QStringLiteral("%1:%2")
                       .arg(st->column(0, FieldType::Integer).rawInt())
                       .arg(titel.isNull() ? QString() : titel.rawText());
        }
        return out;
    }
    // The positions as the grid shows them, "pos:titel" from top to bottom.
    QStringList shownPositions()
    {
        QStringList out;
        QAbstractItemModel *m = window->Tab->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString() + QLatin1Char(':') + m->index(r, 2).data().toString();
        return out;
    }
    // A column of the stored document as text; "<kein Vorgang>" when it is gone.
    QString stored(qint64 id, const char *column)
    {
        auto st = db->raw().prepare(
            QStringLiteral("select %1 from Vorgang1 where id = %2").arg(QString::fromLatin1(column)).arg(id));
        if (!st->step()) return QStringLiteral("<kein Vorgang>");
        const Value v = st->column(0, FieldType::Text);
        return v.isNull() ? QString() : v.rawText();
    }
    // The stored rates of the document's positions in the order of their numbers.
    QString storedPositionRates(qint64 id)
    {
        QStringList out;
        auto st = db->raw().prepare(
            QStringLiteral("select MwstSatz from Vorgang2 where vorgangID = %1 order by Pos").arg(id));
        while (st->step())
            out << QString::number(st->column(0, FieldType::Number).toDouble());
        return out.join(QLatin1Char(' '));
    }
    double storedNumber(qint64 id, const char *column)
    {
        return db
            ->scalar(QStringLiteral("select %1 from Vorgang1 where id = %2")
                         .arg(QString::fromLatin1(column))
                         .arg(id))
            .toDouble();
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<Tfmain> main;
    QPointer<TFVorgang> window;
};
