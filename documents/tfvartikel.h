// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The article chooser: the catalogue in a grid; "OK" adds the current article
// as a new position of the current document. One per editor, hidden rather
// than freed between uses; every time it comes up it reads the catalogue
// afresh, so that articles added in the article window meanwhile are there.
#include <QDialog>
#include <QPointer>
#include <functional>

class DBGrid;
class DBMemo;
class DBNavigator;
class QPushButton;

class Tfvartikel : public QDialog
{
    Q_OBJECT
  public:
    explicit Tfvartikel(QWidget *owner);
    ~Tfvartikel() override;

    DBNavigator *DBNavigator1;
    QPushButton *VButton3; // "OK"
    QPushButton *Vbutton1; // "&Bearbeiten"
    QPushButton *Vbutton2; // "Abbruch"
    DBGrid *DBGrid2;
    DBMemo *MemoBezeichnung;

    // Inserts the current article into vorgangdata as a new row, left unsaved
    // in insert state for the editor to save.
    void AddArtikelPosition();

    // Set by the editor: the position dialog on the current position, then
    // the totals.
    std::function<void()> PosshowClick;

    // Reads the catalogue again and makes its first article current; runs
    // whenever the window comes up, is activated, deactivated or closed.
    void FormActivate();

  public Q_SLOTS:
    void VButton3Click();
    void Vbutton1Click();
    void Vbutton2Click();

  protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

  private:
    bool addPosition();
    bool m_freshlyShown = false;
};

// The article chooser of the open editor; empty while there is none.
QPointer<Tfvartikel> &FvartikelRef();
