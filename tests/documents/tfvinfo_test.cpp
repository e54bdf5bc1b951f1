// SPDX-License-Identifier: GPL-3.0-or-later
// The document information: the cancel flag and the totals, recomputed
// however the dialog is closed.
#include "dialogfixture.h"

#include "documents/tfvinfo.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbedit.h"
#include "widgets/dbmemo.h"

#include <QPushButton>

namespace {

class DocumentInfo : public DialogFixture
{
  protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        openModules();
        newDocument(QStringLiteral("R"));
        addPosition(10, 15, 3);
        addPosition(2.5, 4, 0.5);
        vorgang().Post();
    }
    double ek() { return doc("ek")->AsFloat(); }
    double vk() { return doc("vk")->AsFloat(); }
};

TEST_F(DocumentInfo, StorniertAndOkGiveTotalsZeroAndClearingBringsThemBack)
{
    ASSERT_DOUBLE_EQ(ek(), 31.25);
    ASSERT_DOUBLE_EQ(vk(), 47);
    {
        TFvInfo info(nullptr);
        info.show();
        EXPECT_TRUE(info.sEK->isReadOnly());
        EXPECT_FALSE(info.sAnschrift->isReadOnly());
        info.DBCheckBox4->click();
        EXPECT_TRUE(doc("storniert")->AsBoolean());
        EXPECT_DOUBLE_EQ(vk(), 47) << "ticking alone recomputes nothing";
        info.Button1->click();
        EXPECT_EQ(info.result(), QDialog::Accepted);
        EXPECT_EQ(ek(), 0);
        EXPECT_EQ(vk(), 0);
        EXPECT_EQ(info.sVKbr->text(), QStringLiteral("0,00"));
    }
    vorgang().Post();
    TFvInfo info(nullptr);
    info.show();
    info.DBCheckBox4->click();
    info.Button1->click();
    EXPECT_DOUBLE_EQ(ek(), 31.25);
    EXPECT_DOUBLE_EQ(vk(), 47);
}

TEST_F(DocumentInfo, EscRecomputesAsOkDoes)
{
    TFvInfo info(nullptr);
    info.show();
    QApplication::setActiveWindow(&info);
    info.DBCheckBox4->setFocus();
    QTest::keyClick(info.DBCheckBox4, Qt::Key_Space);
    EXPECT_TRUE(doc("storniert")->AsBoolean());
    QTest::keyClick(info.DBCheckBox4, Qt::Key_Escape);
    EXPECT_FALSE(info.isVisible());
    EXPECT_EQ(info.result(), QDialog::Accepted);
    EXPECT_EQ(vk(), 0);

    // Typed into the address and left with Esc: the text is kept.
    vorgang().Post();
    TFvInfo again(nullptr);
    again.show();
    QApplication::setActiveWindow(&again);
    again.sAnschrift->setFocus();
    QTest::keyClicks(again.sAnschrift, QStringLiteral("Firma X"));
    QTest::keyClick(again.sAnschrift, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(doc("anschrift")->AsString(), QStringLiteral("Firma X"));
}

TEST_F(DocumentInfo, WithoutADocumentNothingIsStarted)
{
    vorgang().Delete();
    ASSERT_TRUE(vorgang().IsEmpty());
    TFvInfo info(nullptr);
    info.Button1->click();
    EXPECT_TRUE(vorgang().IsEmpty());
    EXPECT_EQ(vorgang().State(), DataSetState::Browse);
}

} // namespace
