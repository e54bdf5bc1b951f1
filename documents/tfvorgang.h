// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document editor: one business document with its positions, its header,
// footer and position texts and its status. The window keeps no document of
// its own: it shows and edits the current record of the shared documents
// dataset and that record's positions, and opens the small windows of the
// document editing (address and article chooser, texts, position dialog,
// information, calendar).
#include "widgets/vorgangwindows.h"

#include <QWidget>
#include <functional>

namespace Tax {
class Totals;
}
class DBComboBox;
struct DBGridColumn;
class DBEdit;
class DBGrid;
class DBMemo;
class DBNavigator;
class DBText;
class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class TDataSource;
class TVexDaoTable;

class TFVorgang : public QWidget, public VorgangEditorWindow
{
    Q_OBJECT
  public:
    explicit TFVorgang(QWidget *parent = nullptr);
    ~TFVorgang() override;

    // ---- the three tool areas
    QWidget *ControlBar1;
    QToolBar *ToolBar1; // the document
    QToolButton *tbDruck, *tbAdresse, *tbtexte, *tbinfo, *tbNeu, *ToolButton2;
    QToolButton *tbUmwandeln; // "Umwandeln in …" with the types the document can become
    QMenu *UmwandelnMenu;
    QToolBar *ToolBar2; // the positions
    QToolButton *ToolButton5, *ToolButton7, *ToolButton6, *ToolButton9, *ToolButton10, *TbBeschreibung,
        *ToolButton1, *ToolButton8, *ToolButton11;
    DBNavigator *DBNavigator1;

    // ---- title line
    QFrame *Paneltitel;
    DBText *sVorgang;
    DBEdit *DBEdit1, *sVnr;
    DBMemo *sKunde;
    QLabel *Label3;
    DBEdit *EditDatum;
    QToolButton *btDatum;
    QLabel *Label5;
    DBComboBox *DBComboBox1;
    DBEdit *sZieldatum;
    QToolButton *btZieldatum;
    DBComboBox *typbox;
    DBText *DBText4;

    // ---- tax line: the document's tax case and date of supply or service period
    QFrame *Panelsteuer;
    QComboBox *cbSteuerfall, *cbZahlungsart;
    DBEdit *eLeistungsdatum, *eLeistungbis;

    // ---- positions and the text panel
    QSplitter *Splitter1;
    DBGrid *Tab;
    QFrame *BMemo;
    QLabel *BMemoL;
    DBMemo *BMemo1;

    // ---- footer line
    QFrame *Panelfuss;
    DBText *sEK, *sVK, *sVKbr, *sWaehrung, *sGewinn;
    QLabel *sMwst; // the VAT per rate
    QLabel *storno;
    QLabel *mahnung; // an invoice's dunning level and its last reminder's day
    DBEdit *DBEdit2;

    // ---- menus
    QMenu *PosMenu;
    QAction *Posnew, *Posshow, *Posdel, *Positionspeichern1, *N1, *Posnachoben1, *Posnachunten1;
    QMenu *Printmenu;
    QAction *Vorschau1, *Ausdruck1, *N3, *Export1;
    QMenu *MemoMenu;
    QActionGroup *MemoGroup;
    QAction *Beschreibung1, *Kopf1, *Fuss1;
    QMenu *KopfMenu;
    QAction *KopfundFussbearbeiten1, *MenuItem4;
    QMenu *InfoMenu;
    QAction *Informationen1, *Gesamtbetragberechnen1;

    // The window's second cursor over the current document's positions,
    // open only while they are renumbered.
    TVexDaoTable *vorgang2;

    // The address chooser for the current document; newDocument shows its
    // type group and its caption for a new document.
    void ShowAddressChooser(bool newDocument);

  public Q_SLOTS:
    void tbNeuClick() override;
    void EditDatumExit() override;
    // After a change of date: positions at another period's rates get the
    // rates of the new date, after a question.
    void checkRatesOfDate();
    void AdressShowClick();
    void DBEdit2Change();
    void btDatumClick();
    void btZieldatumClick();
    void PosnewClick();
    void LeerposClick();
    void PosdelClick();
    void PosshowClick();
    void tbposSaveClick();
    void Positionspeichern1Click();
    void Posnachoben1Click();
    void Posnachunten1Click();
    void tbPosnrClick();
    void tbDruckClick();
    void Ausdruck1Click();
    void Export1Click();
    void tbtexteClick();
    void MenuItem4Click();
    void tbinfoClick();
    void tbcalculateClick();
    // The document into a new one of the type (A, C, L, R), shown then.
    void UmwandelnClick(const QString &typ);
    void ToolButton2Click();
    void TBBeschreibungClick();
    void Beschreibung1Click();
    void Kopf1Click();
    void Fuss1Click();

  protected:
    void closeEvent(QCloseEvent *event) override; // saves, then FormClose
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void FormCreate();
    void FormClose();
    void buildMenus();
    void buildToolBars();
    void buildTitle();
    void buildTaxLine();
    void showTax(); // the tax case and the VAT per rate of the current document
    static QString vatText(const Tax::Totals &totals);
    void showSumsWhileTyped();
    bool m_sumsWhileTyped = false;
    // The pick list of a rate or category column for the document's case; whether it changed.
    bool setTaxChoices(DBGridColumn &column);
    void buildPositions();
    void buildFooter();
    // The text panel on the field of the chosen menu item.
    void bindMemo(QAction *item, TDataSource *source, const QString &field, const QString &caption);
    // A document is shown; saved means it has its id, so positions can
    // belong to it.
    bool hasDocument() const;
    bool hasSavedDocument() const;
    // Writes what the controls hold and saves the positions and the document
    // (print and export read them from the file); false after the message.
    bool saveDocument();
    // A date from the calendar into the field, when one was chosen.
    void chooseDate(const QString &field);
    void printDocument(bool preview, bool withDialog);
    // Drops a new position nothing was typed into; true when it did.
    bool dropUntouchedPosition();
    // Back to the row with the id, as the moves find it again.
    void locatePosition(qint64 id);
    // A question of this window; true for Yes.
    bool ask(const QString &question, int icon);
    // Runs a handler's work; an error ends it and is shown in the error box.
    void guarded(const std::function<void()> &work);

    bool m_closed = false;
};
