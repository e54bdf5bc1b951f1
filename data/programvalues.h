#pragma once
// The program-wide values that the main window sets when it is created and
// that the data modules, reports and the command line read. Their defaults
// are the same values, so that they are right without a main window too.
#include <QString>

struct ProgramValues
{
    int MwstSatz = 19;                 // VAT in whole percent
    QString UstId;                     // the firm's tax number, from the settings file
    QString MaKuerzel = QStringLiteral("TV"); // mark of the user at this workstation
    long double DmEuroKurs = 1.95583L; // DM per euro
    QString Currency = QStringLiteral("€");

    // 1 + MwstSatz / 100, in extended precision.
    long double vatFactor() const { return 1.0L + MwstSatz / 100.0L; }

    static ProgramValues &instance();
};
