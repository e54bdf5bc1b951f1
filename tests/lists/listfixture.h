// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data modules on a fresh database with today fixed, the list's select in
// the program folder, the main window with the document list registered (and
// a stand-in editor), every print recorded instead of printed, and the
// scripted dialog seam: a question nobody scripted fails the test.
#include "app/tfmain.h"
#include "base/apperror.h"
#include "documents/tkalenderform.h"
#include "lists/tfvliste.h"
#include "tests/app/testwindows.h"
#include "tests/windowfixture.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbgrid.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolButton>

class ListFixture : public WindowFixture
{
  protected:
    struct Print
    {
        QString id;
        bool preview, withDialog;
    };

    void SetUp() override
    {
        WindowFixture::SetUp();
        openModules();
        QFile::copy(QStringLiteral(TAVIREL_PROGRAM_DIR "/vliste.sql"), sqlPath());
        main = std::make_unique<Tfmain>();
        main->registerWindow(WindowKind::Vorgangsliste, [] { return new TFVListe; });
        main->registerWindow(WindowKind::Vorgang, [] { return new EditorTestWindow; });
        main->setPrintHandler([this](const QString &id, bool preview, bool withDialog) {
            if (failPrintOf == id) throw AppError(QStringLiteral("Der Drucker antwortet nicht"));
            prints.push_back({id, preview, withDialog});
        });
        main->show();
    }
    void TearDown() override
    {
        TFVListe::setReportHandlerForTests({});
        main.reset();
        WindowFixture::TearDown();
    }

    QString sqlPath() const { return db->folder() + QStringLiteral("/vliste.sql"); }

    void address(qint64 kdnr, const QString &name)
    {
        db->exec(QStringLiteral("insert into Adress (KDNR, NAME1) values (%1, '%2')").arg(kdnr).arg(name));
    }
    struct Doc
    {
        QString typ = QStringLiteral("R");
        QString nr;
        qint64 kdnr = 1005;
        QString datum = QStringLiteral("2005-02-01"); // as stored
        double vk = 100;
        bool bezahlt = false, storniert = false;
        QString vertragT;
        QString bezahltdatum;
    };
    qint64 document(const Doc &d)
    {
        const auto textOrNull = [](const QString &t) {
            return t.isEmpty() ? QStringLiteral("null") : QLatin1Char('\'') + t + QLatin1Char('\'');
        };
        db->exec(
            QStringLiteral("insert into Vorgang1 (typ, vorgangnr, kdnr, datum, vk, ek, bezahlt, storniert, "
                           "VertragT, Bezahltdatum, Waehrung) values ('%1', '%2', %3, '%4', %5, 0, %6, %7, "
                           "%8, %9, '€')")
                .arg(d.typ, d.nr)
                .arg(d.kdnr)
                .arg(d.datum)
                .arg(d.vk, 0, 'g', 17)
                .arg(d.bezahlt ? 1 : 0)
                .arg(d.storniert ? 1 : 0)
                .arg(textOrNull(d.vertragT), textOrNull(d.bezahltdatum)));
        return db->scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt();
    }
    qint64 invoice(const QString &nr, qint64 kdnr = 1005, const QString &datum = QStringLiteral("2005-02-01"))
    {
        Doc d;
        d.nr = nr;
        d.kdnr = kdnr;
        d.datum = datum;
        return document(d);
    }

    TFVListe *openList()
    {
        main->bersicht1Click();
        auto *w = qobject_cast<TFVListe *>(main->FVListe.data());
        EXPECT_NE(w, nullptr);
        return w;
    }
    TVexDaoTable &list() { return *window()->vorganglist; }
    TFVListe *window() { return qobject_cast<TFVListe *>(main->FVListe.data()); }

    // A field of every row of the list, in the list's order.
    QStringList column(const char *field)
    {
        QStringList values;
        const TField *f = list().FieldByName(QString::fromLatin1(field));
        for (int row = 0; row < list().RowCount(); ++row)
            values << f->DisplayTextAt(row);
        return values;
    }
    QStringList numbers() { return column("vorgangnr"); }

    // Chooses a line of the status box as the user does.
    void chooseStatus(int index)
    {
        window()->cstatus->setCurrentIndex(index);
        Q_EMIT window()->cstatus->activated(index);
    }

    // Answers the next calendar: checks its caption and preset day, then
    // picks the day (OK) or, with an invalid date, cancels.
    void answerCalendar(const QString &caption, const QDate &preset, const QDate &pick)
    {
        dialogs->answerExec([caption, preset, pick](QDialog &d) {
            auto &calendar = dynamic_cast<TKalenderform &>(d);
            EXPECT_EQ(calendar.windowTitle(), caption);
            EXPECT_EQ(calendar.Kalender->selectedDate(), preset) << caption.toStdString();
            if (!pick.isValid()) {
                calendar.BTAbbruchClick();
                return int(QDialog::Rejected);
            }
            calendar.Kalender->setSelectedDate(pick);
            calendar.BTOKClick();
            return calendar.result();
        });
    }

    QStringList messages() { return dialogs->messages(); }
    QStringList printedIds() const
    {
        QStringList ids;
        for (const Print &p : prints)
            ids << p.id;
        return ids;
    }

    std::unique_ptr<Tfmain> main;
    std::vector<Print> prints;
    QString failPrintOf;
};
