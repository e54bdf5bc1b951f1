// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the program's own command line, as a user or a script would.
#include <QProcess>
#include <QString>
#include <QStringList>

struct CommandRun
{
    int status = -1;
    QString out, err;
};

// The program at path, with env as its whole environment (and workingDir as
// its current folder, where given).
inline CommandRun runProgram(const QString &path, const QStringList &args, const QProcessEnvironment &env,
                             const QString &workingDir = QString())
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workingDir.isEmpty()) p.setWorkingDirectory(workingDir);
    p.start(path, args);
    CommandRun r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline CommandRun tavirel(const QStringList &args, const QString &workingDir = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the command chooses its own
    return runProgram(QStringLiteral(TAVIREL_PROGRAM_DIR "/tavirel"), args, env, workingDir);
}
