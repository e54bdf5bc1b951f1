// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A decimal number exactly as an e-invoice writes it ("1234.50", "-0.5",
// "19"): a whole count of units of 10^-scale. Received invoices are checked
// and shown with the very digits of the file, never through a binary
// floating-point value that would turn 0.1 into 0.1000000000000000055.
#include <QString>
#include <QStringView>
#include <optional>

class Decimal
{
  public:
    Decimal() = default; // absent: the file does not state the value
    static Decimal fromCents(qint64 cents) { return Decimal(cents, 2); }

    // The XML Schema decimal form: optional sign, digits, optional point and
    // digits; blanks around it are allowed. Nothing for any other text or for
    // more than 18 significant digits.
    static std::optional<Decimal> parse(QStringView text);

    bool isNull() const { return m_null; }
    qint64 units() const { return m_units; }
    int scale() const { return m_scale; }

    // Rounded to cents, halves away from zero (0 when absent).
    qint64 cents() const;
    // As the file wrote it, with at least minDecimals decimals: "1234.50";
    // empty when absent.
    QString text(int minDecimals = 0) const;
    // German form for the page: "1.234,50" (at least minDecimals decimals).
    QString german(int minDecimals = 2) const;
    // For arithmetic that tolerates rounding (the line amount check).
    long double toLongDouble() const;

    bool operator==(const Decimal &o) const;

  private:
    Decimal(qint64 units, int scale) : m_units(units), m_scale(scale), m_null(false) {}

    qint64 m_units = 0;
    int m_scale = 0;
    bool m_null = true;
};
