// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in German: context menus of text boxes, the buttons of
// standard dialogs, the file dialog and the calendar's names, as the program
// object installs them at start-up; and the command line's help in real
// umlauts.
#include "app/germantranslations.h"

#include "data/programfolder.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList actionTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator()) texts << a->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
}

} // namespace

// The test program is made like the real one, so start-up has installed them.
TEST(GermanTranslations, StartUpLoadsQtsGermanTexts)
{
    const QString file = GermanTranslations::install();
    ASSERT_FALSE(file.isEmpty()) << "qtbase_de.qm not found: install qt6-translations-l10n";
    EXPECT_TRUE(file.startsWith(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    EXPECT_TRUE(file.endsWith(QLatin1String("qtbase_de.qm")));
    EXPECT_EQ(GermanTranslations::install(), file) << "a second call loads nothing twice";
    EXPECT_EQ(GermanTranslations::searchFolders().value(1),
              ProgramFolder::file(QStringLiteral("translations")));
    EXPECT_EQ(QLocale().language(), QLocale::German);
}

TEST(GermanTranslations, TextBoxMenusAndDialogsSpeakGerman)
{
    GermanTranslations::install();
    const QStringList english = {QStringLiteral("&Undo"),     QStringLiteral("&Redo"),
                                 QStringLiteral("Cu&t"),      QStringLiteral("&Copy"),
                                 QStringLiteral("&Paste"),    QStringLiteral("Delete"),
                                 QStringLiteral("Select All")};
    QLineEdit line(QStringLiteral("Text"));
    std::unique_ptr<QMenu> lineMenu(line.createStandardContextMenu());
    QPlainTextEdit memo(QStringLiteral("Text"));
    std::unique_ptr<QMenu> memoMenu(memo.createStandardContextMenu());
    for (QMenu *menu : {lineMenu.get(), memoMenu.get()}) {
        const QStringList texts = actionTexts(menu);
        EXPECT_TRUE(texts.contains(QStringLiteral("&Kopieren")))
            << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(texts.contains(QStringLiteral("Alles auswählen")))
            << texts.join(QLatin1Char('|')).toStdString();
        for (const QString &e : english)
            EXPECT_FALSE(texts.contains(e)) << e.toStdString();
    }

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save |
                             QDialogButtonBox::Close);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("Speichern"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Close)->text(), QStringLiteral("Schließen"));

    QFileDialog files(nullptr, QString(), QDir::tempPath());
    files.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (QLabel *l : files.findChildren<QLabel *>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Suchen in:"))) << labels.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(labels.contains(QStringLiteral("Look in:")));

    QCalendarWidget calendar;
    EXPECT_EQ(calendar.locale().monthName(3), QStringLiteral("März"));
    EXPECT_EQ(calendar.locale().dayName(1, QLocale::ShortFormat), QStringLiteral("Mo."));
}

TEST(GermanTranslations, CommandLineHelpWritesUmlautsInUtf8)
{
    QProcess program;
    program.start(QStringLiteral(TAVIREL_PROGRAM_DIR "/tavirel"), {QStringLiteral("--help")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
    const QByteArray bytes = program.readAllStandardOutput();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString help = utf8(bytes);
    EXPECT_FALSE(utf8.hasError());
    for (const char *word : {"überschrieben", "führt", "Verträgen", "Zeilenumbrüche", "für"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(word))) << word;
    for (const char *word : {"ueberschrieben", "fuehrt", "Vertraegen", "Zeilenumbrueche", " fuer "})
        EXPECT_FALSE(help.contains(QLatin1String(word))) << word;
}
