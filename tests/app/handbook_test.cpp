// SPDX-License-Identifier: GPL-3.0-or-later
// The manual in the program: every page and anchor that a window or another
// page names exists; F1 and "Hilfe › Handbuch" open it at the window in
// front, also over a modal dialog run by the real event loop; "Über …".
#include "app/tfhandbuch.h"
#include "app/tfmain.h"

#include "tests/screenshot.h"
#include "testwindows.h"
#include "widgets/scripteddialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString resource(const QUrl &url)
{
    QFile f(QLatin1Char(':') + url.path());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The page exists and, where an anchor is named, holds it.
void expectTarget(const QUrl &url, const QString &from)
{
    const QString page = resource(url);
    ASSERT_FALSE(page.isEmpty()) << url.toString().toStdString() << " (from " << from.toStdString() << ")";
    if (url.hasFragment()) {
        EXPECT_TRUE(page.contains(QStringLiteral("name=\"%1\"").arg(url.fragment())))
            << url.toString().toStdString() << " (from " << from.toStdString() << ")";
    }
}

} // namespace

TEST(Handbook, EveryPageAndAnchorNamedByAWindowOrAPageExists)
{
    for (const QUrl &url : TFHandbuch::places())
        expectTarget(url, QStringLiteral("the windows"));
    int pages = 0;
    static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
    QDirIterator it(QStringLiteral(":/handbuch"), {QStringLiteral("*.html")});
    while (it.hasNext()) {
        const QString path = it.next();
        ++pages;
        const QUrl base(QStringLiteral("qrc") + path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_FALSE(html.contains(QStringLiteral(".md\""))) << path.toStdString();
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QUrl target = base.resolved(QUrl(m.next().captured(1)));
            if (target.scheme() != QLatin1String("qrc")) continue; // web and mail
            if (target.path().endsWith(QLatin1String(".png")))
                EXPECT_TRUE(QFile::exists(QLatin1Char(':') + target.path()))
                    << target.toString().toStdString();
            else
                expectTarget(target, path);
        }
    }
    EXPECT_GE(pages, 9);
}

class HandbookTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dialogs->onUnexpected = [](const QString &what) { ADD_FAILURE() << what.toStdString(); };
        main = std::make_unique<Tfmain>();
        main->show();
        QApplication::setActiveWindow(main.get());
    }
    void TearDown() override
    {
        if (TFHandbuch *v = TFHandbuch::current()) delete v;
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ScriptedDialogsScope dialogs;
    std::unique_ptr<Tfmain> main;
};

TEST_F(HandbookTest, TheMenuOpensThePageOfTheWindowInFrontAndAboutNamesLicenceAndDatabase)
{
    main->Handbuch1->trigger();
    ASSERT_NE(TFHandbuch::current(), nullptr);
    EXPECT_EQ(TFHandbuch::current()->Browser->source().toString(),
              QStringLiteral("qrc:/handbuch/index.html#hauptfenster"));
    EXPECT_FALSE(TFHandbuch::current()->Browser->toPlainText().isEmpty());

    auto *list = new TestWindow(QStringLiteral("Vorgänge"));
    list->setProperty("helpPage", QStringLiteral("vorgaenge.html#vorgangsliste"));
    main->ClientArea->addSubWindow(list)->show();
    main->ClientArea->setActiveSubWindow(main->ClientArea->subWindowList().constFirst());
    main->Handbuch1->trigger();
    EXPECT_EQ(TFHandbuch::current()->Browser->source().fragment(), QStringLiteral("vorgangsliste"));
    EXPECT_TRUE(TFHandbuch::current()->windowTitle().contains(QStringLiteral("Handbuch")));

    dialogs->answerMessage(Dialogs::Ok);
    main->Ueber1->trigger();
    ASSERT_EQ(dialogs->messages().size(), 1);
    const QString about = dialogs->messages().constFirst();
    for (const char *part :
         {"Tavirelsverwaltung 1.", "GPL-3.0-or-later", "Datenbank: keine Datenbank geöffnet"})
        EXPECT_TRUE(about.contains(QString::fromUtf8(part))) << part << "\n" << about.toStdString();
}

// A modal dialog blocks every other window: F1 there gets a viewer of the
// dialog's own, at the dialog's page, that takes the focus.
TEST_F(HandbookTest, F1InAModalDialogOpensAViewerThatCanBeUsed)
{
    QDialog dialog(main.get());
    dialog.setProperty("helpPage", QStringLiteral("erster-tag.html#einrichtung"));
    auto *edit = new QLineEdit(&dialog);
    QUrl shown;
    bool ownedByTheDialog = false;
    QTimer::singleShot(0, &dialog, [&] {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_F1);
        if (TFHandbuch *v = TFHandbuch::current()) {
            shown = v->Browser->source();
            ownedByTheDialog = v->parentWidget() == &dialog && v->isVisible();
        }
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(shown.toString(), QStringLiteral("qrc:/handbuch/erster-tag.html#einrichtung"));
    EXPECT_TRUE(ownedByTheDialog);
}

// The README picture: the manual at the page of documents turning into each
// other, at 1280 x 800, and at 1920 x 1080 to look at.
TEST(Handbook, Screenshot)
{
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    for (const auto &[size, folder, name] :
         {std::tuple{QSize(1280, 800), ReadmePictures(), "handbuch.png"},
          std::tuple{QSize(1920, 1080), MorePictures(), "handbuch-1920.png"}}) {
        TFHandbuch viewer;
        viewer.showPage(QUrl(QStringLiteral("qrc:/handbuch/vorgaenge.html#umwandeln")));
        viewer.resize(size);
        viewer.show();
        QApplication::processEvents();
        const QImage image = viewer.grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        SavePng(image, folder, QString::fromLatin1(name));
    }
    QApplication::setFont(QFont());
}
