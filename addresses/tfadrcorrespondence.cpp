// SPDX-License-Identifier: GPL-3.0-or-later
// The address window's correspondence actions: salutations, e-mail and web
// links, the address and fax number for the clipboard, and clearing the
// mail-merge marks.
#include "tfadr.h"

#include "base/apperror.h"
#include "data/tdataa.h"
#include "platform/platform.h"
#include "widgets/dbedit.h"
#include "widgets/dbmemo.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QUrl>

void TFAdr::SpeedButton1Click()
{
    PopupM->popup(QPoint(500, 80));
}

void TFAdr::SetAnrede(AnredeKind kind)
{
    // What the user sees in the name boxes, typed or stored; the name lines
    // keep their line breaks as the memo stores them.
    const QString name1 = EditNAME->text();
    QString namen = mNamen->toPlainText();
    namen.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QString anrede;
    switch (kind) {
    case AnredeKind::Herr:
        anrede = QStringLiteral("Sehr geehrter Herr ") + name1 + QLatin1Char(',');
        break;
    case AnredeKind::Frau:
        anrede = QStringLiteral("Sehr geehrte Frau ") + name1 + QLatin1Char(',');
        break;
    case AnredeKind::Firma:
        anrede = QStringLiteral("Sehr geehrte Damen und Herren,");
        break;
    case AnredeKind::ZeileHerr:
        anrede = QStringLiteral("Sehr geehrter ") + namen + QLatin1Char(',');
        break;
    case AnredeKind::ZeileFrau:
        anrede = QStringLiteral("Sehr geehrte ") + namen + QLatin1Char(',');
        break;
    }
    try {
        dataa->Adress.Edit();
        dataa->AdressAnrede->SetAsString(anrede);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void TFAdr::Herr1Click()
{
    SetAnrede(AnredeKind::Herr);
}

void TFAdr::Frau1Click()
{
    SetAnrede(AnredeKind::Frau);
}

void TFAdr::Firma1Click()
{
    SetAnrede(AnredeKind::Firma);
}

void TFAdr::ApoHerr1Click()
{
    SetAnrede(AnredeKind::ZeileHerr);
}

void TFAdr::ApoFrau1Click()
{
    SetAnrede(AnredeKind::ZeileFrau);
}

void TFAdr::SendMailTo(const QString &address)
{
    if (address.isEmpty()) return;
    // The field holds one address: characters that would add headers or
    // attachments to the mail request ("?attach=...") are passed as text.
    QString text;
    for (const QChar c : address) {
        if (c == QLatin1Char('?') || c == QLatin1Char('&') || c == QLatin1Char('#') ||
            c == QLatin1Char('%') || c.isSpace() || c.category() == QChar::Other_Control)
            text += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
        else
            text += c;
    }
    Platform::ShellOpen(QStringLiteral("mailto:") + text);
}

void TFAdr::SpeedButton2Click()
{
    if (dataa->Adress.Active()) SendMailTo(dataa->AdressEMAIL->AsString());
}

void TFAdr::emailschreiben1Click()
{
    if (dataa->uPersonen.Active() && !dataa->uPersonen.IsEmpty())
        SendMailTo(dataa->uPersonenEMAIL->AsString());
}

void TFAdr::NamenKontextPopup()
{
    const QString email = dataa->uPersonen.Active() && !dataa->uPersonen.IsEmpty()
                              ? dataa->uPersonenEMAIL->AsString()
                              : QString();
    emailschreiben1->setEnabled(!email.isEmpty());
    if (!email.isEmpty()) emailschreiben1->setText(QStringLiteral("e-mail an: ") + email);
}

void TFAdr::SpeedButton3Click()
{
    if (!dataa->Adress.Active()) return;
    const QString www = dataa->AdressWWW->AsString().trimmed();
    if (www.isEmpty()) return;
    // The field holds the address without "http://www.", as its label says;
    // one typed with it would otherwise open "http://www.www...".
    if (www.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        www.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        Platform::ShellOpen(www);
    else if (www.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        Platform::ShellOpen(QStringLiteral("http://") + www);
    else
        Platform::ShellOpen(QStringLiteral("http://www.") + www);
}

namespace {

// The memo's lines, each ended by CR LF as the other programs expect them
// from the clipboard.
QString linesWithWindowsBreaks(const QPlainTextEdit &memo)
{
    QString text;
    for (const QString &line : memo.toPlainText().split(QLatin1Char('\n')))
        text += line + QLatin1String("\r\n");
    return text;
}

QString memoLines(const QString &stored)
{
    QString text = stored;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void TFAdr::btExportClick()
{
    if (!dataa->Adress.Active()) return;
    exportmemo->clear();
    exportmemo->appendPlainText(
        (dataa->AdressVORNAME->AsString() + QLatin1Char(' ') + dataa->AdressNAME1->AsString()).trimmed());
    exportmemo->appendPlainText(memoLines(dataa->AdressNAMEN->AsString()));
    exportmemo->appendPlainText(dataa->AdressSTRASSE->AsString());
    exportmemo->appendPlainText(dataa->AdressPLZ->AsString() + QLatin1Char(' ') +
                                dataa->AdressORT->AsString());
    exportmemo->selectAll();
    QGuiApplication::clipboard()->setText(linesWithWindowsBreaks(*exportmemo));
}

void TFAdr::Faxnummerexportieren1Click()
{
    if (!dataa->Adress.Active()) return;
    exportmemo->clear();
    exportmemo->appendPlainText(dataa->AdressTELEFAX->AsString());
    exportmemo->selectAll();
    QGuiApplication::clipboard()->setText(linesWithWindowsBreaks(*exportmemo));
}

void TFAdr::ToolButton4Click()
{
    TVexDaoTable &adress = dataa->Adress;
    if (!adress.Active()) return;
    // One run, saved whole or not at all: a save that fails takes back the
    // marks cleared before it, and the display comes back either way.
    adress.DisableControls();
    auto resume = qScopeGuard([&] { adress.EnableControls(); });
    TVexDaoDatabase &db = dataa->Datenbank;
    try {
        TVexDaoDatabase::Transaction transaction(db);
        adress.First();
        while (!adress.Eof()) {
            if (dataa->AdressSerienbrief->AsBoolean()) {
                adress.Edit();
                dataa->AdressSerienbrief->SetAsBoolean(false);
                adress.Post();
            }
            adress.Next();
        }
        transaction.commit();
    } catch (const AppError &e) {
        resume.dismiss();
        adress.EnableControls();
        ShowErrorBox(e.message(), this);
    }
}
