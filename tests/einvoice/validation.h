// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the e-invoice validator kept in the repository (tests/einvoice/validator)
// over several files at once: one Java run per rule set for all of them.
#include <QProcess>
#include <QString>
#include <QStringList>

struct ValidationRun
{
    int exitCode = -1;
    QString output;
};

inline ValidationRun ValidateEInvoices(const QStringList &files, bool en16931Only = false)
{
    QStringList args;
    if (en16931Only) args << QStringLiteral("--en16931");
    args << files;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(TAVIREL_SOURCE_DIR "/tests/einvoice/validator/validate"), args);
    ValidationRun r;
    if (!p.waitForFinished(300000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromUtf8(p.readAll());
    return r;
}
