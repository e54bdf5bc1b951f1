// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own print preview for every report: pages of a page set,
// paging, zoom, the printer choice remembered per user, printing directly or
// after the printer dialog. The report call that opened it waits until it
// closes; closing frees the page set with it.
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "report/pageset.h"
class PageView;
class QComboBox;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QSpinBox;
class QToolBar;
class QToolButton;

class TPrevForm : public QMainWindow
{
    Q_OBJECT
  public:
    // Takes the page set over; it lives as long as the window.
    explicit TPrevForm(PageSet *pages, QWidget *parent = nullptr);
    ~TPrevForm() override;

    // ---- controls, in the order of the window
    QToolBar *Toolbar;
    QToolButton *T1, *T2, *T3, *T4;
    QToolBar *ToolBar1;
    QToolButton *T7, *T5, *T6;
    QComboBox *PrinterBox;
    QToolButton *T8, *T11, *T10;
    PageView *Preview;
    QLabel *Seite;
    QSpinBox *zoom;
    QLabel *percentLabel;
    QLabel *status;
    QProgressBar *Progressbar;
    QMenu *Ansichtmenu;
    QAction *GesamteSeite1, *BreitederSeite1, *Zoom100;
    QMenu *printmenu;
    QAction *Standarddruck1, *AuswahlvorAusdruck1;
    QMenu *Kontextmenu;
    QAction *Symbolunterschriften1;
    QAction *Schlieen1;

    PageSet *pageSet() const { return m_pages; }

    // The printer choice lives per user under the key software\quenar\report
    // (organisation "quenar", application "report") as this integer value.
    static QString settingsValue() { return QStringLiteral("PrinterIndex"); }

    void ShowStatus(const QString &text);
    void UpdatePageLabel();

  public Q_SLOTS:
    void FormShow();
    void PrinterBoxChange();
    void DruckenClick();
    void AuswahlvorAusdruck1Click();
    void firstClick();
    void prevClick();
    void nextClick();
    void lastClick();
    void PreviewPageAvailable();
    void PreviewProgressUpdate(int progress);
    void ZoomChange();
    void T5Click();
    void T7Click();
    void Zoom100Click();
    void GesamteSeite1Click();
    void BreitederSeite1Click();
    void Symbolunterschriften1Click();
    void T11Click();
    void SchliessenClick();

  protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    enum class Fit { None, WholePage, PageWidth };
    QToolButton *toolButton(QToolBar *bar, const char *name, const QString &caption, const QString &hint,
                            const QIcon &icon, const QString &statusText);
    void buildToolBars();
    void buildBottomStrip();
    void copyZoomIntoBox();
    bool ensurePrinter();
    void printOn(QPrinter &printer, const QString &printerName);

    QPointer<PageSet> m_pages;
    std::unique_ptr<QPrinter> m_dialogPrinter; // the choices of "Auswahl vor Ausdruck"
    Fit m_fit = Fit::None;
    bool m_shown = false;
    bool m_filling = false;
};
