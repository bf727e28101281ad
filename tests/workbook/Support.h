#pragma once

// Helpers shared by the workbook tests: item lists, expected transcripts and
// where reports were made.

#include "records/ListItems.h"
#include "support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace support {

// Two items with texts that must reach the sheet unchanged: a comma, a
// leading "=", an empty field, leading zeros, a trailing zero.
inline std::vector<QStringList> twoItems()
{
    return {
        {"A-100", "Bolt, hex", "Zinc plated", "0.25", "1000", "200", "7", "500", "No"},
        {"B-200", "=SUM(A1)", "", "6.90", "0012", "5", "14", "0", "Yes"},
    };
}

inline void fillItems(ListItems& items, const std::vector<QStringList>& rows)
{
    items.Clear();
    for (const QStringList& fields : rows) {
        const int position = items.Add(fields.at(0));
        for (int n = 1; n < fields.size(); ++n)
            items.setSubItem(position, n, fields.at(n));
    }
}

// Where each report was made, as "path line", e.g.
// "in Quorvale2021/08/31.Excel1.saveCellsActivesheet 112"; a report without
// a place stands as its whole text.
inline QStringList reportedLines(const TestServices& services)
{
    static const QRegularExpression where(QStringLiteral("\r\n(in \\S+ )at line (\\d+)\r\r"));
    QStringList lines;
    for (const shell::MessageRequest& report : services.errorReports()) {
        const QRegularExpressionMatch m = where.match(report.text);
        lines << (m.hasMatch() ? m.captured(1) + m.captured(2) : report.text);
    }
    return lines;
}

// An expected transcript from tests/data/transcripts: lines starting with
// "#" and empty lines are left out; "@include NAME" stands for the lines of
// that file.
inline QStringList expectedTranscript(const QString& name)
{
    QFile file(QDir(QStringLiteral(QUORVALE_TEST_DATA "/transcripts")).filePath(name));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("missing transcript %s", qPrintable(name));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("@include ")))
            lines << expectedTranscript(line.mid(9));
        else
            lines << line;
    }
    return lines;
}

// Compares two transcripts line by line, so a failure names the first line
// that differs.
inline bool sameTranscript(const QStringList& actual, const QStringList& expected)
{
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i)
        if (actual.at(i) != expected.at(i)) {
            qWarning("line %lld differs:\n  actual:   %s\n  expected: %s", static_cast<long long>(i + 1),
                     qPrintable(actual.at(i)), qPrintable(expected.at(i)));
            return false;
        }
    if (actual.size() != expected.size()) {
        qWarning("%lld lines, expected %lld", static_cast<long long>(actual.size()),
                 static_cast<long long>(expected.size()));
        return false;
    }
    return true;
}

} // namespace support
