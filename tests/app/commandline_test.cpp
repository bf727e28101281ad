// The command line, run as a user runs it: build/quorvale with a command, in
// a settings folder of its own, without a display.
#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "records/Csv.h"
#include "records/StoredText.h"
#include "shell/FileSystemObject.h"
#include "shell/Options.h"
#include "spreadsheet/ExternalReaders.h"
#include "spreadsheet/objects/Server.h"
#include "support/Headless.h"
#include "support/TestServices.h"
#include "spreadsheet/ExternalReaders.h"
#include "workbook/InventoryList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace {

// How a run is held back: no file it writes grows past a number of bytes
// (as on a full disk, a write past it fails), and its standard output goes
// to a file.
struct Limits {
    rlim_t fileSize = RLIM_INFINITY;
    QString standardOutput;
    QByteArray standardInput; // through a pipe
};

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Texts that a careless CSV writer or reader gets wrong.
std::vector<InventoryRecord> awkwardRecords()
{
    const std::vector<QStringList> rows{
        {"A-1", "Bolt, hex", "say \"M8\"", "46.99", "1500", "0012", "7", "", "No"},
        {"A-2", "two\r\nlines", "Gr\u00f6\u00dfe \u2013 \u6a19\u6e96", "6.90", "", " padded ", "=SUM(A1)", "1;2", "Yes"},
        {"A-3", "", "", "", "", "", "", "", ""},
    };
    std::vector<InventoryRecord> records;
    for (const QStringList& row : rows) {
        InventoryRecord record;
        for (int n = 0; n < InventoryRecord::FieldCount; ++n)
            record[n] = row.value(n);
        records.push_back(record);
    }
    return records;
}

// What a tool of poppler-utils prints about a PDF.
QString poppler(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("%s did not run: %s", qPrintable(tool), process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Whether Debian's python3 has a module.
bool python3Imports(const QString& module)
{
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import ") + module});
    return probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

std::vector<InventoryRecord> numberedItems(int count)
{
    std::vector<InventoryRecord> items(std::size_t(count), awkwardRecords()[2]);
    for (int i = 0; i < count; ++i) {
        items[std::size_t(i)][0] = QString::number(i + 1);
        items[std::size_t(i)][1] = QStringLiteral("Item %1").arg(i + 1);
    }
    return items;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;

    QString at(const QString& name) const { return dir->filePath(name); }

    Outcome quorvale(const QStringList& arguments, const Limits& limits = {}) const
    {
        QProcess process;
        if (limits.fileSize != RLIM_INFINITY)
            process.setChildProcessModifier([bytes = limits.fileSize] {
                const rlimit limit{bytes, bytes};
                ::signal(SIGXFSZ, SIG_IGN);
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        if (!limits.standardOutput.isEmpty())
            process.setStandardOutputFile(limits.standardOutput);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), at(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), at(QStringLiteral("data")));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir->path());
        process.start(QStringLiteral(QUORVALE_BINARY), arguments);
        process.write(limits.standardInput);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            qFatal("quorvale %s did not finish", qPrintable(arguments.join(QLatin1Char(' '))));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QByteArray storedValue() const
    {
        const QSettings settings(at(QStringLiteral("config/Tallowind.conf")), QSettings::IniFormat);
        return settings.value(QStringLiteral("Quorvale/Inventory List")).toByteArray();
    }

    // The workbook that "Start Creating Template" saves for records.
    QByteArray workbookOfTheWindow(const std::vector<InventoryRecord>& records)
    {
        TestServices services;
        services.scriptedClipboard = true;
        automation::Servers::clear();
        support::registerServers();
        Options::FillWorkbookPalette();
        support::setTemporaryFolder(at(QStringLiteral("temp")));
        QDir().mkpath(at(QStringLiteral("temp")));
        AppWindows windows;
        const InventoryList::Generated made = InventoryList::GenerateReport0(records, windows);
        support::setTemporaryFolder({});
        automation::Servers::clear();
        return bytesOf(made.workbookPath);
    }

private slots:
    void initTestCase() { isolateSettings(); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void generateMakesTheWorkbookOfTheWindowsRun()
    {
        const std::vector<InventoryRecord> records = awkwardRecords();
        write(at(QStringLiteral("items.csv")), records::csvText(records));
        const Outcome done = quorvale({QStringLiteral("generate"), QStringLiteral("stock.xls"), QStringLiteral("--items"),
                                       QStringLiteral("items.csv")});
        QCOMPARE(done.status, 0);
        QCOMPARE(done.err, QString());
        QCOMPARE(bytesOf(at(QStringLiteral("stock.xls"))), workbookOfTheWindow(records));

        // Read back, the workbook is the list it came from, each cell as it
        // shows: the price typed 6.90 is the number 6.9 on the sheet.
        QCOMPARE(quorvale({QStringLiteral("import"), QStringLiteral("stock.xls"), QStringLiteral("--replace")}).status, 0);
        QCOMPARE(quorvale({QStringLiteral("export"), QStringLiteral("back.csv")}).status, 0);
        std::vector<InventoryRecord> shown = records;
        shown[1][InventoryRecord::UnitPrice] = QStringLiteral("6.9");
        QCOMPARE(bytesOf(at(QStringLiteral("back.csv"))), records::csvText(shown));
    }

    // generate writes by OUT's extension: the samples' PDF is one A4
    // landscape page whose text holds the title and the items; 5,000 items
    // print on pages none of them blank, no row cut across two; the picture
    // at 3 is three times the plain one; an extension not known, or a zoom
    // out of range, writes nothing.
    void generateWritesByExtension()
    {
        write(at(QStringLiteral("samples.csv")), records::csvText(awkwardRecords()));
        const QStringList items{QStringLiteral("--items"), QStringLiteral("samples.csv")};
        QCOMPARE(quorvale(QStringList{QStringLiteral("generate"), QStringLiteral("s.pdf")} + items).status, 0);
        const QString info = poppler(QStringLiteral("pdfinfo"), {at(QStringLiteral("s.pdf"))});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +1\n"))), qPrintable(info));
        QVERIFY2(info.contains(QLatin1String("Page size:       842 x 595 pts (A4)")), qPrintable(info)); // landscape
        const QString text = poppler(QStringLiteral("pdftotext"), {at(QStringLiteral("s.pdf")), QStringLiteral("-")});
        for (const char* shown : {"Inventory List", "Bolt, hex", "46.99", "A-3", "Discontinued?"})
            QVERIFY2(text.contains(QLatin1String(shown)), shown);

        write(at(QStringLiteral("many.csv")), records::csvText(numberedItems(5000)));
        QCOMPARE(quorvale({QStringLiteral("generate"), QStringLiteral("many.pdf"), QStringLiteral("--items"),
                           QStringLiteral("many.csv")}).status, 0);
        const int pages = QRegularExpression(QStringLiteral("Pages: +(\\d+)"))
                              .match(poppler(QStringLiteral("pdfinfo"), {at(QStringLiteral("many.pdf"))}))
                              .captured(1)
                              .toInt();
        QVERIFY2(pages > 1, qPrintable(QString::number(pages)));
        int next = 1;
        for (int page = 1; page <= pages; ++page) {
            const QString onPage = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page),
                                                                         QStringLiteral("-l"), QString::number(page),
                                                                         at(QStringLiteral("many.pdf")), QStringLiteral("-")});
            // Each page goes on where the last one ended, whole rows only: a
            // row cut across two pages would show on both.
            const QRegularExpression item(QStringLiteral("Item (\\d+)"));
            int count = 0;
            for (auto match = item.globalMatch(onPage); match.hasNext(); ++count)
                QCOMPARE(match.next().captured(1).toInt(), next++);
            QVERIFY2(count > 0, qPrintable(QStringLiteral("page %1 is blank").arg(page)));
        }
        QCOMPARE(next, 5001);

        QCOMPARE(quorvale(QStringList{QStringLiteral("generate"), QStringLiteral("plain.png")} + items).status, 0);
        QCOMPARE(quorvale(QStringList{QStringLiteral("generate"), QStringLiteral("big.png"), QStringLiteral("--zoom"),
                                      QStringLiteral("3")} + items).status, 0);
        const QImage plain(at(QStringLiteral("plain.png")));
        const QImage big(at(QStringLiteral("big.png")));
        QVERIFY(!plain.isNull());
        QCOMPARE(big.size(), plain.size() * 3);
        // A sheet taller than a picture holds is shown in part, and said so.
        const Outcome part = quorvale({QStringLiteral("generate"), QStringLiteral("many.png"), QStringLiteral("--items"),
                                       QStringLiteral("many.csv")});
        QCOMPARE(part.status, 0);
        QVERIFY2(part.err.contains(QLatin1String("many.png shows the top of the sheet only")), qPrintable(part.err));

        for (const QStringList& refused : {QStringList{QStringLiteral("out.txt")},
                                            QStringList{QStringLiteral("out.png"), QStringLiteral("--zoom"), QStringLiteral("5")},
                                            QStringList{QStringLiteral("out.pdf"), QStringLiteral("--zoom"), QStringLiteral("2")}}) {
            const Outcome outcome = quorvale(QStringList{QStringLiteral("generate")} + refused + items);
            QCOMPARE(outcome.status, 2);
            QVERIFY(!QFileInfo::exists(at(refused.first())));
        }
        QVERIFY(quorvale({QStringLiteral("generate"), QStringLiteral("out.txt")})
                    .err.contains(QLatin1String(".xls (the workbook), .xlsx (the workbook in the Open XML format), .pdf")));
    }

    // generate OUT.xlsx makes the workbook of OUT.xls in the Open XML format,
    // as openpyxl, a reader written elsewhere, reads it: the texts and
    // numbers, fonts, fills (the shaded rows as row formats), borders,
    // widths, heights and page set-up of the sheet.
    void generateMakesAnOpenXmlWorkbook()
    {
        if (!python3Imports(QStringLiteral("openpyxl")))
            SKIP_WITHOUT_READER("python3-openpyxl is not installed");
        std::vector<InventoryRecord> records = numberedItems(4);
        records.push_back(awkwardRecords()[0]);
        write(at(QStringLiteral("items.csv")), records::csvText(records));
        const Outcome done = quorvale({QStringLiteral("generate"), QStringLiteral("stock.xlsx"), QStringLiteral("--items"),
                                       QStringLiteral("items.csv")});
        QCOMPARE(done.status, 0);
        QCOMPARE(done.err, QString());
        QJsonArray items;
        for (const InventoryRecord& record : records)
            items.append(QJsonArray::fromStringList(QStringList(record.fields.begin(), record.fields.end())));
        write(at(QStringLiteral("expected.json")), QJsonDocument(QJsonObject{{QStringLiteral("items"), items}}).toJson());
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUORVALE_SOURCE_DIR "/tests/spreadsheet/xls_check.py"),
                                                         QStringLiteral("xlsx-inventory"), at(QStringLiteral("stock.xlsx")),
                                                         at(QStringLiteral("expected.json"))});
        QVERIFY(check.waitForFinished(60000));
        const QString report = QString::fromUtf8(check.readAll());
        QVERIFY2(check.exitCode() == 0 && report.trimmed() == QLatin1String("OK"), qPrintable(report));
    }

    // A workbook that cannot be made, or not put in place, leaves the one
    // there whole and nothing beside it.
    void generateThatFailsLeavesTheOldWorkbookWhole()
    {
        write(at(QStringLiteral("stock.xls")), "last week's workbook");
        InventoryRecord huge;
        huge[0] = QStringLiteral("1");
        huge[1] = QString(40000, QLatin1Char('x')); // more than a cell holds
        write(at(QStringLiteral("items.csv")), records::csvText(std::vector<InventoryRecord>{huge}));
        const Outcome failed = quorvale({QStringLiteral("generate"), QStringLiteral("stock.xls"), QStringLiteral("--items"),
                                         QStringLiteral("items.csv")});
        QCOMPARE(failed.status, 1);
        QVERIFY2(failed.err.contains(QLatin1String("stock.xls: the workbook was not made")), qPrintable(failed.err));
        QCOMPARE(bytesOf(at(QStringLiteral("stock.xls"))), QByteArray("last week's workbook"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("items.csv"), QStringLiteral("stock.xls")}));
        // An empty file of the user's stays too.
        write(at(QStringLiteral("empty.xls")), {});
        QCOMPARE(quorvale({QStringLiteral("generate"), QStringLiteral("empty.xls"), QStringLiteral("--items"),
                           QStringLiteral("items.csv")}).status, 1);
        QVERIFY(QFileInfo(at(QStringLiteral("empty.xls"))).isFile());

        // A stored list longer than a sheet holds is refused before anything
        // is laid out.
        QString list;
        for (int id = 1; id <= 70000; ++id)
            list += QString::number(id) + QStringLiteral("||SEP1||").repeated(8) + QStringLiteral("||SEP2||");
        QSettings stored(at(QStringLiteral("config/Tallowind.conf")), QSettings::IniFormat);
        stored.setValue(QStringLiteral("Quorvale/Inventory List"), list.toUtf8());
        stored.sync();
        const Outcome tooLong = quorvale({QStringLiteral("generate"), QStringLiteral("stock.xls")});
        QCOMPARE(tooLong.status, 1);
        QVERIFY2(tooLong.err.contains(QLatin1String("The list has 70000 items, more than a sheet holds")),
                 qPrintable(tooLong.err));
        QCOMPARE(bytesOf(at(QStringLiteral("stock.xls"))), QByteArray("last week's workbook"));

        QVERIFY(QDir().mkpath(at(QStringLiteral("folder.xls/inside"))));
        QCOMPARE(quorvale({QStringLiteral("generate"), QStringLiteral("folder.xls")}).status, 1);
        QVERIFY(QFileInfo(at(QStringLiteral("folder.xls/inside"))).isDir());
    }

    // On a full disk, over a FIFO or a read-only file, generate and export
    // fail with the reason, leave the target as it was and nothing beside
    // it; export to a full device fails too.
    void targetsThatCannotTakeTheOutputStayWhole_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::newRow("generate, full disk") << "generate" << "full" << "File too large";
        QTest::newRow("export, full disk") << "export" << "full" << "File too large";
        QTest::newRow("generate over a FIFO") << "generate" << "fifo" << "it is a FIFO";
        QTest::newRow("generate over a read-only file") << "generate" << "read-only" << "it is read-only";
        QTest::newRow("export over a read-only file") << "export" << "read-only" << "it is read-only";
        QTest::newRow("export to a full device") << "export" << "/dev/full" << "No space left on device";
    }
    void targetsThatCannotTakeTheOutputStayWhole()
    {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(QString, reason);
        std::vector<InventoryRecord> many(300, awkwardRecords()[0]);
        for (std::size_t i = 0; i < many.size(); ++i)
            many[i][0] = QString::number(i + 1);
        write(at(QStringLiteral("items.csv")), records::csvText(many));
        QCOMPARE(quorvale({QStringLiteral("import"), QStringLiteral("items.csv")}).status, 0);

        const QString out = at(QStringLiteral("out"));
        const QByteArray old = "last week's output";
        Limits limits;
        if (target == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0644), 0);
        else
            write(out, old);
        if (target == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(out, QFile::ReadOwner));
        if (target == QLatin1String("full"))
            limits.fileSize = 4096;
        if (target == QLatin1String("/dev/full"))
            limits.standardOutput = target;
        const Outcome failed = quorvale({command, limits.standardOutput.isEmpty() ? QStringLiteral("out") : QStringLiteral("-")}, limits);
        QCOMPARE(failed.status, 1);
        QVERIFY2(failed.err.contains(reason), qPrintable(failed.err));
        if (target == QLatin1String("fifo"))
            QVERIFY(QFileInfo(out).isFile() == false && QFileInfo::exists(out));
        else
            QCOMPARE(bytesOf(out), old);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({QStringLiteral("items.csv"), QStringLiteral("out")}));
    }

    // Ten imports at once (cron jobs, scripts) each keep their record; a
    // list kept when the window could not store it is told of and left for
    // the window.
    void importsAtOnceLoseNothing()
    {
        const QString recovered = at(QStringLiteral("data/Tallowind/Quorvale/inventory-list-recovered.txt"));
        QVERIFY(QDir().mkpath(QFileInfo(recovered).absolutePath()));
        write(recovered, "9||SEP1||kept by the window||SEP2||");
        std::vector<std::unique_ptr<QProcess>> imports;
        for (int i = 1; i <= 10; ++i) {
            write(at(QStringLiteral("items%1.csv").arg(i)), QStringLiteral("Inventory ID,Name\n%1,Item %1\n").arg(i).toUtf8());
            imports.push_back(std::make_unique<QProcess>());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), at(QStringLiteral("config")));
            environment.insert(QStringLiteral("XDG_DATA_HOME"), at(QStringLiteral("data")));
            imports.back()->setProcessEnvironment(environment);
            imports.back()->setWorkingDirectory(dir->path());
            imports.back()->start(QStringLiteral(QUORVALE_BINARY),
                                  {QStringLiteral("import"), QStringLiteral("items%1.csv").arg(i)});
        }
        for (const auto& import : imports) {
            QVERIFY(import->waitForFinished(60000));
            QCOMPARE(import->exitCode(), 0);
            QVERIFY(import->readAllStandardError().contains("is waiting in"));
        }
        const std::vector<InventoryRecord> stored = records::recordsOf(QString::fromUtf8(storedValue()));
        QStringList ids;
        for (const InventoryRecord& record : stored)
            ids << record[0];
        ids.sort();
        QCOMPARE(ids, QStringList({"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
        QCOMPARE(bytesOf(recovered), QByteArray("9||SEP1||kept by the window||SEP2||"));
    }

    // A second start of the window brings the open one forward and ends;
    // no second main window opens.
    void aSecondStartOfTheWindowEnds()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), at(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), at(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir->path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(QStringLiteral(QUORVALE_BINARY), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(at(QStringLiteral("config/Tallowind.conf.window.lock"))), 20000);
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(QUORVALE_BINARY), QStringList());
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
    }

    void csvFilesOfOtherWritersImport_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("first");
        const QStringList bolt{"7", "Bolt, hex", "", "0.25", "", "", "", "", "No"};
        QTest::newRow("any order and case, LF") << QByteArray("NAME,inventory id,Discontinued?,unit price\n"
                                                               "\"Bolt, hex\",7,No,0.25\n")
                                                 << bolt;
        QTest::newRow("semicolons, a BOM, CRLF")
            << QByteArray("\xEF\xBB\xBFInventory ID;Name;Unit Price;Discontinued?\r\n7;Bolt, hex;0.25;No\r\n") << bolt;
        QTest::newRow("a quoted line break and quote")
            << QByteArray("Inventory ID,Name\r\n8,\"Nut \"\"M8\"\"\r\nzinc\"\r\n")
            << QStringList{"8", "Nut \"M8\"\r\nzinc", "", "", "", "", "", "", ""};
    }
    void csvFilesOfOtherWritersImport()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, first);
        write(at(QStringLiteral("items.csv")), csv);
        const Outcome done = quorvale({QStringLiteral("import"), QStringLiteral("items.csv")});
        QVERIFY2(done.status == 0, qPrintable(done.err));
        const records::ReadTable back = records::readCsv(quorvale({QStringLiteral("export"), QStringLiteral("-")}).out.toUtf8());
        QCOMPARE(back.records.size(), std::size_t(1));
        QCOMPARE(QStringList(back.records[0].fields.begin(), back.records[0].fields.end()), first);
    }

    // "-" reads standard input, a workbook as well as a CSV; the short
    // options work as the long ones.
    void standardInputAndShortOptions()
    {
        Limits piped;
        piped.standardInput = "Inventory ID,Name\n7,Bolt\n8,Nut\n";
        const Outcome done = quorvale({QStringLiteral("import"), QStringLiteral("-")}, piped);
        QVERIFY2(done.status == 0, qPrintable(done.err));
        QCOMPARE(done.out, QStringLiteral("2 items imported; the list holds 2 items.\n"));
        QCOMPARE(quorvale({QStringLiteral("generate"), QStringLiteral("stock.xls")}).status, 0);
        piped.standardInput = bytesOf(at(QStringLiteral("stock.xls")));
        const Outcome again = quorvale({QStringLiteral("import"), QStringLiteral("-")}, piped);
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.startsWith(QLatin1String("quorvale: standard input:3: Inventory ID: the inventory ID 7 is in "
                                                    "the list already\n")),
                 qPrintable(again.err));
        // A pipe named (a shell's <(…)) is read as standard input is.
        QCOMPARE(::mkfifo(QFile::encodeName(at(QStringLiteral("pipe"))).constData(), 0600), 0);
        QProcess feeder; // the shell opens the pipe, and waits there for its reader
        feeder.setWorkingDirectory(dir->path());
        feeder.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cat stock.xls > pipe")});
        const Outcome fromPipe = quorvale({QStringLiteral("generate"), QStringLiteral("piped.xls"), QStringLiteral("--items"),
                                           QStringLiteral("pipe")});
        QVERIFY(feeder.waitForFinished(60000));
        QVERIFY2(fromPipe.status == 0, qPrintable(fromPipe.err));
        QCOMPARE(bytesOf(at(QStringLiteral("piped.xls"))), piped.standardInput);
        QCOMPARE(quorvale({QStringLiteral("generate"), QStringLiteral("copy.xls"), QStringLiteral("--items"),
                           QStringLiteral("-")}, piped).status, 0);
        QCOMPARE(bytesOf(at(QStringLiteral("copy.xls"))), piped.standardInput);

        const Outcome help = quorvale({QStringLiteral("-h")});
        QCOMPARE(help.status, 0);
        QCOMPARE(help.out, quorvale({QStringLiteral("--help")}).out);
        QVERIFY(help.out.startsWith(QLatin1String("Usage: quorvale")));
        // Without a display the window says so in one line, and points to
        // the command line.
        const Outcome windowless = quorvale({});
        QCOMPARE(windowless.status, 1);
        QVERIFY2(windowless.err.startsWith(QLatin1String("quorvale: the window needs a display"))
                     && windowless.err.count(QLatin1Char('\n')) == 1 && windowless.err.contains(QLatin1String("quorvale --help")),
                 qPrintable(windowless.err));
        const Outcome version = quorvale({QStringLiteral("-V")});
        QCOMPARE(version.out, quorvale({QStringLiteral("--version")}).out);
        QVERIFY2(QRegularExpression(QStringLiteral("^quorvale \\d+(\\.\\d+)+\n$")).match(version.out).hasMatch(),
                 qPrintable(version.out));
    }

    // A spreadsheet program's CSV of the program's own workbook (Gnumeric's
    // here) has the sheet's title above the captions: it imports from the
    // captions, as the workbook itself does.
    void csvOfTheWorkbookImports()
    {
        write(at(QStringLiteral("sheet.csv")),
              "\"Inventory List\",,,,,,,,\n"
              "\"Inventory ID\",Name,Description,\"Unit Price\",\"Quantity in Stock\",\"Reorder Level\","
              "\"Reorder Time in Days\",\"Quantity in Reorder\",Discontinued?\n"
              "1,Bolt,,0.25,,,,,\n2,\"Nut, M8\",,1.5,,,,,No\n");
        const Outcome done = quorvale({QStringLiteral("import"), QStringLiteral("sheet.csv")});
        QVERIFY2(done.status == 0, qPrintable(done.err));
        QCOMPARE(quorvale({QStringLiteral("export"), QStringLiteral("-")}).out,
                 QStringLiteral("Inventory ID,Name,Description,Unit Price,Quantity in Stock,Reorder Level,"
                                "Reorder Time in Days,Quantity in Reorder,Discontinued?\r\n"
                                "1,Bolt,,0.25,,,,,\r\n2,\"Nut, M8\",,1.5,,,,,No\r\n"));
        // A value in a column without a caption is named, not dropped.
        write(at(QStringLiteral("note.csv")), "Inventory ID,Name,\n3,Pin,\n4,Clip,check this\n");
        const Outcome noted = quorvale({QStringLiteral("import"), QStringLiteral("note.csv")});
        QCOMPARE(noted.status, 1);
        QVERIFY2(noted.err.startsWith(QLatin1String("quorvale: note.csv:3: field 3 holds \"check this\" in a column "
                                                    "without a caption\n")),
                 qPrintable(noted.err));
    }

    // Workbooks that other programs wrote import as their users see the
    // cells: xlwt's .xls (a hidden sheet before the one shown, captions in
    // another order and some left out), and LibreOffice's .xlsx and .ods of
    // it, one of them named as it is not. xlwt saves formulas without
    // their results: such a workbook is refused, naming the first one.
    void workbooksOfOtherWritersImport_data()
    {
        QTest::addColumn<QString>("made");       // values or formulas
        QTest::addColumn<QString>("convertTo");  // LibreOffice's format, or none
        QTest::addColumn<QString>("name");       // the file imported
        QTest::addColumn<QString>("outcome");    // the list exported, or the reason
        const QString imported = QStringLiteral(
            "Inventory ID,Name,Description,Unit Price,Quantity in Stock,Reorder Level,Reorder Time in Days,"
            "Quantity in Reorder,Discontinued?\r\n"
            "1234567890123460000,Bolt,2021-08-31,46.99,,#DIV/0!,,,TRUE\r\n"
            "8,Nut,2021-08-31T13:45:00,0.3,,0.333333333333333,,,FALSE\r\n");
        QTest::newRow("xlwt .xls") << "values" << "" << "made.xls" << imported;
        QTest::newRow("xlwt .xls, formulas without results")
            << "formulas" << "" << "made.xls"
            << "made.xls: C4 holds a formula whose result was not saved; open and save the file in a spreadsheet "
               "program first";
        QTest::newRow("LibreOffice .xlsx") << "formulas" << "xlsx" << "made.xlsx" << imported;
        QTest::newRow("LibreOffice .ods, named .csv") << "formulas" << "ods" << "made.csv" << imported;
    }
    void workbooksOfOtherWritersImport()
    {
        QFETCH(QString, made);
        QFETCH(QString, convertTo);
        QFETCH(QString, name);
        QFETCH(QString, outcome);
        QProcess xlwt;
        const QStringList hidden = convertTo.isEmpty() ? QStringList{QStringLiteral("hidden")} : QStringList{};
        xlwt.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(QUORVALE_SOURCE_DIR "/tests/app/other_writers.py"), at(QStringLiteral("made.xls")), made}
                       + hidden);
        QVERIFY(xlwt.waitForFinished(60000));
        if (xlwt.exitCode() != 0)
            SKIP_WITHOUT_READER("python3-xlwt is not installed");
        if (!convertTo.isEmpty()) {
            const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
            if (soffice.isEmpty())
                SKIP_WITHOUT_READER("LibreOffice is not installed");
            QProcess convert;
            convert.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + at(QStringLiteral("profile")),
                                    QStringLiteral("--headless"), QStringLiteral("--convert-to"), convertTo,
                                    QStringLiteral("--outdir"), dir->path(), at(QStringLiteral("made.xls"))});
            QVERIFY(convert.waitForFinished(120000));
            QVERIFY(QFile::rename(at(QStringLiteral("made.") + convertTo), at(name)) || name.endsWith(convertTo));
        }
        const Outcome done = quorvale({QStringLiteral("import"), name});
        if (outcome.endsWith(QLatin1String("\r\n"))) {
            QVERIFY2(done.status == 0, qPrintable(done.err));
            QCOMPARE(quorvale({QStringLiteral("export"), QStringLiteral("-")}).out, outcome);
        } else {
            QCOMPARE(done.status, 1);
            QCOMPARE(done.err, QStringLiteral("quorvale: ") + outcome + QLatin1Char('\n'));
        }
    }

    // However large a CSV, it is refused at its first item too many, without
    // reading the rest (its time and memory are measured by the benchmark).
    void aMillionItemsAreRefused()
    {
        {
            QFile csv(at(QStringLiteral("million.csv")));
            QVERIFY(csv.open(QIODevice::WriteOnly));
            QByteArray lines = "Inventory ID,Name\n";
            for (int i = 1; i <= 1000000; ++i)
                lines += QByteArray::number(i) + ",Item\n";
            QCOMPARE(csv.write(lines), lines.size());
        }
        const Outcome refused = quorvale({QStringLiteral("import"), QStringLiteral("million.csv")});
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err,
                 QStringLiteral("quorvale: million.csv: the file holds more items than the 32767 the list can hold\n"));
        QVERIFY(storedValue().isEmpty());
    }

    // Export and import leave the stored list as it was, byte for byte.
    void exportAndImportKeepTheStoredList()
    {
        write(at(QStringLiteral("items.csv")), records::csvText(awkwardRecords()));
        QCOMPARE(quorvale({QStringLiteral("import"), QStringLiteral("items.csv")}).status, 0);
        const QByteArray stored = storedValue();
        QVERIFY(stored.contains("two\r\nlines"));
        QCOMPARE(quorvale({QStringLiteral("export"), QStringLiteral("list.csv")}).status, 0);
        QCOMPARE(quorvale({QStringLiteral("import"), QStringLiteral("list.csv"), QStringLiteral("--replace")}).status, 0);
        QCOMPARE(storedValue(), stored);
    }

    // One bad line and nothing is stored; every bad line is named in one
    // pass, whatever is wrong with it.
    void anImportWithBadLinesStoresNothing()
    {
        write(at(QStringLiteral("items.csv")), "Inventory ID,Name\r\n1,Bolt\r\n");
        const Outcome one = quorvale({QStringLiteral("import"), QStringLiteral("items.csv")});
        QCOMPARE(one.out, QStringLiteral("1 item imported; the list holds 1 item.\n"));
        const QByteArray stored = storedValue();
        write(at(QStringLiteral("more.csv")), "Inventory ID,Name\r\n2,Nut\r\n1,Bolt again\r\n  ,blank\r\n3,Sc||SEP2||rew\r\n"
                                             "4,\"Washer\"s\r\n5,Pin,extra\r\n2,Nut again\r\n6," + QByteArray(32768, 'x') + "\r\n");
        const Outcome refused = quorvale({QStringLiteral("import"), QStringLiteral("more.csv")});
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err, QStringLiteral(
            "quorvale: more.csv:3: Inventory ID: the inventory ID 1 is in the list already\n"
            "quorvale: more.csv:4: Inventory ID: the inventory ID is empty\n"
            "quorvale: more.csv:5: Name: the field holds \"||SEP2||\", which separates the stored items\n"
            "quorvale: more.csv:6: a quoted field goes on after its closing quote\n"
            "quorvale: more.csv:7: the line has 3 fields and the header 2\n"
            "quorvale: more.csv:8: Inventory ID: the inventory ID 2 is on line 2 already\n"
            "quorvale: more.csv:9: Name: the field has 32768 characters, more than the 32767 a cell holds\n"
            "quorvale: nothing was imported; the stored list is as it was\n"));
        QCOMPARE(storedValue(), stored);

        write(at(QStringLiteral("odd.csv")), "Inventory ID,Colour\r\n4,red\r\n");
        const Outcome unknown = quorvale({QStringLiteral("import"), QStringLiteral("odd.csv")});
        QCOMPARE(unknown.status, 1);
        QVERIFY2(unknown.err.contains(QLatin1String("odd.csv:1: Colour: the header names a column")), qPrintable(unknown.err));
        QCOMPARE(quorvale({QStringLiteral("import")}).status, 2);
        QCOMPARE(quorvale({QStringLiteral("frobnicate")}).status, 2);
        QCOMPARE(storedValue(), stored);
    }
};

QTEST_MAIN(CommandLineTest)
#include "commandline_test.moc"
