#include "workbook/CellText.h"

#include "automation/ExcelConstants.h"

#include <QDate>

#include <charconv>
#include <cmath>

namespace workbook {

namespace {

// The parts of a date and time a number format shows.
struct DateParts {
    bool date = false;
    bool time = false;
    bool elapsedHours = false; // [h]: hours past a day
};

// The parts that the first section of a number format shows; quoted text,
// escaped characters, colours and conditions in brackets say nothing.
DateParts datePartsOf(QStringView code)
{
    DateParts parts;
    if (code.compare(u"General", Qt::CaseInsensitive) == 0)
        return parts;
    bool month = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (c == u';') {
            break;
        } else if (c == u'"') {
            while (++i < code.size() && code[i] != u'"') {
            }
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i);
            const QStringView inside = code.mid(i + 1, end < 0 ? -1 : end - i - 1);
            const bool elapsed = !inside.isEmpty() && (inside[0] == u'h' || inside[0] == u'H' || inside[0] == u'm'
                                                       || inside[0] == u'M' || inside[0] == u's' || inside[0] == u'S')
                              && inside.count(inside[0]) == inside.size();
            if (elapsed) {
                parts.time = true;
                parts.elapsedHours = parts.elapsedHours || inside[0].toLower() == u'h';
            }
            i = end < 0 ? code.size() : end;
        } else if (c == u'd' || c == u'y') {
            parts.date = true;
        } else if (c == u'h' || c == u's') {
            parts.time = true;
        } else if (c == u'm') {
            month = true;
        }
    }
    // "mmm yy" is a month, "h:mm" minutes.
    parts.date = parts.date || (month && !parts.time);
    return parts;
}

QString twoDigits(qint64 value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }

// The last day a serial number of Excel's can give: 9999-12-31.
constexpr double LastSerial = 2958466.0;
constexpr qint64 SecondsPerDay = 86400;

// The date of a whole number of days as the workbook counts them. Excel's
// 1900 count holds a 29 February 1900 that the calendar has not (its day
// 60), so the days before it are one off from 1899-12-30.
QString dateOfDays(qint64 days, bool dates1904)
{
    if (dates1904)
        return QDate(1904, 1, 1).addDays(days).toString(Qt::ISODate);
    if (days == 0)
        return QStringLiteral("1900-01-00");
    if (days == 60)
        return QStringLiteral("1900-02-29");
    const QDate dayZero = days < 60 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    return dayZero.addDays(days).toString(Qt::ISODate);
}

// A serial date and time as ISO 8601 text of the parts shown; empty for a
// number that is no date (negative, or past 9999).
QString isoDateTime(double serial, bool dates1904, const DateParts& parts)
{
    if (!(serial >= 0 && serial < LastSerial))
        return {};
    const auto seconds = qint64(std::llround(serial * double(SecondsPerDay)));
    const qint64 days = seconds / SecondsPerDay;
    const qint64 ofDay = seconds % SecondsPerDay;
    const QString date = parts.date ? dateOfDays(days, dates1904) : QString();
    if (!parts.time)
        return date;
    const qint64 hours = parts.elapsedHours && !parts.date ? seconds / 3600 : ofDay / 3600;
    const QString time = twoDigits(hours) + QLatin1Char(':') + twoDigits(ofDay / 60 % 60) + QLatin1Char(':')
                       + twoDigits(ofDay % 60);
    return date.isEmpty() ? time : date + QLatin1Char('T') + time;
}

QString errorText(std::int32_t code)
{
    switch (code) {
    case excel::xlErrNull: return QStringLiteral("#NULL!");
    case excel::xlErrDiv0: return QStringLiteral("#DIV/0!");
    case excel::xlErrValue: return QStringLiteral("#VALUE!");
    case excel::xlErrRef: return QStringLiteral("#REF!");
    case excel::xlErrName: return QStringLiteral("#NAME?");
    case excel::xlErrNum: return QStringLiteral("#NUM!");
    case excel::xlErrNA: return QStringLiteral("#N/A");
    default: return QStringLiteral("#GETTING_DATA");
    }
}

// A number at most 15 significant digits long, in plain decimals.
QString shownNumber(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    // d.dddddddddddddde+x: the 15 significant digits a spreadsheet keeps.
    char scientific[32];
    const char* end = std::to_chars(scientific, scientific + sizeof scientific, value,
                                    std::chars_format::scientific, 14)
                          .ptr;
    const char* at = scientific;
    const bool negative = *at == '-';
    at += negative ? 1 : 0;
    QString digits;
    for (; at < end && *at != 'e'; ++at)
        if (*at != '.')
            digits += QLatin1Char(*at);
    const int exponent = std::atoi(at + 1);
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    const qsizetype point = exponent + 1; // digits before the decimal point
    QString text;
    if (point <= 0)
        text = QLatin1String("0.") + QString(-point, QLatin1Char('0')) + digits;
    else if (point >= digits.size())
        text = digits + QString(point - digits.size(), QLatin1Char('0'));
    else
        text = digits.left(point) + QLatin1Char('.') + digits.mid(point);
    return negative ? QLatin1Char('-') + text : text;
}

} // namespace

QString cellText(const automation::Variant& value, QStringView numberFormat, bool dates1904)
{
    switch (value.type()) {
    case automation::VarType::Empty: return {};
    case automation::VarType::Boolean: return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case automation::VarType::Error: return errorText(value.ifError()->code);
    case automation::VarType::String: return value.toString();
    default: break;
    }
    const double number = value.toDouble();
    if (const DateParts parts = datePartsOf(numberFormat); parts.date || parts.time)
        if (QString date = isoDateTime(number, dates1904, parts); !date.isEmpty())
            return date;
    return shownNumber(number);
}

} // namespace workbook
