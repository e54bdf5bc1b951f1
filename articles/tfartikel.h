// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The article window: the user keeps the article catalogue here (number,
// title, description, unit, purchase and sales price, currency, notes), with
// a quick markup on the purchase price, a 10 percent cut of it, the list of
// units and the one-time changeover of the catalogue from DM to euro. It
// works on the shared article dataset of the document data module.
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class DBComboBox;
class DBEdit;
class DBGrid;
class DBMemo;
class DBNavigator;
class DBText;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QToolBar;
class QToolButton;
class TVexDaoTable;

class TFartikel : public QWidget
{
    Q_OBJECT
  public:
    explicit TFartikel(QWidget *parent = nullptr);
    ~TFartikel() override;

    // ---- tool bar
    QToolBar *ToolBar1;
    QToolButton *ToolButton2, *ToolButton5;
    DBNavigator *Navigator; // "DBNavigator"
    QToolButton *dmbt, *eurbt;
    // A tool bar shows or hides its buttons through their actions.
    QAction *dmbtItem, *eurbtItem;

    // ---- input panel
    QFrame *Panel2;
    DBEdit *eBeschreibung, *EditArtNr;
    DBMemo *MemoBezeichnung;
    DBComboBox *cEinheit;
    DBComboBox *cMwst; // the article's VAT rate, which its positions start with
    QToolButton *SpeedButton2;
    DBEdit *DBEdit3;
    DBEdit *EditEK;
    QToolButton *SpeedButton1;
    QComboBox *gewinnbox;
    DBEdit *EditVK, *DBEdit1;
    DBText *DBText1;
    DBEdit *DBEdit2;
    DBMemo *MemoNotizen;
    QProgressBar *Progress;

    // ---- article list
    DBGrid *DBGrid2;

    // Whether the window counts itself the active child (between FormActivate
    // and FormDeactivate).
    bool activeChild() const { return m_active; }

  public Q_SLOTS:
    void FormActivate();
    void FormDeactivate();
    void ToolButton2Click();
    void ToolButton5Click();
    void Button1Click();
    void gewinnboxChange(const QString &text);
    void SpeedButton1Click();
    void eurbtClick();
    void dmbtClick();

  protected:
    void closeEvent(QCloseEvent *event) override; // asks to save, then FormClose
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

  private:
    // Cancels a new article nothing was typed into; true when it did.
    bool dropUntouchedNew();
    void FormCreate();
    void FormClose();
    void buildToolBar();
    void buildPanel();
    void buildList();
    void loadUnits();
    void followArea();
    void areaActivated(QMdiSubWindow *frame);
    // A changeover run with the display suspended and the progress bar shown;
    // both are undone however the run ends. False after an error.
    bool runOverArticles(const std::function<void(const std::function<void(int)> &)> &work,
                         const QString &whatFailed);
    // Runs a handler's work; an error ends it and is shown in the error box.
    void guarded(const std::function<void()> &work);

    TVexDaoTable &artikel() const;

    bool m_active = false;
    bool m_closed = false;
    QPointer<QMdiArea> m_area;
};
