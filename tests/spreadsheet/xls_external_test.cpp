// Saved workbooks opened by the spreadsheets users have: Gnumeric's
// ssconvert and LibreOffice Calc convert them without complaint and show
// the inventory's texts. Skipped when one is not installed, except where
// every reader is required (ExternalReaders.h).

#include "ExternalReaders.h"
#include "support/XlsInventory.h"

#include "spreadsheet/xls/Xls.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Conversion {
    int exitCode = -1;
    QString messages;
    QString csv;
};

Conversion run(const QString& program, const QStringList& arguments, const QString& csvPath)
{
    QProcess process;
    process.start(program, arguments);
    Conversion result;
    if (!process.waitForFinished(-1))
        return result;
    result.exitCode = process.exitCode();
    result.messages = QString::fromUtf8(process.readAllStandardError());
    QFile csv(csvPath);
    if (csv.open(QIODevice::ReadOnly))
        result.csv = QString::fromUtf8(csv.readAll());
    return result;
}

// The CSV lines the inventory of items gives.
void checkInventoryCsv(const QString& csv, int items)
{
    // None of the texts holds a comma or a quote, so quotes only wrap fields.
    const QStringList lines = QString(csv).remove(u'"').split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= items + 2, qPrintable(csv.left(400)));
    QVERIFY2(lines[0].startsWith("Inventory List"), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains("Inventory ID") && lines[1].contains("Discontinued?"), qPrintable(lines[1]));
    const auto all = renderfixture::manyItems(items);
    for (int i = 0; i < items; ++i) {
        const renderfixture::Item& item = all[std::size_t(i)];
        // Every field as typed, the numbers of MULRK and RK records among them.
        QCOMPARE(lines[i + 2], QStringList(item.begin(), item.end()).join(u','));
    }
}

} // namespace

class XlsExternalTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    static constexpr int Items = 40;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ssconvert").isEmpty() && QStandardPaths::findExecutable("soffice").isEmpty())
            SKIP_WITHOUT_READER("neither Gnumeric (ssconvert) nor LibreOffice (soffice) is installed");
        m_file = m_dir.filePath("inventory.xls");
        ss::xls::save(xlsinventory::inventory(Items), m_file);
    }

    void gnumericOpensIt()
    {
        const QString ssconvert = QStandardPaths::findExecutable("ssconvert");
        if (ssconvert.isEmpty())
            SKIP_WITHOUT_READER("Gnumeric's ssconvert is not installed");
        const QString csv = m_dir.filePath("gnumeric.csv");
        const Conversion c = run(ssconvert, {m_file, csv}, csv);
        QCOMPARE(c.exitCode, 0);
        // ssconvert tells of every record it finds wrong.
        QVERIFY2(c.messages.trimmed().isEmpty(), qPrintable(c.messages));
        checkInventoryCsv(c.csv, Items);
    }

    void libreOfficeOpensIt()
    {
        const QString soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty())
            SKIP_WITHOUT_READER("LibreOffice is not installed");
        const QString profile = "-env:UserInstallation=file://" + m_dir.filePath("profile");
        const Conversion c = run(soffice, {profile, "--headless", "--convert-to", "csv", "--outdir", m_dir.path(), m_file},
                                 m_dir.filePath("inventory.csv"));
        QCOMPARE(c.exitCode, 0);
        checkInventoryCsv(c.csv, Items);
    }
};

QTEST_MAIN(XlsExternalTest)
#include "xls_external_test.moc"
