// SPDX-License-Identifier: GPL-3.0-or-later
// The text file editor on its own: neither its close button nor a failed
// write loses anything. Its use for the units is tested with the article
// window.
#include "base/apperror.h"
#include "base/textfiles.h"
#include "documents/tftedit.h"
#include "tests/testdb.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TextEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        path = dir.path() + QStringLiteral("/einheit.txt");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Stk\nh\n\xE4rger\n"); // an older file: LF only, Windows-1252
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
    }
    QByteArray bytes() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
    QString path;
    ScriptedDialogsScope dialogs;
};

TEST_F(TextEditor, TheCloseButtonLeavesTheFileAsItWas)
{
    const QByteArray before = bytes();
    TFtedit editor;
    editor.SetFileName(path);
    editor.LoadFile();
    EXPECT_EQ(editor.Textfeld->toPlainText(), QStringLiteral("Stk\nh\närger"))
        << "an older Windows-1252 file";
    editor.show();
    editor.Textfeld->setPlainText(QStringLiteral("alles anders"));
    editor.close();
    EXPECT_EQ(editor.result(), QDialog::Rejected);
    EXPECT_EQ(bytes(), before);
}

TEST_F(TextEditor, AFileThatCannotBeWrittenKeepsTheEditorOpenWithTheText)
{
    TFtedit editor;
    editor.SetFileName(dir.path() + QStringLiteral("/fehlt/einheit.txt"));
    editor.LoadFile(); // not there yet: opens empty
    EXPECT_TRUE(editor.Textfeld->toPlainText().isEmpty());
    editor.show();
    editor.Textfeld->setPlainText(QStringLiteral("Stk\nkg"));
    dialogs->answerMessage(Dialogs::Ok);
    editor.OKBtn->click();
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_EQ(
        dialogs->messages().first(),
        QStringLiteral("Tavirelsverwaltung|Die Datei %1 kann nicht geschrieben werden: den Ordner %2 gibt "
                       "es nicht.")
            .arg(QDir::toNativeSeparators(dir.path() + QStringLiteral("/fehlt/einheit.txt")),
                 QDir::toNativeSeparators(dir.path() + QStringLiteral("/fehlt"))));
    EXPECT_TRUE(editor.isVisible());
    EXPECT_NE(editor.result(), QDialog::Accepted);
    EXPECT_EQ(editor.Textfeld->toPlainText(), QStringLiteral("Stk\nkg"));
}

} // namespace
