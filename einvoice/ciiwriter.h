// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes an e-invoice as UN/CEFACT Cross Industry Invoice (D16B) under the
// rules of EN 16931: either as XRechnung 3.0 (the German public profile) or
// as the plain EN 16931 profile that a ZUGFeRD / Factur-X PDF carries.
#include <QByteArray>

struct EInvoice;

class CiiWriter
{
  public:
    enum class Profile { XRechnung, EN16931 };

    // UTF-8 XML; every text of the program is escaped by the stream writer and
    // freed of characters XML cannot carry.
    static QByteArray write(const EInvoice &invoice, Profile profile);

    static const char *guidelineId(Profile profile);
};
