// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one error class of the program: every failure carries its German message
// and travels up to the event loop, which shows it in the error box. Its kind
// is set where the error arises, so that a caller that must act on what went
// wrong (go on after a lost connection, wait for a lock) decides by the kind,
// never by the text.
#include <QByteArray>
#include <QString>
#include <exception>

class AppError : public std::exception
{
  public:
    enum class Kind {
        General,        // anything a caller only reports
        Busy,           // another workstation holds the lock; trying again later may work
        ConnectionLost, // the server connection went away; the open transaction with it
        Conflict,       // another workstation changed the row since it was read
        Refused,        // the input or the state does not allow the step
    };
    explicit AppError(QString message, Kind kind = Kind::General)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_kind(kind)
    {}
    const QString &message() const { return m_message; }
    Kind kind() const { return m_kind; }
    const char *what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QByteArray m_utf8;
    Kind m_kind;
};
