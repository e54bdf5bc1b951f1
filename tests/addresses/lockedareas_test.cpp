// SPDX-License-Identifier: GPL-3.0-or-later
// The address window while editing is off: its areas take no focus, no input
// and change no data, yet stay readable (text contrast at least 4.5:1, from
// the palette in use and from the drawn pixels), and the remarks and the
// contact persons can still be scrolled.
#include "addressfixture.h"

#include "addresses/arealock.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QWheelEvent>
#include <cmath>

namespace {

// Contrast ratio of two colours as the accessibility guidelines define it.
double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast between the background (the commonest colour) and
// any pixel of the part of the control that holds its text (frames and boxes
// left out), as it is drawn: the colour of the text's stems.
double drawnContrast(QWidget *w)
{
    QRect text = w->rect().adjusted(4, 4, -4, -4);
    if (qobject_cast<QCheckBox *>(w)) text.setLeft(w->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 4);
    if (auto *combo = qobject_cast<QComboBox *>(w)) return drawnContrast(combo->lineEdit());
    const QImage image = w->grab(text).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, contrast(QColor(background), QColor(it.key())));
    return best;
}

class LockedAreas : public AddressFixture
{
  protected:
    void SetUp() override
    {
        AddressFixture::SetUp();
        address(1, QStringLiteral("Müllermeister Illingen"), QStringLiteral("Lilli"),
                QStringLiteral("Kassel"));
        address(2, QStringLiteral("Zweite"));
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << QStringLiteral("Bemerkung Zeile %1").arg(i);
        db->exec(
            QStringLiteral(
                "update Adress set BEMERKUNG = '%1', NAMEN = 'Illinger Straße', kunde = 1, Vorwahl = '0561', "
                "KONTAKT = '2005-01-02' where KDNR = 1")
                .arg(lines.join(QStringLiteral("\r\n"))));
        for (int i = 1; i <= 60; ++i)
            person(1, QStringLiteral("Person %1").arg(i));
        openWindow();
        ASSERT_EQ(currentKdnr(), 1);
        ASSERT_FALSE(window->editing());
    }
    QList<QWidget *> areas() const
    {
        return {window->SAdrTop, window->SAdr, window->Eingabe1, window->Eingabe3};
    }
    QString stored(const char *field)
    {
        return db
            ->scalar(QStringLiteral("select cast(ifnull(%1, '') as text) from Adress where KDNR = 1")
                         .arg(QLatin1String(field)))
            .rawText();
    }
    static void wheelDown(QWidget *target)
    {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
};

TEST_F(LockedAreas, TextsKeepAReadableContrast)
{
    QList<QWidget *> shown;
    for (QWidget *area : areas()) {
        for (QWidget *w : AreaLock::inputControls(area)) {
            if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->isEditable())
                w = combo->lineEdit();
            if (auto *view = qobject_cast<QAbstractScrollArea *>(w)) w = view->viewport();
            if (auto *button = qobject_cast<QAbstractButton *>(w); button && button->text().isEmpty())
                continue;
            shown << w;
        }
        for (QLabel *l : area->findChildren<QLabel *>())
            if (!l->text().isEmpty()) shown << l;
    }
    ASSERT_GT(shown.size(), 20);
    for (QWidget *w : shown) {
        if (!w->isVisibleTo(window)) continue;
        const QPalette::ColorGroup group = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QPalette &p = w->palette();
        EXPECT_GE(contrast(p.color(group, w->foregroundRole()), p.color(group, w->backgroundRole())), 4.5)
            << w->objectName().toStdString() << " " << w->metaObject()->className();
    }

    // As drawn: a name field, a check box, the area-code box, a date in the
    // top strip and the remarks.
    window->PControl->setCurrentWidget(window->SAdr);
    for (QWidget *w : QList<QWidget *>{window->EditNAME, window->DBCheckBox2, window->cVorwahl,
                                       window->eKontakt, window->mNamen})
        EXPECT_GE(drawnContrast(w), 4.5) << w->objectName().toStdString();
    window->PControl->setCurrentWidget(window->TabSheet3);
    EXPECT_GE(drawnContrast(window->Eingabe3->viewport()), 4.5);
    // The locked look differs from the editable one: fields lose their white.
    const QColor lockedBase = window->EditNAME->palette().color(QPalette::Disabled, QPalette::Base);
    window->eingabeClick();
    EXPECT_NE(window->EditNAME->palette().color(QPalette::Active, QPalette::Base), lockedBase);
}

TEST_F(LockedAreas, TakeNoFocusNoInputAndChangeNothing)
{
    window->PControl->setCurrentWidget(window->SAdr);
    QTest::mouseClick(window->EditNAME, Qt::LeftButton);
    QTest::keyClicks(window->EditNAME, QStringLiteral("xyz"));
    QTest::mouseClick(window->DBCheckBox2, Qt::LeftButton);
    QTest::mouseDClick(window->eKontakt, Qt::LeftButton);
    QTest::mouseClick(window->mNamen->viewport(), Qt::LeftButton);
    QTest::keyClicks(window->mNamen, QStringLiteral("abc"));
    EXPECT_FALSE(window->EditNAME->hasFocus());
    EXPECT_FALSE(window->mNamen->hasFocus());

    // Contacts: a click chooses a person, but nothing opens for typing and
    // the window's context menu stays shut.
    const QModelIndex cell = window->DBGrid2->model()->index(3, 1);
    const QPoint at = window->DBGrid2->visualRect(cell).center();
    QTest::mouseClick(window->DBGrid2->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(persons().RecNo(), 3);
    QTest::mouseDClick(window->DBGrid2->viewport(), Qt::LeftButton, {}, at);
    for (QWidget *editor : window->DBGrid2->viewport()->findChildren<QWidget *>())
        EXPECT_FALSE(editor->isVisible()) << "no cell editor opens";
    QTest::keyClick(window->DBGrid2, Qt::Key_Insert);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, window->DBGrid2->viewport()->mapToGlobal(at));
    QApplication::sendEvent(window->DBGrid2->viewport(), &menu);
    EXPECT_FALSE(window->NamenKontext->isVisible());
    QContextMenuEvent salutation(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 window->eAnrede->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window->eAnrede, &salutation);
    EXPECT_FALSE(window->PopupM->isVisible()) << "the salutation menu would change the address";

    window->PControl->setCurrentWidget(window->TabSheet3);
    QTest::mouseClick(window->Eingabe3->viewport(), Qt::LeftButton);
    QTest::keyClicks(window->Eingabe3, QStringLiteral("neu"));
    EXPECT_FALSE(window->Eingabe3->hasFocus());

    window->PControl->setCurrentWidget(window->TabSheet2);
    QTest::mouseClick(window->DBMemo1->viewport(), Qt::LeftButton);
    QTest::keyClicks(window->DBMemo1, QStringLiteral("neu"));

    // The tab key walks the window without entering a locked area.
    window->PControl->setCurrentWidget(window->SAdr);
    window->fastfind->setFocus();
    for (int i = 0; i < 60; ++i) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        for (QWidget *area : areas())
            EXPECT_FALSE(area == focus || area->isAncestorOf(focus)) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_Tab);
    }

    EXPECT_EQ(adress().State(), DataSetState::Browse);
    EXPECT_EQ(persons().State(), DataSetState::Browse);
    EXPECT_EQ(window->Notizen->State(), DataSetState::Browse);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Müllermeister Illingen"));
    EXPECT_EQ(stored("NAME1"), QStringLiteral("Müllermeister Illingen"));
    EXPECT_EQ(stored("kunde"), QStringLiteral("1"));
    EXPECT_EQ(stored("KONTAKT"), QStringLiteral("2005-01-02"));
    EXPECT_EQ(stored("NAMEN"), QStringLiteral("Illinger Straße"));
    EXPECT_TRUE(stored("BEMERKUNG").startsWith(QStringLiteral("Bemerkung Zeile 1\r\n")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Personen")), 60);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Notizen")), 0);
    EXPECT_EQ(window->EditNAME->text(), QStringLiteral("Müllermeister Illingen"));
}

TEST_F(LockedAreas, RemarksAndContactsStillScroll)
{
    window->PControl->setCurrentWidget(window->TabSheet3);
    QScrollBar *remarks = window->Eingabe3->verticalScrollBar();
    ASSERT_TRUE(remarks->isEnabled());
    ASSERT_GT(remarks->maximum(), 0);
    wheelDown(window->Eingabe3->viewport());
    EXPECT_GT(remarks->value(), 0);
    const int before = remarks->value();
    QTest::mouseClick(remarks, Qt::LeftButton, {}, QPoint(remarks->width() / 2, remarks->height() - 4));
    EXPECT_GT(remarks->value(), before) << "the scroll bar's own buttons work";

    window->PControl->setCurrentWidget(window->SAdr);
    QScrollBar *contacts = window->DBGrid2->verticalScrollBar();
    ASSERT_TRUE(contacts->isEnabled());
    ASSERT_GT(contacts->maximum(), 0);
    wheelDown(window->DBGrid2->viewport());
    EXPECT_GT(contacts->value(), 0);
    EXPECT_EQ(adress().State(), DataSetState::Browse);
}

TEST_F(LockedAreas, UnlockingGivesInputBackAndLockingKeepsWhatWasTyped)
{
    window->eingabeClick();
    window->PControl->setCurrentWidget(window->SAdr);
    EXPECT_EQ(window->Eingabe3->focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(window->Eingabe3->isReadOnly());
    QContextMenuEvent salutation(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 window->eAnrede->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window->eAnrede, &salutation);
    EXPECT_TRUE(window->PopupM->isVisible()) << "unlocked, the salutation menu opens again";
    window->PopupM->hide();
    QTest::mouseClick(window->EditNAME, Qt::LeftButton);
    ASSERT_TRUE(window->EditNAME->hasFocus());
    window->EditNAME->selectAll();
    QTest::keyClicks(window->EditNAME, QStringLiteral("Neuer Name"));

    // Switching off while the cursor is still in the field keeps the change
    // pending, as leaving the field would.
    window->eingabeClick();
    EXPECT_FALSE(window->EditNAME->hasFocus());
    EXPECT_EQ(adress().State(), DataSetState::Edit);
    EXPECT_EQ(current("NAME1"), QStringLiteral("Neuer Name"));
    EXPECT_EQ(window->EditNAME->text(), QStringLiteral("Neuer Name"));

    window->eingabeClick();
    window->PControl->setCurrentWidget(window->TabSheet3);
    QTest::mouseClick(window->Eingabe3->viewport(), Qt::LeftButton);
    ASSERT_TRUE(window->Eingabe3->hasFocus());
    QTest::keyClicks(window->Eingabe3, QStringLiteral("X"));
    window->Speichern1Click();
    EXPECT_TRUE(stored("BEMERKUNG").contains(QLatin1Char('X')));
    EXPECT_EQ(stored("NAME1"), QStringLiteral("Neuer Name"));
}

} // namespace
