// Files that once made Workbooks.Open fail badly (found by fuzz/open_fuzz),
// kept in tests/data/fuzz/open. Each goes through the Open member of the
// built-in application as a client would call it, and must be refused with
// the program's message saying what is wrong, or open and then save and open
// again alike. No GLib critical may come out of libgsf on the way.

// GLib before Qt, whose keywords it uses as names.
#include <glib.h>

#include "support/XlsCompare.h"

#include "automation/Error.h"
#include "automation/Servers.h"
#include "spreadsheet/objects/Server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using automation::Object;
using automation::Variant;

namespace {

QStringList criticals;

void onGLibMessage(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL))
        criticals << QStringLiteral("%1: %2").arg(QString::fromUtf8(domain ? domain : ""), QString::fromUtf8(message));
}

const QString CaseDir = QStringLiteral(QUORVALE_TEST_DATA "/fuzz/open");

// What each kept file must give: the words its refusal has, or empty when
// it opens.
const std::map<QString, QString>& expectations()
{
    static const std::map<QString, QString> cases{
        // Names the font of an XF with an empty name; the workbook could
        // not be saved again.
        {QStringLiteral("font-without-name.xls"), QStringLiteral("the workbook is damaged: The font name \"\"")},
        // Its header lists a FAT sector past the end of the cut-short file,
        // which libgsf met with a GLib critical.
        {QStringLiteral("fat-sector-past-end.xls"), QStringLiteral("a FAT sector lies past the end of the file")},
    };
    return cases;
}

} // namespace

class XlsFuzzCasesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Object m_workbooks;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_log_set_default_handler(onGLibMessage, nullptr);
        ss::registerExcelApplication();
        m_workbooks = automation::Servers::createObject(QStringLiteral("Excel.Application")).object("Workbooks");
    }

    void everyKeptFileHasItsExpectation()
    {
        const QStringList files = QDir(CaseDir).entryList(QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QVERIFY2(expectations().count(file), qPrintable(file + QStringLiteral(" has no expectation")));
    }

    void keptFilesOpenOrAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("refusal");
        for (const auto& [file, refusal] : expectations())
            QTest::newRow(qPrintable(file)) << file << refusal;
    }

    void keptFilesOpenOrAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, refusal);
        criticals.clear();
        // A copy, so that the message names a path of this run.
        const QString path = m_dir.filePath(file);
        QFile::remove(path);
        QVERIFY(QFile::copy(QDir(CaseDir).filePath(file), path));

        Object book;
        QString error;
        try {
            book = m_workbooks.call("Open", {Variant(path)}).toObject();
        } catch (const quorvale::AutomationError& e) {
            error = e.description();
        }
        QVERIFY2(criticals.isEmpty(), qPrintable(criticals.join('\n')));
        QCOMPARE(m_workbooks.get("Count"), Variant(std::int32_t(book ? 1 : 0)));
        if (!refusal.isEmpty()) {
            QVERIFY2(!book, "the damaged file opened");
            QVERIFY2(error.contains(QStringLiteral("Cannot open \"%1\": ").arg(QDir::toNativeSeparators(path))),
                     qPrintable(error));
            QVERIFY2(error.contains(refusal), qPrintable(error));
            return;
        }
        QVERIFY2(book, qPrintable(error));
        const QString again = m_dir.filePath(QStringLiteral("again-") + file);
        book.call("SaveAs", {Variant(again)});
        const Object reopened = m_workbooks.call("Open", {Variant(again)}).toObject();
        QCOMPARE(xlscompare::compareEquivalent(*ss::workbookModel(book), *ss::workbookModel(reopened)), QString());
        book.call("Close");
        reopened.call("Close");
    }
};

QTEST_MAIN(XlsFuzzCasesTest)
#include "xls_fuzzcases_test.moc"
