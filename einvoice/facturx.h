// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns a PDF that Qt has written into a ZUGFeRD / Factur-X invoice: PDF/A-3b
// with the CII XML embedded as factur-x.xml (EN 16931 profile, relationship
// "Alternative"), the Factur-X XMP metadata, the /AF array and an sRGB output
// intent. The pages stay exactly as Qt drew them; qpdf edits the structure.
#include <QByteArray>
#include <QDateTime>

class FacturX
{
  public:
    static const char *fileName() { return "factur-x.xml"; }

    // AppError when the PDF cannot be read. `when` becomes the creation and
    // change date of the PDF and the attachment, in the info dictionary and the
    // XMP metadata alike (PDF/A wants the two to agree).
    static QByteArray attach(const QByteArray &pdf, const QByteArray &xml,
                             const QDateTime &when = QDateTime::currentDateTimeUtc());

    // The attachment of that name, or empty; for checks and tests.
    static QByteArray attachment(const QByteArray &pdf, const char *name = fileName());
};
