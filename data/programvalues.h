// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program-wide values that the main window sets when it is created and
// that the data modules, reports and the command line read. Their defaults
// are the same values, so that they are right without a main window too.
#include "tax.h"

#include <QString>

struct ProgramValues
{
    // The one rate of older versions: the rate of positions and documents
    // stored before rates were kept per position.
    int MwstSatz = 19;                        // VAT in whole percent
    QString UstId;                            // the firm's tax number, from the settings file
    QString MaKuerzel = QStringLiteral("TV"); // mark of the user at this workstation
    long double DmEuroKurs = 1.95583L;        // DM per euro
    QString Currency = QStringLiteral("€");
    Tax::Settings Steuer; // the firm's tax case and the rates by date, [Steuer]

    // 1 + MwstSatz / 100, in extended precision.
    long double vatFactor() const { return 1.0L + MwstSatz / 100.0L; }

    static ProgramValues &instance();
};
