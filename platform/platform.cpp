// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Platform {

namespace {

std::function<void(const QString &)> &hook()
{
    static std::function<void(const QString &)> h;
    return h;
}

QString calculatorProgram()
{
#ifdef Q_OS_WIN
    return QStringLiteral("calc.exe");
#else
    for (const char *name :
         {"gnome-calculator", "kcalc", "galculator", "mate-calc", "qalculate-gtk", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return QString();
#endif
}

QUrl urlOf(const QString &text)
{
    // A scheme of two letters or more ("mailto:", "http:"); "C:\..." is a drive, not a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(text).hasMatch()) return QUrl(text, QUrl::TolerantMode);
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + text, QUrl::TolerantMode);
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

struct TestPrinters
{
    QStringList names;
    QString defaultName;
    std::function<void(QPrinter &, const QString &)> hook;
};

TestPrinters &testPrinters()
{
    static TestPrinters p;
    return p;
}

} // namespace

void ShellOpen(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return;
    if (t.compare(QLatin1String("calc.exe"), Qt::CaseInsensitive) == 0) {
        const QString program = calculatorProgram();
        if (program.isEmpty()) return;
        if (hook())
            hook()(program);
        else
            QProcess::startDetached(program, {});
        return;
    }
    const QUrl url = urlOf(t);
    if (hook())
        hook()(url.toString());
    else
        QDesktopServices::openUrl(url);
}

void prepareConsole()
{
#ifdef Q_OS_WIN
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void setOpenHookForTests(std::function<void(const QString &what)> h)
{
    hook() = std::move(h);
}

void useHeadlessDisplay()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
}

QStringList printerNames()
{
    if (testPrinters().hook) return testPrinters().names;
    return QPrinterInfo::availablePrinterNames();
}

QString defaultPrinterName()
{
    if (testPrinters().hook) return testPrinters().defaultName;
    return QPrinterInfo::defaultPrinterName();
}

bool anyPrinter()
{
    return !printerNames().isEmpty() || !defaultPrinterName().isEmpty();
}

void routePrintJob(QPrinter &printer, const QString &printerName)
{
    if (testPrinters().hook)
        testPrinters().hook(printer, printerName.isEmpty() ? printer.printerName() : printerName);
    else if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
}

void setPrintersForTests(const QStringList &names, const QString &defaultName,
                         std::function<void(QPrinter &printer, const QString &printerName)> jobHook)
{
    testPrinters() = TestPrinters{names, defaultName, std::move(jobHook)};
}

void clearPrintersForTests()
{
    testPrinters() = TestPrinters{};
}

} // namespace Platform
