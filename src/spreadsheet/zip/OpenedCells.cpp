#include "spreadsheet/zip/OpenedCells.h"

#include "automation/Error.h"

#include <QDate>

#include <charconv>

namespace ss::zip {

void OpenedCells::outside(const Sheet& sheet, int row, int col)
{
    throw quorvale::AutomationError(
        QStringLiteral("the sheet \"%1\" holds a value in cell %2, outside the %L3 rows and %4 columns (A to %5) of "
                       "the Excel 97-2003 sheets this application holds")
            .arg(sheet.name, cellName(row, col))
            .arg(MaxRows)
            .arg(MaxColumns)
            .arg(cellName(-1, MaxColumns - 1)));
}

void OpenedCells::tooMany()
{
    throw quorvale::AutomationError(
        QStringLiteral("its sheets hold more than %L1 cells, more than this application opens").arg(MaxOpenedCells));
}

QString cellName(int row, int col)
{
    QString letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return row < 0 ? letters : letters + QString::number(qint64(row) + 1);
}

bool parseCellReference(std::string_view text, int& row, int& col)
{
    std::size_t i = 0;
    if (i < text.size() && text[i] == '$')
        ++i;
    int column = 0;
    const std::size_t letters = i;
    for (; i < text.size() && i - letters < 4; ++i) {
        const char c = char(text[i] & ~0x20); // upper case
        if (c < 'A' || c > 'Z')
            break;
        column = column * 26 + (c - 'A' + 1);
    }
    if (i == letters || i - letters > 3)
        return false;
    if (i < text.size() && text[i] == '$')
        ++i;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1)
        return false;
    row = number - 1;
    col = column - 1;
    return true;
}

namespace {

// Reads digits digits of text at i as a number.
bool digitsAt(std::string_view text, std::size_t& i, std::size_t digits, int& value)
{
    if (i + digits > text.size())
        return false;
    value = 0;
    for (std::size_t end = i + digits; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<DateTime> isoDateSerial(std::string_view text, bool dates1904)
{
    std::size_t i = 0;
    int year = 0, month = 0, day = 0;
    if (!digitsAt(text, i, 4, year) || i >= text.size() || text[i++] != '-' || !digitsAt(text, i, 2, month)
        || i >= text.size() || text[i++] != '-' || !digitsAt(text, i, 2, day))
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    DateTime result;
    qint64 days = dates1904 ? date.toJulianDay() - QDate(1904, 1, 1).toJulianDay()
                            : date.toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    if (!dates1904 && days >= 1 && days < 61)
        --days;
    result.serial = double(days);
    if (i < text.size() && text[i] == 'T') {
        ++i;
        int hour = 0, minute = 0, second = 0;
        if (!digitsAt(text, i, 2, hour) || i >= text.size() || text[i++] != ':' || !digitsAt(text, i, 2, minute))
            return std::nullopt;
        if (i < text.size() && text[i] == ':' && (++i, !digitsAt(text, i, 2, second)))
            return std::nullopt;
        double seconds = second;
        if (i < text.size() && text[i] == '.') {
            const std::size_t start = i;
            for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9';)
                ++i;
            double fraction = 0;
            std::from_chars(text.data() + start, text.data() + i, fraction);
            seconds += fraction;
        }
        if (hour > 24 || minute > 59 || seconds >= 61)
            return std::nullopt;
        result.serial += (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
        result.hasTime = true;
    }
    return result;
}

std::optional<double> isoDurationDays(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    i += negative;
    if (i >= text.size() || text[i++] != 'P')
        return std::nullopt;
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    while (i < text.size()) {
        if (text[i] == 'T' && !inTime) {
            inTime = true;
            ++i;
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (error != std::errc() || end == text.data() + text.size() || value < 0)
            return std::nullopt;
        i = std::size_t(end - text.data());
        const char unit = text[i++];
        if (!inTime && unit == 'D')
            seconds += value * 86400;
        else if (inTime && unit == 'H')
            seconds += value * 3600;
        else if (inTime && unit == 'M')
            seconds += value * 60;
        else if (inTime && unit == 'S')
            seconds += value;
        else
            return std::nullopt;
        any = true;
    }
    if (!any)
        return std::nullopt;
    return (negative ? -seconds : seconds) / 86400.0;
}

} // namespace ss::zip
