// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the settings window edits, read from the files the program reads
// anyway (tavirel.ini and the letterhead texts) and written back into them.
// Only what the user changed is written: a key keeps its place, its comments
// and the lines around it, and a file not touched in the window stays as it
// was, so that hand edits keep working beside the window.
#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>

class SettingsValues
{
  public:
    // The keys of the settings file and the letterhead files in the folder
    // (missing ones read as empty).
    static SettingsValues read(const QString &folder, const QString &iniPath);

    QString key(const QString &section, const QString &name) const;
    void setKey(const QString &section, const QString &name, const QString &value);
    // A text file of the folder, lines joined by "\n".
    QString file(const QString &name) const;
    void setFile(const QString &name, const QString &text);

    // What changed since read(): the keys into tavirel.ini, the files whole
    // (UTF-8, CR LF). AppError when a file cannot be written.
    void write();
    bool changed() const;

  private:
    QString m_folder, m_ini;
    QHash<QString, QString> m_keys, m_readKeys;             // "section/key" in lower case
    QHash<QString, std::pair<QString, QString>> m_sections; // set keys: section and key as spelt
    QHash<QString, QString> m_files, m_readFiles;           // by file name
};

// The checks of what is typed, one German sentence each when it is wrong;
// empty text is never wrong here (what is missing is named elsewhere).
namespace SettingsChecks {
QString iban(const QString &text);
QString vatId(const QString &text);
QString taxNumber(const QString &text);
QString creditorId(const QString &text);
QString country(const QString &text);
QString email(const QString &text);
// A whole number from min to max.
QString number(const QString &text, int min, int max);
// An amount in euro, "5" or "2,50".
QString amount(const QString &text);
// A server location without a password.
QString serverLocation(const QString &text);
} // namespace SettingsChecks
