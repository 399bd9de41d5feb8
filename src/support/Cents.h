#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Money amounts are whole cents; 99 999 999 cents is the largest amount anywhere. Decimal texts are
// read digit by digit, never through a binary floating-point number, so "1.15" is 115 cents exactly.

constexpr int kMaxCents = 99999999;

enum class CentsRounding {
    HalfUp,   // a third decimal of 5 or more rounds the cents up
    Truncate, // decimals past the second are dropped
};

// Dollars as a plain decimal text: digits, optionally a point and more digits ("12", "12.5", ".75",
// "3."), blanks around it allowed -> false for anything else (signs, exponents, letters, several
// points, no digit at all) and for amounts above 99 999 999 cents.
bool ParseDollarsToCents(QStringView text, int& cents, CentsRounding rounding = CentsRounding::HalfUp);

// A 64-bit amount brought into 0..99 999 999.
constexpr int ClampCents(qint64 cents) {
    return cents < 0 ? 0 : cents > kMaxCents ? kMaxCents : int(cents);
}

// "%d.%02d": dollars and two digits of cents (1050 -> "10.50"); negative amounts keep their sign.
QString FormatCentsAsDollars(qint64 cents);
