#pragma once

#include <QString>

namespace ss::render {

// The most characters a number shows in the General format.
inline constexpr int GeneralMaxChars = 11;

// value as the General format shows it in at most maxChars characters:
// plain decimals with trailing zeros dropped ("12.5", "-3", "0.0001"),
// rounded to fit, and scientific notation ("1.23457E+11", "1E-05") for
// numbers too large or too small for that. Empty when value cannot be
// shown in maxChars characters at all. Non-finite values show "#NUM!".
QString generalNumberText(double value, int maxChars, QChar decimalPoint = QLatin1Char('.'));

} // namespace ss::render
