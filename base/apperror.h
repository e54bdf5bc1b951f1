// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one error class of the program: every failure carries its German message
// and travels up to the event loop, which shows it in the error box.
#include <QByteArray>
#include <QString>
#include <exception>

class AppError : public std::exception
{
  public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QByteArray m_utf8;
};
