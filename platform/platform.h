// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few things the program asks of the operating system directly.
#include <QString>
#include <QStringList>
#include <functional>

class QPrinter;

namespace Platform {

// Hands a text to the system's open action: "calc.exe" starts the calculator
// (whatever it is called here), "mailto:" and web addresses go to their
// programs, anything else is opened as a local file. Failures stay silent.
void ShellOpen(const QString &text);

// The command line writes UTF-8; a console that expects another code page is
// told so, so that umlauts come out as umlauts.
void prepareConsole();

// Tests: record what would be opened (the URL text or the calculator's program)
// instead of opening it. An empty function restores the real launcher.
void setOpenHookForTests(std::function<void(const QString &what)> hook);

// A command that draws (a PDF) runs without a screen: chooses the platform
// that needs no display, unless the environment names one.
void useHeadlessDisplay();

// The printers installed on this machine, in the system's order, and the
// system's default printer (empty when there is none).
QStringList printerNames();
QString defaultPrinterName();
bool anyPrinter();
// Sends the job to the named printer (empty: the one the printer is set to)
// just before it is drawn.
void routePrintJob(QPrinter &printer, const QString &printerName);

// Tests: pretend that these printers are installed, and hand every print job
// to the hook (which sends it to a file) instead of a real printer. An empty
// hook restores the real printers.
void setPrintersForTests(const QStringList &names, const QString &defaultName,
                         std::function<void(QPrinter &printer, const QString &printerName)> jobHook);
void clearPrintersForTests();

} // namespace Platform
