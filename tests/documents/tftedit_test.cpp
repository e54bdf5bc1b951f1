// The text file editor: caption, loading, writing on "OK", and that neither
// "Abbrechen" nor a failed write loses anything.
#include "data/apperror.h"
#include "data/textfiles.h"
#include "documents/tftedit.h"
#include "tests/testdb.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
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

TEST_F(TextEditor, LoadsTheFileNamesItInTheCaptionAndWritesItBackOnOK)
{
    TFtedit editor;
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Textdatei bearbeiten"));
    editor.SetFileName(path);
    editor.LoadFile();
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Editor - einheit.txt"));
    EXPECT_EQ(editor.Textfeld->toPlainText(), QStringLiteral("Stk\nh\närger"));
    EXPECT_TRUE(editor.OKBtn->isDefault());

    editor.show();
    QApplication::setActiveWindow(&editor);
    editor.Textfeld->moveCursor(QTextCursor::End);
    QTest::keyClick(editor.Textfeld, Qt::Key_Return);
    QTest::keyClicks(editor.Textfeld, "Paar");
    editor.OKBtn->click();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(bytes(), QByteArray("Stk\r\nh\r\n\xC3\xA4rger\r\nPaar\r\n"));
}

TEST_F(TextEditor, CancelAndTheCloseButtonLeaveTheFileAsItWas)
{
    const QByteArray before = bytes();
    for (int way = 0; way < 2; ++way) {
        TFtedit editor;
        editor.SetFileName(path);
        editor.LoadFile();
        editor.show();
        editor.Textfeld->setPlainText(QStringLiteral("alles anders"));
        if (way == 0)
            editor.CancelBtn->click();
        else
            editor.close();
        EXPECT_EQ(editor.result(), QDialog::Rejected);
        EXPECT_EQ(bytes(), before);
    }
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
    EXPECT_EQ(dialogs->messages().first(),
              QStringLiteral("Tavirelsverwaltung|Datei %1 kann nicht gespeichert werden.")
                  .arg(QDir::toNativeSeparators(dir.path() + QStringLiteral("/fehlt/einheit.txt"))));
    EXPECT_TRUE(editor.isVisible());
    EXPECT_NE(editor.result(), QDialog::Accepted);
    EXPECT_EQ(editor.Textfeld->toPlainText(), QStringLiteral("Stk\nkg"));
}

TEST_F(TextEditor, AFileThatExistsButCannotBeReadIsNotOpened)
{
    const QString folder = dir.path() + QStringLiteral("/einheit2.txt");
    ASSERT_TRUE(QDir().mkpath(folder));
    TFtedit editor;
    editor.SetFileName(folder);
    QString error;
    try {
        editor.LoadFile();
    } catch (const AppError &e) {
        error = e.message();
    }
    EXPECT_EQ(error,
              QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(folder)));
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Textdatei bearbeiten"));
}

} // namespace
