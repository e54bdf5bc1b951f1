// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the frame of the program with the client area that holds
// the business windows, the main menu, the tool bars on the left edge and the
// status bar. It sets the program-wide values when it is created and offers
// the operations that open the business windows, each at most once.
#include "widgets/shell.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

class ChildFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

class Tfmain : public QMainWindow, public Shell
{
    Q_OBJECT
  public:
    explicit Tfmain(QWidget *parent = nullptr);
    ~Tfmain() override;

    // ---- controls, in the order of the window
    QMdiArea *ClientArea;
    QStatusBar *StatusBar1;
    QLabel *StatusPanel1; // 120 pixels, the product notice
    QLabel *StatusPanel2; // 50 pixels, empty
    QToolBar *ToolBar1;
    QAction *ToolButton2, *ToolButton4, *ToolButton5, *vorgangneu;
    QToolBar *ToolBar2;
    QAction *ToolButton6;
    QMenu *Datei1;
    QAction *Einstellungen1, *Vorlagen1, *Schlieen1, *Beenden1;
    QMenu *Menue2;
    QAction *Kontakte1, *ArtikelListe1, *bersicht1;
    QMenu *Fenster1;
    QAction *Nebeneinander1, *berlappend1;
    QMenu *Hilfe1;
    QAction *Handbuch1, *Ueber1;

    // ---- program-wide window references: empty while the window does not
    // exist; a window's frame empties its reference when it closes.
    QPointer<QWidget> FAdr, Fartikel, FVListe, FVorgang;

    // A business window announces how it is made. Its menu entries and tool
    // buttons stay disabled until then.
    void registerWindow(WindowKind kind, std::function<QWidget *()> factory);
    bool isRegistered(WindowKind kind) const override;
    QPointer<QWidget> &reference(WindowKind kind) override;
    // Shows the window of the kind: made by its factory only when the
    // reference is empty, then brought to the front. Null while unregistered.
    QWidget *showWindow(WindowKind kind);
    // The same for any child window behind a reference of its own.
    QWidget *showChild(QPointer<QWidget> &ref, const std::function<QWidget *()> &factory);

    // The open child windows in the order they were opened, and the active
    // one (null when there is none).
    QList<QWidget *> childWindows() const;
    QWidget *activeChild() const;

    // PrintVorgang belongs here but is made by the document printing, which
    // installs it.
    using PrintHandler = std::function<void(const QString &idText, bool preview, bool withDialog)>;
    void setPrintHandler(PrintHandler handler);

  public Q_SLOTS:
    void Kontakte1Click() override;
    void ArtikelListe1Click();
    void bersicht1Click();
    void ShowVorgangEditor() override;
    void vorgangneuClick() override;
    void ShowVorgaengeOfAddress() override;
    void PrintVorgang(const QString &idText, bool preview, bool withDialog) override;
    void Einstellungen1Click();
    void Handbuch1Click();
    void Ueber1Click();
    void Vorlagen1Click();
    void Schlieen1Click();
    void Beenden1Click();
    void Nebeneinander1Click();
    void berlappend1Click();
    void ToolButton6Click();
    void updatemenuitems();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void FormCreate();
    void buildMenus();
    void buildToolBars();
    void buildStatusBar();
    QList<QAction *> actionsOf(WindowKind kind) const;
    QMdiSubWindow *currentFrame() const;
    void mergeMenusOf(QMdiSubWindow *frame);
    void rebuildWindowList();

    std::array<std::function<QWidget *()>, 4> m_factories;
    QList<QPointer<QMenu>> m_mergedMenus;
    QList<QAction *> m_windowListActions;
    QAction *m_windowListSeparator = nullptr;
    PrintHandler m_print;
    bool m_endingWithoutAsking = false;
};

// The main window while it exists.
extern Tfmain *fmain;
