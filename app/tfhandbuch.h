// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Hilfe › Handbuch" and F1: the German manual, built into the program as
// HTML pages, in a window of its own. F1 opens it at the page of the window
// in front; one viewer serves them all.
#include <QPointer>
#include <QUrl>
#include <QWidget>

class QAction;
class QTextBrowser;
class QToolBar;

class TFHandbuch : public QWidget
{
    Q_OBJECT
  public:
    explicit TFHandbuch(QWidget *parent = nullptr);

    QToolBar *ToolBar1;
    QAction *Zurueck1, *Vor1, *Inhalt1;
    QTextBrowser *Browser;

    // The page (with its anchor) for a widget: that of the first window
    // among it and its parents the manual describes (or that names its page
    // in the property "helpPage", relative: "erster-tag.html#einrichtung");
    // the contents otherwise.
    static QUrl pageFor(const QWidget *widget);
    // The contents page.
    static QUrl contents();
    // Every page the windows are shown at.
    static QList<QUrl> places();
    // The one viewer at the page, in front with the focus. While a modal
    // dialog is up it belongs to that dialog, so that it can be used at all.
    static TFHandbuch *open(const QUrl &page);
    // The viewer shown, if any.
    static TFHandbuch *current();

    void showPage(const QUrl &page);

  private:
    void follow(const QUrl &link);
};

// The main window's F1 reaches every window: where no shortcut took the key
// (another top-level window, a modal dialog), this filter on the application
// opens the manual at the page of the widget that has the focus.
class HelpKeyFilter : public QObject
{
    Q_OBJECT
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
