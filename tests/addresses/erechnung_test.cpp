// SPDX-License-Identifier: GPL-3.0-or-later
// The e-invoice data of an address, edited from the address window: kept in
// its own table under the customer number, shown again next time, removed
// when both values are emptied, and only while editing is allowed.
#include "addressfixture.h"
#include "tests/screenshot.h"

#include "addresses/tferechnung.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>

namespace {

class ERechnungDialog : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1, QStringLiteral("Adler"));
        address(2, QStringLiteral("Gemeinde Fuldabrück"));
        db->exec(QStringLiteral("update Adress set EMAIL = 'info@fuldabrueck.de' where KDNR = 2"));
        openWindow();
        window->eingabeClick();
        adress().Last();
    }
    // Answers the next dialog with these texts and "OK"; records what it showed.
    void answer(const QString &email, const QString &referenz)
    {
        dialogs->answerExec([=, this](QDialog &d) {
            auto &dialog = static_cast<TFERechnung &>(d);
            shown = {dialog.eEmail->text(), dialog.eReferenz->text(), dialog.eEmail->placeholderText(),
                     dialog.eReferenz->placeholderText()};
            dialog.eEmail->setText(email);
            dialog.eReferenz->setText(referenz);
            return dialog.btOkClick() ? QDialog::Accepted : QDialog::Rejected;
        });
    }
    QString stored()
    {
        return db
            ->scalar(QStringLiteral("select coalesce(Email, '') || '|' || coalesce(Referenz, '') "
                                    "from ERechnung where KDNR = 2"))
            .rawText();
    }
    QStringList shown;
};

TEST_F(ERechnungDialog, ValuesAreKeptUnderTheCustomerNumberAndShownAgain)
{
    answer(QStringLiteral("rechnung@fuldabrueck.de"), QStringLiteral("06633004-0001-87"));
    window->ERechnung1->trigger();
    EXPECT_EQ(shown, QStringList({QString(), QString(), QStringLiteral("wie E-mail: info@fuldabrueck.de"),
                                  QStringLiteral("wie Kd-Nr: 2")}));
    EXPECT_EQ(stored(), QStringLiteral("rechnung@fuldabrueck.de|06633004-0001-87"));

    answer(QString(), QStringLiteral("06633004-0001-87"));
    window->ERechnung1->trigger();
    EXPECT_EQ(shown.mid(0, 2),
              QStringList({QStringLiteral("rechnung@fuldabrueck.de"), QStringLiteral("06633004-0001-87")}));
    EXPECT_EQ(stored(), QStringLiteral("|06633004-0001-87"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung")), 1);

    answer(QString(), QString());
    window->ERechnung1->trigger();
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung")), 0)
        << "empty again: the defaults apply";
    EXPECT_TRUE(dialogs->allAnswered());
}

TEST_F(ERechnungDialog, AnInvalidMailIsRejectedAndALockedWindowChangesNothing)
{
    dialogs
        ->answerExec([](QDialog &d) {
            auto &dialog = static_cast<TFERechnung &>(d);
            dialog.eEmail->setText(QStringLiteral("rechnung at fuldabrueck.de"));
            EXPECT_FALSE(dialog.btOkClick());
            return QDialog::Rejected;
        })
        .answerMessage(Dialogs::Ok);
    window->ERechnung1->trigger();
    EXPECT_EQ(lastMessage(),
              QStringLiteral("E-Rechnung|Die E-Mail-Adresse \"rechnung at fuldabrueck.de\" ist ungültig."));
    EXPECT_EQ(count(QStringLiteral("select count(*) from ERechnung")), 0);

    // With editing off too: the dialog has OK and Abbrechen of its own.
    window->eingabeClick();
    dialogs->answerExec([](QDialog &) { return int(QDialog::Rejected); });
    window->ERechnung1->trigger();
    EXPECT_TRUE(dialogs->allAnswered());
}

// The dialog for the README, on the demo database's municipality.
class ERechnungScreenshot : public AddressFixture
{
  protected:
    void SetUp() override
    {
        demo = true;
        AddressFixture::SetUp();
    }
};

TEST_F(ERechnungScreenshot, DialogOfTheMunicipality)
{
    ASSERT_FALSE(QFontDatabase::families().isEmpty()) << "no fonts: install fonts-liberation";
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    openWindow();
    ASSERT_TRUE(adress().Locate(QStringLiteral("NAME1"), Value(QStringLiteral("Gemeinde Fuldabrück")), 0));
    window->eingabeClick();
    QImage image;
    dialogs->answerExec([&](QDialog &d) {
        d.show();
        image = d.grab().toImage();
        return QDialog::Rejected;
    });
    window->ERechnung1->trigger();
    QApplication::setFont(QFont());
    ASSERT_FALSE(image.isNull());
    ExpectNotBlank(image);
    SavePng(image, ReadmePictures(), QStringLiteral("erechnung.png"));
}

} // namespace
