// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data modules on a fresh database, the letterhead files of the program
// folder beside it, and documents written straight into the tables, so that a
// test says exactly what it prints.
#include "tests/modulesfixture.h"
#include "tests/report/pdftools.h"

#include "data/programvalues.h"
#include "printing/printvorgang.h"
#include "printing/tbvorgang.h"
#include "report/pageset.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

class PrintFixture : public ModulesFixture
{
  protected:
    void SetUp() override
    {
        ModulesFixture::SetUp();
        // The preview's printer choice is per user: keep it in the test's own folder.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        sampleFirm();
        ProgramValues::instance().UstId = QStringLiteral("DE284716392");
        ProgramValues::instance().MwstSatz = 19;
    }
    void TearDown() override
    {
        ProgramValues::instance().UstId.clear();
        ProgramValues::instance().MwstSatz = 19;
        ModulesFixture::TearDown();
    }

    QString letterheadFile(const QString &name) const { return db->folder() + QLatin1Char('/') + name; }
    void writeLetterhead(const QString &name, const QByteArray &content)
    {
        QFile f(letterheadFile(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    // A document header; dates as dd.mm.yyyy or empty.
    qint64 document(const QString &typ, const QString &nr,
                    const QString &datum = QStringLiteral("10.01.2005"),
                    const QString &zieldatum = QStringLiteral("14.01.2005"),
                    const QString &waehrung = QStringLiteral("€"), const QString &kopftext = QString(),
                    const QString &fusstext = QStringLiteral("Vielen Dank für Ihren Auftrag."))
    {
        const auto iso = [](const QString &d) {
            return d.isEmpty() ? QStringLiteral("null")
                               : QStringLiteral("'%1-%2-%3'").arg(d.mid(6, 4), d.mid(3, 2), d.left(2));
        };
        db->exec(QStringLiteral(
                     "insert into Vorgang1 (typ, vorgangnr, kdnr, datum, zieldatum, zieltage, anschrift, "
                     "Kopftext, Fusstext, Waehrung) values ('%1', '%2', 1005, %3, %4, 4, "
                     "'Gemeinde Fuldabrück' || char(13,10) || 'Am Rathaus 2' || char(13,10) || "
                     "'34277 Fuldabrück', %5, '%6', '%7')")
                     .arg(typ, nr, iso(datum), iso(zieldatum),
                          kopftext.isEmpty() ? QStringLiteral("null")
                                             : QLatin1Char('\'') + kopftext + QLatin1Char('\''),
                          fusstext, waehrung));
        return db->scalar(QStringLiteral("select max(id) from Vorgang1")).rawInt();
    }
    void position(qint64 id, int pos, const QString &text, double anzahl, double preis,
                  const QString &einheit = QStringLiteral("Stk"))
    {
        db->exec(QStringLiteral(
                     "insert into Vorgang2 (vorgangID, Pos, Titel, Bezeichnung, anzahl, einheit, Preis, "
                     "EK) values (%1, %2, '%3', '%3', %4, '%5', %6, 0)")
                     .arg(id)
                     .arg(pos)
                     .arg(text)
                     .arg(anzahl, 0, 'g', 17)
                     .arg(einheit)
                     .arg(preis, 0, 'g', 17));
    }

    // The document as the preview shows it.
    std::unique_ptr<PageSet> pagesOf(qint64 id, QStringList *problems = nullptr)
    {
        TBvorgang form(&addresses->Datenbank);
        form.FormCreate(QString::number(id));
        if (problems) *problems = form.loadProblems();
        form.Bericht.title = form.titleText();
        return form.Bericht.build();
    }
    // The document's PDF as text, blanks folded; page 0 = all pages.
    QString printed(qint64 id, int page = 0)
    {
        const QString pdf = out.filePath(QStringLiteral("vorgang%1.pdf").arg(id));
        WriteVorgangPdf(&addresses->Datenbank, QString::number(id), pdf);
        return PdfTools::text(pdf, page).simplified();
    }

    QTemporaryDir out, settingsDir;
};

// Pairs of words whose boxes overlap: one printed over the other.
inline QStringList overprints(const QList<PdfTools::Word> &words)
{
    QStringList out;
    for (qsizetype i = 0; i < words.size(); ++i)
        for (qsizetype j = i + 1; j < words.size(); ++j)
            if (words[i]
                    .box.adjusted(0.1, 0.1, -0.1, -0.1)
                    .intersects(words[j].box.adjusted(0.1, 0.1, -0.1, -0.1)))
                out << words[i].text + QStringLiteral(" / ") + words[j].text;
    return out;
}

// The y position (mm from the paper's top) of the first item with the text on
// the page, or -1.
inline qreal topOf(const PageSet &pages, int page, const QString &text)
{
    for (const PageItem &it : pages.page(page).items)
        if (it.text == text) return it.rect.top();
    return -1;
}
