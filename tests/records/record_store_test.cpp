#include "support/Form1Driver.h"

#include "core/Error.h"
#include "records/ListItems.h"
#include "records/RecordStore.h"
#include "support/TestServices.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSignalSpy>

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

    // Two short records and 98 of an ID alone: every record is loaded, the
    // missing fields stay empty, and one report tells of them all.
    void missingFieldsAreReportedOnce()
    {
        QString value = QStringLiteral("7") + R + QStringLiteral("8") + F + QStringLiteral("Nut") + R;
        for (int i = 0; i < 98; ++i)
            value += QString::number(100 + i) + R;
        setStoredValue(value);
        MainWindow w;
        const QList<QStringList> rows = loadedRows(w);
        QCOMPARE(rows.size(), 100);
        QCOMPARE(rows.mid(0, 2), QList<QStringList>({{"7", "", "", "", "", "", "", "", ""},
                                                     {"8", "Nut", "", "", "", "", "", "", ""}}));
        QCOMPARE(rows.last(), QStringList({"197", "", "", "", "", "", "", "", ""}));
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QVERIFY2(reports[0].text.startsWith(QStringLiteral("Stored record 1 has no Name field. In all, 100 stored "
                                                           "records lack 799 fields.")),
                 qPrintable(reports[0].text));
        QVERIFY(reports[0].text.contains(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.Form_Load at line 184\r")));
    }

    // A field longer than a cell of the sheet holds, as a stored list may
    // have it, loads whole into its box, and so does a long paste; "Save
    // Record" refuses them by name and length and changes nothing, so the
    // stored field comes back whole.
    void aFieldLongerThanACellIsNeverCut()
    {
        const QStringList stored{"1", "Bolt", QString(100000, QLatin1Char('d')), "", "", "", "", "", "No"};
        setStoredValue(joined(stored));
        MainWindow w;
        QCOMPARE(loadedRows(w), QList<QStringList>{stored});
        w.clickRow(1);
        QCOMPARE(w.boxTexts(), stored);
        w.click("PushButton4");
        QGuiApplication::clipboard()->setText(QString(40000, QLatin1Char('n')));
        w.box(InventoryRecord::InventoryName)->clear();
        w.box(InventoryRecord::InventoryName)->paste();
        QCOMPARE(w.box(InventoryRecord::InventoryName)->text().size(), 40000);
        w.click("PushButton4");

        QCOMPARE(m_services->texts().size(), 2);
        QVERIFY2(m_services->texts()[0].startsWith(QStringLiteral("Description is 100000 characters long, and a cell "
                                                                  "of the sheet holds at most 32767.")),
                 qPrintable(m_services->texts()[0]));
        QVERIFY(m_services->texts()[1].startsWith(QStringLiteral("Name is 40000 characters long")));
        QCOMPARE(w.row(1), stored);
        w.form->close();
        QCOMPARE(storedValue(), joined(stored));
    }

    // The restore adds its items in one batch: the views hear of them once,
    // when the batch ends, after the items that were there.
    void itemsAddedInOneBatchReachTheViewsOnce()
    {
        ListItems items;
        items.Add(QStringLiteral("first"));
        QSignalSpy inserted(&items, &QAbstractItemModel::rowsInserted);
        {
            ListItems::Batch batch(items);
            QCOMPARE(batch.Add(QStringLiteral("second")), 2);
            QCOMPARE(batch.Add(QStringLiteral("third")), 3);
            batch.setSubItem(2, 8, QStringLiteral("No"));
            batch.setSubItem(3, 1, QStringLiteral("Nut"));
            // Only the batch's own items, and only their sub-items 1 to 8.
            QVERIFY_THROWS_EXCEPTION(quorvale::Error, batch.setSubItem(1, 1, QStringLiteral("x")));
            QVERIFY_THROWS_EXCEPTION(quorvale::Error, batch.setSubItem(4, 1, QStringLiteral("x")));
            QVERIFY_THROWS_EXCEPTION(quorvale::Error, batch.setSubItem(3, 9, QStringLiteral("x")));
            QCOMPARE(items.Count(), 1);
            QCOMPARE(inserted.count(), 0);
        }
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted[0][1].toInt(), 1);
        QCOMPARE(inserted[0][2].toInt(), 2);
        QCOMPARE(items.Count(), 3);
        QCOMPARE(items.Text(1), QStringLiteral("first"));
        QCOMPARE(items.Text(2), QStringLiteral("second"));
        QCOMPARE(items.SubItem(2, 8), QStringLiteral("No"));
        QCOMPARE(items.SubItem(2, 1), QString());
        QCOMPARE(items.Text(3), QStringLiteral("third"));
        QCOMPARE(items.SubItem(3, 1), QStringLiteral("Nut"));
    }

    // A change is stored a moment after it is made, without a close. What
    // another program stores meanwhile (an import, a change) comes into the
    // window's list, and the store of the close keeps it all.
    void changesAreStoredAsTheyComeAndOtherStoresAreTakenIn()
    {
        const QString kept = joined({"1", "kept", "", "", "", "", "", "", ""});
        const QString typed = joined({"2", "typed", "", "", "", "", "", "", ""});
        setStoredValue(kept);
        MainWindow w;
        w.start();
        w.addItem({"2", "typed"});
        QTRY_COMPARE(storedValue(), kept + typed);

        const QString changed = joined({"1", "changed elsewhere", "", "", "", "", "", "", ""});
        const QString imported = joined({"3", "imported", "", "", "", "", "", "", ""});
        {
            const records::StoreLock lock;
            records::writeStoredList(changed + typed + imported);
        }
        QTRY_COMPARE(w.ids(), QStringList({"2", "1", "3"}));
        QCOMPARE(w.row(2), QStringList({"1", "changed elsewhere", "", "", "", "", "", "", ""}));
        w.addItem({"4", "typed last"});
        w.form->close();
        QCOMPARE(storedValue(), typed + changed + imported + joined({"4", "typed last", "", "", "", "", "", "", ""}));
        QVERIFY(m_services->errorReports().empty());
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
