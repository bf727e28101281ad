#include "app/Form1Driver.h"

#include "records/RecordStore.h"
#include "support/TestServices.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString F = QStringLiteral("||SEP1||");
const QString R = QStringLiteral("||SEP2||");

QString joined(const QStringList& fields) { return fields.join(F) + R; }

// Starts a window on the stored value and gives back its rows.
QList<QStringList> loadedRows(MainWindow& w)
{
    w.start();
    QList<QStringList> rows;
    for (int position = 1; position <= w.form->items().Count(); ++position)
        rows << w.row(position);
    return rows;
}

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

// The stored form of the record list: written when the main window closes,
// read back when it loads.
class RecordStoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        isolateSettings();
        registerIdleSpreadsheet();
    }
    void init()
    {
        clearStoredSettings();
        m_services = std::make_unique<TestServices>();
    }
    void cleanup() { m_services.reset(); }

    void oneRecordIsStoredInTheSeparatorFormat()
    {
        MainWindow w;
        w.start();
        w.addItem({"7", "Bolt"});
        w.form->close();
        const QString expected = QStringLiteral("7") + F + QStringLiteral("Bolt") + F.repeated(7) + R;
        QCOMPARE(storedValue(), expected);
        QCOMPARE(storedValue().count(F), 8);
        QVERIFY(storedValue().endsWith(R));
    }

    void recordsSurviveACloseAndARestartUnchanged()
    {
        const QList<QStringList> rows{
            {"1", "Hammer", "", "46.99", "", "", "", "", "Yes"},
            {" 2 ", "  leading and trailing  ", "Grüße, 日本語 😀", "\"quoted\"", "back\\slash", "a=b;c",
             "@at start", "#hash", "[group]"},
            {"", "no ID", "", "", "", "", "", "", ""},
            {"1", "duplicate ID", "", "", "", "", "", "", "end"},
        };
        {
            MainWindow w;
            w.start();
            for (const QStringList& row : rows)
                w.addItem(row);
            w.form->close();
        }
        MainWindow next;
        QCOMPARE(loadedRows(next), rows);
        QVERIFY(m_services->errorReports().empty());
        QVERIFY(next.form->SelectedInventoryID.isEmpty());
        QCOMPARE(next.boxTexts(), QStringList(9, QString()));
    }

    void looseStoredFormsStillLoad()
    {
        const QStringList a{"a", "1", "2", "3", "4", "5", "6", "7", "8"};
        const QStringList b{"b", "", "", "", "", "", "", "", "last"};
        // No final separator, an empty piece, a record of eleven fields.
        setStoredValue(joined(a) + R + b.join(F) + F + QStringLiteral("extra") + F + QStringLiteral("more") + R
                       + R + QStringLiteral("c") + F + QStringLiteral("x") + F.repeated(7));
        MainWindow w;
        QCOMPARE(loadedRows(w), QList<QStringList>({a, b, {"c", "x", "", "", "", "", "", "", ""}}));
        QVERIFY(m_services->errorReports().empty());
    }

    void missingFieldsAreReportedOneByOne()
    {
        setStoredValue(QStringLiteral("7") + R + QStringLiteral("8") + F + QStringLiteral("Nut") + R);
        MainWindow w;
        QCOMPARE(loadedRows(w), QList<QStringList>({{"7", "", "", "", "", "", "", "", ""},
                                                     {"8", "Nut", "", "", "", "", "", "", ""}}));
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(8 + 7));
        for (int n = 0; n < 8; ++n)
            QVERIFY2(reports[std::size_t(n)].text.contains(
                         QStringLiteral("\r\nin Quorvale2021/08/31.Form1.Form_Load at line %1\r").arg(184 + 2 * n)),
                     qPrintable(reports[std::size_t(n)].text));
        QVERIFY(reports[0].text.startsWith(QStringLiteral("Stored record 1 has no Name field.\r\n")));
        QVERIFY(reports[8].text.startsWith(QStringLiteral("Stored record 2 has no Description field.\r\n")));
        QVERIFY(reports[8].text.contains(QStringLiteral("at line 186\r")));
    }

    void changesOfARunThatDoesNotCloseTheWindowAreNotStored()
    {
        setStoredValue(joined({"1", "kept", "", "", "", "", "", "", ""}));
        {
            MainWindow w;
            w.start();
            w.addItem({"2", "lost"});
        }
        MainWindow next;
        QCOMPARE(loadedRows(next), QList<QStringList>({{"1", "kept", "", "", "", "", "", "", ""}}));
    }

    void storeReplacesTheSettingsFileWhole()
    {
        setStoredValue(QStringLiteral("old"));
        const QString file = userSettings().fileName();
        const ino_t before = inodeOf(file);
        QVERIFY(before != 0);
        records::writeStoredList(joined({"1", "new"}));
        QCOMPARE(storedValue(), joined({"1", "new"}));
        // Written beside it and renamed over it: a new file, never the old
        // one cut short.
        QVERIFY(inodeOf(file) != before);
        const QStringList leftovers =
            QFileInfo(file).dir().entryList({QFileInfo(file).fileName() + QStringLiteral(".*")}, QDir::Files);
        QVERIFY2(leftovers.isEmpty() || leftovers == QStringList({QFileInfo(file).fileName() + ".lock"}),
                 qPrintable(leftovers.join(' ')));
    }

private:
    std::unique_ptr<TestServices> m_services;
};

QTEST_MAIN(RecordStoreTest)
#include "record_store_test.moc"
