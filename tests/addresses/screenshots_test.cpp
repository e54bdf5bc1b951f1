// Pictures of the address window for the README, made offscreen from the
// demo database: the address page and the "Liste" page at 1280 x 800.
#include "addressfixture.h"

#include "widgets/dbgrid.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
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
    // Writes the window as it is drawn and checks that the picture holds more
    // than an empty frame.
    void save(const QString &name)
    {
        const QString folder = QStringLiteral(TAVIREL_SOURCE_DIR "/docs/screenshots");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), QSize(1280, 800));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 7)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << "the picture is nearly blank";
        EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name, "PNG"));
    }
};

TEST_F(Screenshots, AddressPageAndList)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    openWindow();
    // An address with contact persons and notes.
    adress().First();
    while (!adress().Eof() && (persons().RecordCount() < 2 || window->Notizen->RecordCount() < 1))
        adress().Next();
    window->eingabeClick();
    window->PControl->setCurrentWidget(window->SAdr);
    save(QStringLiteral("adressen.png"));

    window->PControl->setCurrentWidget(window->TabSheet4);
    window->DBGrid1->setFocus();
    save(QStringLiteral("adressliste.png"));
    QApplication::setFont(QFont());
}

} // namespace
