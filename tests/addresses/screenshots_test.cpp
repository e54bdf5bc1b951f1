// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the address window for the README, made offscreen from the
// demo database: the address page and the "Liste" page at 1280 x 800, then
// the same at 1920 x 1080, which must look as tidy (see tests/screenshot.h
// for where they are written).
#include "addressfixture.h"
#include "tests/screenshot.h"

#include "widgets/dbgrid.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QScrollBar>
#include <QTabWidget>

namespace {

class Screenshots : public AddressFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        AddressFixture::SetUp();
        TextFiles::saveLines(typesPath(),
                             {QStringLiteral("Anruf"), QStringLiteral("Besuch"), QStringLiteral("Brief"),
                              QStringLiteral("E-Mail"), QStringLiteral("Fax"), QStringLiteral("Termin")});
    }
    void TearDown() override
    {
        AddressFixture::TearDown();
        QApplication::setFont(QFont());
    }
    // Writes the window as it is drawn and checks that the picture holds more
    // than an empty frame.
    void save(const QString &folder, const QString &name, const QSize &size)
    {
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), size);
        ExpectNotBlank(image);
        SavePng(image, folder, name);
    }
    void takeBoth(const QString &folder, const QSize &size, const QString &suffix)
    {
        window->resize(size);
        window->PControl->setCurrentWidget(window->SAdr);
        save(folder, QStringLiteral("adressen%1.png").arg(suffix), size);
        window->PControl->setCurrentWidget(window->TabSheet4);
        window->DBGrid1->setFocus();
        save(folder, QStringLiteral("adressliste%1.png").arg(suffix), size);
        // Every column of the list in view.
        EXPECT_FALSE(window->DBGrid1->horizontalScrollBar()->isVisible()) << size.width();
    }
};

TEST_F(Screenshots, AddressPageAndList)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    openWindow();
    // An address with contact persons and notes, as the window opens: editing off.
    adress().First();
    while (!adress().Eof() && (persons().RecordCount() < 2 || window->Notizen->RecordCount() < 1))
        adress().Next();
    takeBoth(ReadmePictures(), QSize(1280, 800), QString());
    takeBoth(MorePictures(), QSize(1920, 1080), QStringLiteral("-1920"));
}

} // namespace
