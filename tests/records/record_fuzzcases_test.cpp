// The stored form of the list on texts that once came back changed after a
// store and a restore (found by fuzz/restore_fuzz; the kept stored values
// are in tests/data/fuzz/restore). A field that ends or begins with a part
// of a separator makes a separator together with the one beside it in the
// stored form, and its record came back split at the next start. Such a
// field is refused before it is stored; every other field comes back as it
// was, wherever it stands in its record.

#include "records/ListItems.h"
#include "records/RecordStore.h"
#include "shell/Trace.h"
#include "support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

// The records the start-up restore makes of the stored value.
std::vector<InventoryRecord> restored()
{
    ListItems items;
    shell::Trace t{"Form1", "Form_Load"};
    records::restoreList(t, items);
    return items.records();
}

std::vector<InventoryRecord> storedAndRestored(const std::vector<InventoryRecord>& list)
{
    QString text;
    for (const InventoryRecord& record : list)
        records::appendStoredRecord(text, record);
    records::writeStoredList(text);
    return restored();
}

bool storable(const InventoryRecord& record)
{
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const QString& field) { return records::separatorIn(field).isEmpty(); });
}

// Three records, the middle one with text in field n, between neighbours
// that have every field filled.
std::vector<InventoryRecord> listWith(const QString& text, int n)
{
    InventoryRecord filled;
    for (int f = 0; f < InventoryRecord::FieldCount; ++f)
        filled[f] = QStringLiteral("f%1").arg(f);
    InventoryRecord middle = filled;
    middle[n] = text;
    return {filled, middle, filled};
}

} // namespace

class RecordFuzzCasesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestServices> m_services;

private slots:
    void initTestCase() { isolateSettings(); }
    void init() { m_services = std::make_unique<TestServices>(); }
    void cleanup() { m_services.reset(); }

    void fieldsMakingASeparatorAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::newRow("ends with ||SEP1") << "Size||SEP1" << "||SEP1||";
        QTest::newRow("ends with ||SEP1|") << "Size||SEP1|" << "||SEP1||";
        QTest::newRow("ends with ||SEP2") << "Size||SEP2" << "||SEP2||";
        QTest::newRow("ends with ||SEP2|") << "Size||SEP2|" << "||SEP2||";
        QTest::newRow("begins with SEP2||") << "SEP2||Size" << "||SEP2||";
        QTest::newRow("begins with |SEP2||") << "|SEP2||Size" << "||SEP2||";
        QTest::newRow("SEP2") << "SEP2" << "||SEP2||";
        QTest::newRow("|SEP2|") << "|SEP2|" << "||SEP2||";
    }

    // Each of these, stored in some field, comes back otherwise: the store
    // must refuse it.
    void fieldsMakingASeparatorAreRefused()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QCOMPARE(records::separatorIn(text), separator);
        bool changed = false;
        for (int n = 1; n < InventoryRecord::FieldCount - 1; ++n)
            changed |= storedAndRestored(listWith(text, n)) != listWith(text, n);
        QVERIFY(changed);
    }

    void otherFieldsComeBackAsTheyWere_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text : {"", "|", "||", "|||", "x|", "|x", "||SEP", "||SEP|", "SEP1", "SEP1||x", "|SEP1||x",
                                 "x||SEP", "SEP||", "||SEP3||", "||sep1||", "Grüße ||SEP 😀"})
            QTest::newRow(text) << QString::fromUtf8(text);
    }

    void otherFieldsComeBackAsTheyWere()
    {
        QFETCH(QString, text);
        QCOMPARE(records::separatorIn(text), QString());
        for (int n = 0; n < InventoryRecord::FieldCount; ++n)
            QVERIFY2(storedAndRestored(listWith(text, n)) == listWith(text, n), qPrintable(QString::number(n)));
        QVERIFY(m_services->errorReports().empty());
    }

    // The kept values restore to records; the records the store accepts
    // come back unchanged after a store and a restore.
    void keptValuesRestoreAndStoreAgain()
    {
        const QDir dir(QStringLiteral(QUORVALE_TEST_DATA "/fuzz/restore"));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            records::writeStoredList(QString::fromUtf8(bytes));
            const std::vector<InventoryRecord> first = restored();
            QVERIFY2(!first.empty(), qPrintable(name));
            std::vector<InventoryRecord> kept;
            std::copy_if(first.begin(), first.end(), std::back_inserter(kept), storable);
            QVERIFY2(kept.size() < first.size(), qPrintable(name + ": no record the store refuses"));
            m_services->clear();
            QVERIFY2(storedAndRestored(kept) == kept, qPrintable(name));
            QVERIFY(m_services->errorReports().empty());
        }
    }
};

QTEST_MAIN(RecordFuzzCasesTest)
#include "record_fuzzcases_test.moc"
