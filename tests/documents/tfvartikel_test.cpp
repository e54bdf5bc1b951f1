// SPDX-License-Identifier: GPL-3.0-or-later
// The article chooser: what a chosen article becomes in the document, that
// it only hides between uses, and that it reads the catalogue afresh.
#include "dialogfixture.h"

#include "documents/tfvartikel.h"
#include "widgets/dbgrid.h"

#include <QPushButton>
#include <QWidget>

namespace {

class ArticleChooser : public DialogFixture
{
  protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        article(QStringLiteral("A-10"), QStringLiteral("Wartung"), 10, 15, QStringLiteral("h"),
                QStringLiteral("Wartung der Anlage\r\nvor Ort"));
        article(QStringLiteral("B-20"), QStringLiteral("Kabel"), 2.5, 4, QString());
        openModules();
        editor = new QWidget;
        chooser = new Tfvartikel(editor);
        newDocument(QStringLiteral("R"));
        addPosition(1, 2, 1, QStringLiteral("erste"));
        addPosition(1, 2, 1, QStringLiteral("zweite"));
    }
    void TearDown() override
    {
        delete editor.data();
        DialogFixture::TearDown();
    }
    void chooseArticle(const QString &nr)
    {
        ASSERT_TRUE(documents->Artikel.Locate(QStringLiteral("Art-Nr"), Value(nr), 0)) << nr.toStdString();
    }
    int savedPositions() { return int(db->scalar(QStringLiteral("select count(*) from Vorgang2")).rawInt()); }

    QPointer<QWidget> editor;
    QPointer<Tfvartikel> chooser;
};

TEST_F(ArticleChooser, OkAddsTheArticleAsANewUnsavedPosition)
{
    EXPECT_EQ(FvartikelRef(), chooser);
    chooser->show();
    chooseArticle(QStringLiteral("A-10"));
    chooser->VButton3->click();

    EXPECT_TRUE(chooser->isHidden());
    EXPECT_EQ(chooser->result(), QDialog::Accepted);
    ASSERT_EQ(positions().State(), DataSetState::Insert) << "the editor saves it";
    EXPECT_EQ(pos("Pos")->AsInteger(), 3);
    EXPECT_EQ(pos("Artikel")->AsString(), QStringLiteral("A-10"));
    EXPECT_EQ(pos("Titel")->AsString(), QStringLiteral("Wartung"));
    EXPECT_EQ(pos("Bezeichnung")->AsString(), QStringLiteral("Wartung der Anlage\r\nvor Ort"));
    EXPECT_EQ(pos("einheit")->AsString(), QStringLiteral("h"));
    EXPECT_EQ(pos("anzahl")->AsFloat(), 1);
    EXPECT_EQ(pos("EK")->AsFloat(), 10);
    EXPECT_EQ(pos("Preis")->AsFloat(), 15);
    EXPECT_EQ(pos("gesamtpreis")->AsFloat(), 15);
    EXPECT_EQ(savedPositions(), 2);

    positions().Post();
    EXPECT_EQ(db->scalar(QStringLiteral("select vorgangID from Vorgang2 where Artikel = 'A-10'")).rawInt(),
              doc("id")->AsInteger());
    EXPECT_DOUBLE_EQ(doc("vk")->AsFloat(), 19);

    // An article without a unit gives a position without one.
    chooser->show();
    chooseArticle(QStringLiteral("B-20"));
    chooser->VButton3->click();
    EXPECT_EQ(pos("Pos")->AsInteger(), 4);
    EXPECT_TRUE(pos("einheit")->AsString().isEmpty());
    EXPECT_EQ(pos("Preis")->AsFloat(), 4);
}

TEST_F(ArticleChooser, AbbruchAddsNothingAndBearbeitenOpensThePositionDialog)
{
    chooser->show();
    chooser->Vbutton2->click();
    EXPECT_EQ(chooser->result(), QDialog::Rejected);
    EXPECT_EQ(positions().State(), DataSetState::Browse);
    EXPECT_EQ(positions().RecordCount(), 2);

    int shownOn = 0;
    chooser->PosshowClick = [&] { shownOn = int(pos("Pos")->AsInteger()); };
    chooser->show();
    chooseArticle(QStringLiteral("B-20"));
    chooser->Vbutton1->click();
    EXPECT_EQ(shownOn, 3) << "the position dialog comes up on the new row";
    EXPECT_TRUE(chooser->isHidden());
    EXPECT_FALSE(chooser.isNull()) << "hidden between uses, not freed";
}

TEST_F(ArticleChooser, ComingUpReadsArticlesAddedMeanwhile)
{
    chooser->show();
    chooser->Vbutton2->click();
    // Another window (or workstation) adds an article that sorts first.
    article(QStringLiteral("0-NEU"), QStringLiteral("Neuheit"), 1, 3, QStringLiteral("STK"));
    EXPECT_FALSE(documents->Artikel.Locate(QStringLiteral("Art-Nr"), Value(QStringLiteral("0-NEU")), 0));

    chooseArticle(QStringLiteral("B-20"));
    chooser->show();
    EXPECT_EQ(documents->Artikel.RecNo(), 0) << "the first article is current";
    EXPECT_TRUE(documents->Artikel.Locate(QStringLiteral("Art-Nr"), Value(QStringLiteral("0-NEU")), 0));
    chooser->VButton3->click();
    EXPECT_EQ(pos("Titel")->AsString(), QStringLiteral("Neuheit"));
}

TEST_F(ArticleChooser, FreedWithItsEditorAndTheReferenceEmpties)
{
    delete editor.data();
    EXPECT_TRUE(chooser.isNull());
    EXPECT_TRUE(FvartikelRef().isNull());
}

} // namespace
