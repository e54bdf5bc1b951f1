// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address window: browse, find, edit and delete addresses with their
// contact persons and contact notes, and prepare correspondence with the
// current address. It works on the shared datasets of the address data
// module; only the contact notes have a dataset of the window's own.
#include "arealock.h"
#include "widgets/mergingchild.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

class DBCheckBox;
class DBComboBox;
class DBEdit;
class DBGrid;
class DBMemo;
class DBNavigator;
class DBText;
class LetterTabs;
class QAction;
class QActionGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QToolButton;
class TDataSource;
class TVexDaoTable;

class TFAdr : public QWidget, public MergingChild
{
    Q_OBJECT
  public:
    explicit TFAdr(QWidget *parent = nullptr);
    ~TFAdr() override;

    enum class AnredeKind { Herr, Frau, Firma, ZeileHerr, ZeileFrau };

    // ---- top bar
    QWidget *ControlBar1;
    QToolBar *ToolBar1, *ToolBar2;
    QToolButton *ToolButton5, *Vorgangliste, *ToolButton3, *btExport, *ToolButton4;
    QToolButton *eingabe, *adrins, *adrdel;
    DBNavigator *DBNavigator1;
    QLineEdit *fastfind;
    QFrame *kdpanel;
    QLineEdit *kdsuch;

    // ---- letter tabs and the top strip
    LetterTabs *control;
    QFrame *SAdrTop;
    DBText *sKDNr, *sName, *sAngelegt, *sGeaendert, *DBText1;
    DBEdit *eKontakt;

    // ---- pages
    QTabWidget *PControl;
    QWidget *SAdr, *TabSheet2, *TabSheet3, *TabSheet4;
    // "Adresse"
    DBEdit *EditKDNR, *eLKDNR, *EditVORNAME, *EditNAME;
    DBMemo *mNamen;
    DBEdit *eStrasse, *ePLZ, *eOrt;
    DBEdit *eLand, *eUstId; // country (empty: Germany) and VAT id, which decide the tax case
    DBComboBox *cVorwahl;
    DBEdit *eTelefon1, *eTelefax, *eAnrede, *eWWW, *eEmail;
    QToolButton *SpeedButton1, *SpeedButton3, *SpeedButton2;
    DBCheckBox *DBCheckBox2, *DBCheckBox1, *DBCheckBox3;
    DBEdit *eZieltage;         // the customer's own payment days; empty: the firm's
    DBCheckBox *cbVerbraucher; // a consumer: the dunning interest of § 288 Abs. 1 BGB
    QPushButton *btERechnung;  // beside the e-mail: the e-invoice data of the address
    QPlainTextEdit *exportmemo;
    DBGrid *DBGrid2;
    // "Kontakt-Notizen"
    TVexDaoTable *Notizen;
    TDataSource *DSNotizen;
    DBNavigator *DBNavigator2;
    DBGrid *DBGrid3;
    QGroupBox *Eingabe1;
    DBEdit *DBEdit1;
    DBComboBox *Vtypbox;
    QToolButton *SpeedButton6;
    DBMemo *DBMemo1;
    // "Bemerkungen"
    DBMemo *Eingabe3;
    // "Liste"
    QLabel *StatusBar1;
    DBGrid *DBGrid1;

    // ---- menus
    QMenuBar *MainMenu1; // shown only while the window stands alone
    QMenu *Adresse1;
    QAction *NeueAdresse1, *Adresselschen1, *Speichern1, *ERechnung1, *N3, *Bearbeitenerlauben1;
    QAction *Datenauskunft1; // what is stored about the current address (tfadrdatenschutz.cpp)
    QMenu *Ansprechpartner1;
    QAction *NeuerAnsprechpartner2, *Ansprechpartnerspeichern1, *Ansprechpartnerlschen2, *N5,
        *EMailanAnsprechpartner1;
    QMenu *Vorgang1;
    QAction *alleVorgngean1, *N4, *NeueRechnung2, *NeuesAngebot2, *NeuerLieferschein1, *Bestellung1;
    QMenu *Sortmenu1;
    QActionGroup *SortGroup;
    QAction *Vorname1, *Nachname1, *Ort1;
    QMenu *NamenKontext;
    QAction *NeuerAnsprechpartner1, *Ansprechpartnerspeichern2, *Ansprechpartnerlschen1, *emailschreiben1;
    QMenu *PopupM;
    QAction *Herr1, *Frau1, *Firma1, *ApoHerr1, *ApoFrau1;
    QMenu *ExportMenu;
    QAction *Adresseexportieren1, *Faxnummerexportieren1;
    QMenu *VorgangM;
    QAction *NeueRechnung1, *NeuesAngebot1, *Lieferscheinanlegen1, *Bestellunganlegen1, *VertragMonatlich1;

    // The menus the main window shows while this window is active (group 1).
    QList<QMenu *> mergedMenus() const override;

    bool editing() const { return m_editing; }
    // The choices of the note type box as loaded at creation.
    QStringList noteTypes() const;

  public Q_SLOTS:
    // Part of the address window proper.
    void fastfindChange(const QString &text);
    void kdsuchChange(const QString &text);
    void kdsuchReturn();
    void kdsuchEnter();
    void controlChange(int index);
    void Vorname1Click();
    void Nachname1Click();
    void Ort1Click();
    void eingabeClick();
    void adrinsClick();
    void adrdelClick();
    void Speichern1Click();
    void ERechnung1Click();
    void Datenauskunft1Click();
    void NeuerAnsprechpartner1Click();
    void Ansprechpartnerspeichern2Click();
    void Ansprechpartnerlschen1Click();
    void eKontaktDblClick();
    void DBGrid1DblClick();
    void SpeedButton6Click();
    void VorganglisteClick();

    // Correspondence and exports.
    void SpeedButton1Click();
    void SetAnrede(TFAdr::AnredeKind kind);
    void Herr1Click();
    void Frau1Click();
    void Firma1Click();
    void ApoHerr1Click();
    void ApoFrau1Click();
    void SendMailTo(const QString &address);
    void SpeedButton2Click();
    void emailschreiben1Click();
    void NamenKontextPopup();
    void SpeedButton3Click();
    void btExportClick();
    void Faxnummerexportieren1Click();
    void ToolButton4Click();

    // New documents for the current address (enabled while the main window
    // offers the document editor).
    void NeueRechnung1Click();
    void NeuesAngebot1Click();
    void Lieferscheinanlegen1Click();
    void Bestellunganlegen1Click();
    void VertragMonatlich1Click();

    // Enables the document commands while the main window can open the
    // document windows.
    void updateDocumentCommands();

  protected:
    void closeEvent(QCloseEvent *event) override; // FormCloseQuery, then FormClose
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // Moves to the address with the number typed; false when there is none.
    bool findCustomerNumber(const QString &text);
    void FormCreate();
    void FormClose();
    void buildActions();
    void buildTopBar();
    void buildTopStrip();
    void buildAddressPage();
    void buildNotesPage();
    void buildRemarksPage();
    void buildListPage();
    void buildMenus();
    void openNotes();
    void setEditing(bool on);
    void sortBy(QAction *item, const QString &field);
    // Asks the closing question for a dataset that holds an unsaved change;
    // false when closing must stop.
    bool askToSave(TVexDaoTable &ds, const QString &question);
    // An address that documents name is not deleted: offered to be blocked
    // (documents to keep) or made anonymous instead. False when the address
    // may be deleted as asked.
    bool offerBlockingInsteadOfDeleting();

  public:
    // Asks, then makes a document of the type for the current address and
    // shows it in the document editor, numbered and dated.
    void NewVorgangForAddress(QChar typ);

  private:
    // Runs a handler's work; an error ends it and is shown in the error box.
    void guarded(const std::function<void()> &work);

    bool m_editing = false;
    AreaLock m_lock; // the four areas while editing is off
    QStringList m_noteTypes;
};
