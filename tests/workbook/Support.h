#pragma once

// Helpers shared by the workbook tests: item lists, expected transcripts,
// where reports were made and a look into a run.

#include "records/ListItems.h"
#include "workbook/InventoryList.h"
#include "support/TestServices.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <sys/stat.h>

#include <functional>
#include <utility>

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

// The mode bits of the file at path, of a link itself; 0 when there is none.
inline unsigned modeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? unsigned(info.st_mode & 07777) : 0;
}

// Writes a file at path with contents, last written hours ago; returns path.
inline QString writeAged(const QString& path, const QByteArray& contents, int hours)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.flush()
        || !file.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * hours), QFileDevice::FileModificationTime))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The program's windows as a run sees them, with a look at the run when it
// has written the picture of the sheet and not yet loaded it (the pointer
// goes back to the default at line 182).
class WatchedWindows final : public InventoryList::RunWindows {
public:
    explicit WatchedWindows(InventoryList::RunWindows& windows) : m_windows(windows) {}

    std::function<void()> whilePictureWaits;

    void setMainWindowPointer(MousePointer kind) override
    {
        m_windows.setMainWindowPointer(kind);
        if (kind == MousePointer::Default && whilePictureWaits)
            std::exchange(whilePictureWaits, nullptr)();
    }
    void showPreview(const InventoryList::Generated& made) override { m_windows.showPreview(made); }
    void hideMainWindow() override { m_windows.hideMainWindow(); }

private:
    InventoryList::RunWindows& m_windows;
};

} // namespace support
