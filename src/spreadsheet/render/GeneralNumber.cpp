#include "spreadsheet/render/GeneralNumber.h"

#include <cmath>

namespace ss::render {

namespace {

// Smaller numbers than this show in scientific notation.
constexpr double SmallestPlain = 1e-4;
// Scientific notation shows at most this many decimals.
constexpr int MaxScientificDecimals = 5;

// "12.500" -> "12.5", "3.000" -> "3"; texts without a point stay.
QString withoutTrailingZeros(QString digits)
{
    if (!digits.contains(QLatin1Char('.')))
        return digits;
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    return digits;
}

bool isZeroText(const QString& text) { return text == QLatin1String("0") || text == QLatin1String("-0"); }

QString plainText(double value, int maxChars)
{
    for (int decimals = maxChars; decimals >= 0; --decimals) {
        const QString text = withoutTrailingZeros(QString::number(value, 'f', decimals));
        if (text.size() <= maxChars)
            return isZeroText(text) ? QString() : text;
    }
    return {};
}

QString scientificText(double value, int maxChars)
{
    for (int decimals = MaxScientificDecimals; decimals >= 0; --decimals) {
        const QString text = QString::number(value, 'E', decimals);
        const qsizetype e = text.indexOf(QLatin1Char('E'));
        const QString shown = withoutTrailingZeros(text.left(e)) + text.mid(e);
        if (shown.size() <= maxChars)
            return shown;
    }
    return {};
}

} // namespace

QString generalNumberText(double value, int maxChars, QChar decimalPoint)
{
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (value == 0)
        return QStringLiteral("0");
    QString text;
    if (std::abs(value) >= SmallestPlain)
        text = plainText(value, maxChars);
    if (text.isEmpty())
        text = scientificText(value, maxChars);
    text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

} // namespace ss::render
