// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printing one business document on the letterhead: the main window's
// PrintVorgang and the PDF exports (plain and ZUGFeRD) that the command line
// and the document editor share.
#include "base/safefile.h"

#include <QString>
#include <QStringList>

class PageSet;
class TVexDaoDatabase;

// preview: the preview window, returning when it is closed; otherwise the
// printer dialog first when withDialog (cancel prints nothing), then the
// print. Letterhead files that cannot be read are reported once.
void PrintVorgang(const QString &idText, bool preview, bool withDialog);

// The report's preview hook: the preview window with the page set, shown.
void BerichtPreview(PageSet *pages);

// Writes the document with the id as PDF: the pages the preview shows.
// AppError when the id names no document or the file cannot be written; no
// file is left then. What could not be read of the letterhead comes back in
// warnings (the PDF then has the built-in texts there). A file of a name the
// program chose itself is refused when there is one (Existing::Refuse).
void WriteVorgangPdf(TVexDaoDatabase *connection, const QString &idText, const QString &path,
                     QStringList *warnings = nullptr,
                     SafeFile::Existing existing = SafeFile::Existing::Replace);

// The same pages as WriteVorgangPdf, as a ZUGFeRD / Factur-X invoice:
// PDF/A-3b with the document's EN 16931 data embedded as factur-x.xml. The
// seller data come from the settings file, the VAT rate from the program-wide
// values. AppError with the German message of the refusal (not an invoice or
// credit note, in DM, no positions, seller or buyer data missing) or of the
// failure; no file is written or changed then.
void WriteVorgangZugferdPdf(TVexDaoDatabase *connection, const QString &idText, const QString &path,
                            QStringList *warnings = nullptr);
