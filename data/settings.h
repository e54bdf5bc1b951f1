// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file tavirel.ini: sections and keys in the usual ini form,
// names matched without regard to letter case. Nothing is cached: every read
// opens the file afresh, so a change made by hand or by another window is seen
// at once. A missing or unreadable file reads as all defaults.
#include <QString>

class IniFile
{
  public:
    explicit IniFile(QString path);

    QString path() const { return m_path; }

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    // Yes when the value is a whole number other than 0; a value that is no
    // whole number reads as the default.
    bool readBool(const QString &section, const QString &key, bool defaultValue = false) const;

    // Replaces the key's line where it stands, or adds it at the end of its
    // section (a missing section is added at the end of the file). Every other
    // line stays as it was. AppError when the file cannot be written.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeBool(const QString &section, const QString &key, bool value); // 1 or 0

  private:
    QString m_path;
};
