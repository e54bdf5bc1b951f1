// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a business window asks of the main window: to show the document
// editor, the document list of the current address or a new document, to
// open the contact window, to print a document, and whether a kind of window
// is available at all. The main window implements it; the windows reach it
// through shell() and never include the main window, so that a window can be
// built and tested with a stand-in.
#include <QPointer>
#include <QString>
#include <QWidget>

// The business windows that live at most once, each behind one program-wide
// reference.
enum class WindowKind { Adressen, Artikel, Vorgangsliste, Vorgang };

class Shell
{
  public:
    virtual ~Shell() = default;

    virtual bool isRegistered(WindowKind kind) const = 0;
    // Empty while the window of the kind does not exist.
    virtual QPointer<QWidget> &reference(WindowKind kind) = 0;

    virtual void ShowVorgangEditor() = 0;
    virtual void vorgangneuClick() = 0;
    virtual void ShowVorgaengeOfAddress() = 0;
    virtual void Kontakte1Click() = 0;
    virtual void PrintVorgang(const QString &idText, bool preview, bool withDialog) = 0;
};

// The shell while it exists: null before the main window is made, after it
// is gone, and in a test that builds a window alone.
Shell *shell();
void setShell(Shell *current);

// A window that closes on its own empties its reference, so that the next
// request makes a new one; the main window's frame does the same.
void forgetWindow(WindowKind kind, const QWidget *window);
