// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsvalues.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/textfiles.h"
#include "data/engine.h"
#include "data/samplefirm.h"
#include "data/settings.h"
#include "data/tax.h"
#include "einvoice/sellerdata.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString id(const QString &section, const QString &name)
{
    return (section + QLatin1Char('/') + name).toLower();
}

} // namespace

SettingsValues SettingsValues::read(const QString &folder, const QString &iniPath)
{
    SettingsValues v;
    v.m_folder = folder;
    v.m_ini = iniPath;
    for (const QString &name : SampleFirm::files()) {
        const QString path = QDir(folder).filePath(name);
        QString text;
        if (QFileInfo::exists(path)) {
            try {
                text = TextFiles::loadLines(path).join(QLatin1Char('\n'));
            } catch (const AppError &) {
                // An unreadable file shows empty; the print names it.
            }
        }
        v.m_files.insert(name, text);
    }
    v.m_readFiles = v.m_files;
    return v;
}

QString SettingsValues::key(const QString &section, const QString &name) const
{
    const QString k = id(section, name);
    const auto it = m_keys.constFind(k);
    if (it != m_keys.constEnd()) return it.value();
    // Read on first use and kept, so that a write compares with what was read.
    const QString value = IniFile(m_ini).readString(section, name);
    auto *self = const_cast<SettingsValues *>(this);
    self->m_keys.insert(k, value);
    self->m_readKeys.insert(k, value);
    return value;
}

void SettingsValues::setKey(const QString &section, const QString &name, const QString &value)
{
    key(section, name); // what was read, for the comparison
    m_keys.insert(id(section, name), value);
    m_sections.insert(id(section, name), {section, name});
}

QString SettingsValues::file(const QString &name) const
{
    return m_files.value(name);
}

void SettingsValues::setFile(const QString &name, const QString &text)
{
    m_files.insert(name, text);
}

bool SettingsValues::changed() const
{
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it)
        if (m_readKeys.value(it.key()) != it.value()) return true;
    return m_files != m_readFiles;
}

void SettingsValues::write()
{
    IniFile ini(m_ini);
    for (auto it = m_sections.constBegin(); it != m_sections.constEnd(); ++it) {
        const QString value = m_keys.value(it.key());
        if (m_readKeys.value(it.key()) == value) continue;
        ini.writeString(it.value().first, it.value().second, value);
        m_readKeys.insert(it.key(), value);
    }
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it) {
        if (m_readFiles.value(it.key()) == it.value()) continue;
        const QStringList lines = it.value().isEmpty() ? QStringList() : it.value().split(QLatin1Char('\n'));
        TextFiles::saveLines(QDir(m_folder).filePath(it.key()), lines);
        m_readFiles.insert(it.key(), it.value());
    }
}

namespace SettingsChecks {

QString iban(const QString &text)
{
    if (text.trimmed().isEmpty() || IsValidIban(text)) return QString();
    return QStringLiteral("Die IBAN \"%1\" ist ungültig: Länge oder Prüfziffern stimmen nicht.")
        .arg(text.trimmed());
}

QString vatId(const QString &text)
{
    return text.trimmed().isEmpty() ? QString() : Tax::checkVatId(text);
}

QString taxNumber(const QString &text)
{
    return text.trimmed().isEmpty() ? QString() : CheckTaxNumber(text);
}

QString creditorId(const QString &text)
{
    return text.trimmed().isEmpty() ? QString() : CheckCreditorId(text);
}

QString country(const QString &text)
{
    if (text.trimmed().isEmpty() || Tax::isCountryCode(text.trimmed().toUpper())) return QString();
    return QStringLiteral("\"%1\" ist kein Ländercode nach ISO 3166 (zwei Buchstaben, z. B. DE, AT).")
        .arg(text.trimmed());
}

QString email(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    if (text.trimmed().isEmpty() || form.match(text.trimmed()).hasMatch()) return QString();
    return QStringLiteral("\"%1\" ist keine E-Mail-Adresse.").arg(text.trimmed());
}

QString number(const QString &text, int min, int max)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (text.trimmed().isEmpty() || (ok && v >= min && v <= max)) return QString();
    return QStringLiteral("\"%1\" ist keine ganze Zahl von %2 bis %3.").arg(text.trimmed()).arg(min).arg(max);
}

QString amount(const QString &text)
{
    double v = 0;
    if (text.trimmed().isEmpty() || (German::parseFloat(text.trimmed(), &v) && v >= 0 && v <= 1e6))
        return QString();
    return QStringLiteral("\"%1\" ist kein Betrag in Euro (z. B. 5,00).").arg(text.trimmed());
}

QString serverLocation(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return QString();
    if (!Engine::isServerLocation(t))
        return QStringLiteral("\"%1\" ist keine Serveradresse; erwartet wird "
                              "postgresql://benutzer@server:5432/datenbank.")
            .arg(t);
    if (Engine::maskPasswords(t) != t)
        return QStringLiteral("Die Serveradresse enthält ein Kennwort. Es gehört nicht in die Einstellungen, "
                              "sondern in die Kennwortdatei des Benutzers (.pgpass) oder in PGPASSWORD.");
    return QString();
}

} // namespace SettingsChecks
