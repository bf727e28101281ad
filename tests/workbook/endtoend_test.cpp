// "Start Creating Template" with the built-in spreadsheet application: the
// temporary workbook, read back by xlrd, holds the inventory layout; the
// bitmap is gone; the preview holds the picture and the path; the main
// window is hidden.
#include "Support.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "preview/Form2.h"
#include "records/SampleData.h"
#include "shell/FileSystemObject.h"
#include "spreadsheet/objects/Server.h"
#include "support/TestServices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

std::vector<QStringList> sampleItems()
{
    std::vector<QStringList> rows;
    for (const InventoryRecord& record : records::sampleRecords())
        rows.emplace_back(record.fields.begin(), record.fields.end());
    return rows;
}

// Items that differ in every field, with texts that stay text, texts that
// become numbers and characters outside Latin-1.
std::vector<QStringList> manyItems(int count)
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        rows.push_back({QStringLiteral("INV-%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Item %1").arg(i),
                        i % 7 == 0 ? QStringLiteral("Gr\u00f6\u00dfe \u2013 \u6a19\u6e96") : QString(),
                        QStringLiteral("%1.99").arg(i % 100), n, QStringLiteral("00%1").arg(i % 10),
                        QString::number(i % 30), QStringLiteral("=A%1").arg(i), i % 2 ? QStringLiteral("No") : QStringLiteral("Yes")});
    }
    return rows;
}

QByteArray itemsJson(const std::vector<QStringList>& rows)
{
    QJsonArray items;
    for (const QStringList& row : rows)
        items.append(QJsonArray::fromStringList(row));
    return QJsonDocument(items).toJson(QJsonDocument::Compact);
}

bool xlrdAvailable()
{
    QProcess python;
    python.start(kPython, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
    return python.waitForFinished(-1) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    std::unique_ptr<QTemporaryDir> temp;

    // Checks the workbook with xlrd; the script prints every difference.
    void checkWithXlrd(const QString& workbook, const std::vector<QStringList>& rows)
    {
        if (!xlrdAvailable())
            QSKIP("xlrd for /usr/bin/python3 is not installed");
        const QString itemsPath = QDir(temp->path()).filePath(QStringLiteral("items.json"));
        QFile items(itemsPath);
        QVERIFY(items.open(QIODevice::WriteOnly));
        items.write(itemsJson(rows));
        items.close();

        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(kPython, {QStringLiteral(QUORVALE_SOURCE_DIR "/tests/workbook/check_inventory.py"), workbook, itemsPath});
        QVERIFY(check.waitForFinished(-1));
        const QByteArray output = check.readAll();
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, output.constData());
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        automation::Servers::clear();
        ss::registerExcelApplication();
        shell::registerFileSystemObject();
        temp = std::make_unique<QTemporaryDir>();
        qputenv("TEMP", QDir::toNativeSeparators(temp->path()).toLocal8Bit());
        services = std::make_unique<TestServices>();
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        form->Form_Load();
        form->show();
    }

    void cleanup()
    {
        windows.reset();
        form = nullptr;
        services.reset();
        automation::Servers::clear();
        qunsetenv("TEMP");
    }

    void aRunBuildsTheInventoryWorkbookAndOpensThePreview_data()
    {
        QTest::addColumn<int>("list"); // 0: empty, 1: the samples, n: n items
        QTest::newRow("empty list") << 0;
        QTest::newRow("three sample items") << 1;
        QTest::newRow("1,000 items") << 1000;
    }
    void aRunBuildsTheInventoryWorkbookAndOpensThePreview()
    {
        QFETCH(int, list);
        const std::vector<QStringList> rows = list == 1 ? sampleItems() : manyItems(list);
        support::fillItems(form->items(), rows);
        QVERIFY(services->errorReports().empty()); // the start-up found the application

        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);

        QCOMPARE(services->texts(), QStringList());
        Form2& preview = windows->preview();
        const QFileInfo workbook(preview.mExcelFile);
        QCOMPARE(QDir::toNativeSeparators(workbook.absolutePath()), QDir::toNativeSeparators(temp->path()));
        QVERIFY(QRegularExpression(QStringLiteral("^kintra[1-9]{8}\\.xls$")).match(workbook.fileName()).hasMatch());
        QVERIFY(workbook.size() > 0);
        QVERIFY(!QFileInfo::exists(QDir(temp->path()).filePath(QStringLiteral("temp.bmp"))));
        QVERIFY(!preview.Picture1->picture().isNull());
        QVERIFY(preview.isVisible());
        QVERIFY(!form->isVisible());
        QCOMPARE(form->mousePointer(), MousePointer::Default);
        QCOMPARE(shell::lockedWindow(), nullptr);

        checkWithXlrd(workbook.filePath(), rows);
    }

    void everyInstanceOfTheRunHasQuit()
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);
        QVERIFY(services->errorReports().empty());
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, automation::Servers::getObject(QStringLiteral("Excel.Application")));
    }
};

QTEST_MAIN(EndToEndTest)
#include "endtoend_test.moc"
