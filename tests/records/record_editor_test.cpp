#include "support/Form1Driver.h"

#include "records/Csv.h"
#include "records/InventoryIds.h"
#include "records/ListHistory.h"
#include "records/StoredText.h"
#include "support/TestServices.h"

#include <QAccessible>
#include <QApplication>
#include <QTemporaryDir>

namespace {

const QString kForgotId = QStringLiteral("You forgot to input Inventory ID.");
const QString kIdExists = QStringLiteral("Inventory ID already exists.\r\nYou must select different inventory ID");

QStringList record(const QString& id, const QString& name = {})
{
    QStringList fields(9);
    fields[0] = id;
    fields[1] = name;
    return fields;
}

QStringList full(const QString& id, const QString& name)
{
    return {id, name, "desc " + name, "1.50", "10", "2", "3 days", "20", "No"};
}

QStringList storedIds()
{
    QStringList ids;
    for (const InventoryRecord& r : records::recordsOf(storedValue()))
        ids << r[InventoryRecord::InventoryID];
    return ids;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

// The record editor of the main window: IDs, new records, editing, deleting
// and the example items, driven through the window's controls.
class RecordEditorTest : public QObject {
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
        m_window = std::make_unique<MainWindow>();
        m_window->start();
    }
    void cleanup()
    {
        m_window.reset();
        m_services.reset();
        QLocale::setDefault(QLocale::c());
    }

    void blankIdIsRefused()
    {
        MainWindow& w = *m_window;
        w.fillBoxes({"   ", "Hammer"});
        w.click("PushButton4");
        QCOMPARE(m_services->texts(), QStringList({kForgotId}));
        QCOMPARE(m_services->messages.front().title, QStringLiteral("Quorvale"));
        QCOMPARE(w.form->items().Count(), 0);
        QCOMPARE(w.boxTexts(), QStringList({"   ", "Hammer", "", "", "", "", "", "", ""}));
    }

    void duplicateIdIsRefusedButCaseAndBlanksMakeNewIds()
    {
        MainWindow& w = *m_window;
        w.addItem(record("12", "first"));
        w.addItem(record("ABC", "letters"));
        w.fillBoxes(record("12", "second"));
        w.click("PushButton4");
        QCOMPARE(m_services->texts(), QStringList({kIdExists}));
        QCOMPARE(w.ids(), QStringList({"12", "ABC"}));
        QCOMPARE(w.box(InventoryRecord::InventoryName)->text(), QStringLiteral("second"));

        for (const QString id : {" 12", "12 ", "abc"}) {
            w.fillBoxes(record(id, "more"));
            w.click("PushButton4");
        }
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QCOMPARE(w.ids(), QStringList({"12", "ABC", " 12", "12 ", "abc"}));
    }

    void savedNewRecordGoesLastAndANewOneIsPrepared()
    {
        MainWindow& w = *m_window;
        w.addItem(record("5"));
        const QStringList fields = full("9", "Hammer");
        w.fillBoxes(fields);
        w.click("PushButton4");
        QVERIFY(m_services->messages.empty());
        QCOMPARE(w.form->items().Count(), 2);
        QCOMPARE(w.row(2), fields);
        QCOMPARE(w.boxTexts(), QStringList({"10", "", "", "", "", "", "", "", ""}));
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryName));
        QVERIFY(w.form->SelectedInventoryID.isEmpty());
    }

    void createNewProposesOneMoreThanTheLargestNumericId()
    {
        MainWindow& w = *m_window;
        w.box(InventoryRecord::Description)->setText(QStringLiteral("old"));
        w.click("PushButton2");
        QCOMPARE(w.boxTexts(), QStringList({"1", "", "", "", "", "", "", "", ""}));
        for (const char* id : {"5", "abc", "3"})
            w.addItem(record(id));
        w.click("PushButton2");
        QCOMPARE(w.box(InventoryRecord::InventoryID)->text(), QStringLiteral("6"));
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryName));

        w.form->items().Clear();
        w.addItem(record("-4"));
        QCOMPARE(w.form->NextInventoryID(), 1);
        w.form->items().Clear();
        w.addItem(record("x7"));
        QCOMPARE(w.form->NextInventoryID(), 1);
    }

    void numericIdsAreReadUnderTheUsersNumberFormat()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QLocale english;
        QCOMPARE(records::numericId(u" 41 ", english), 41);
        QCOMPARE(records::numericId(u"+7", english), 7);
        QCOMPARE(records::numericId(u"4.5", english), 4);  // half to even
        QCOMPARE(records::numericId(u"5.5", english), 6);
        QCOMPARE(records::numericId(u"-2.5", english), -2);
        QCOMPARE(records::numericId(u"1,234", english), 1234);
        QCOMPARE(records::numericId(u"1e3", english), 1000);
        QCOMPARE(records::numericId(u"2147483646", english), 2147483646);
        QCOMPARE(records::numericId(u"2147483647", english), std::nullopt); // no successor
        QCOMPARE(records::numericId(u"99999999999", english), std::nullopt);
        QCOMPARE(records::numericId(u"12abc", english), std::nullopt);
        QCOMPARE(records::numericId(u"", english), std::nullopt);

        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(records::numericId(u"2,5", german), 2);
        QCOMPARE(records::numericId(u"1.000", german), 1000);

        MainWindow& w = *m_window;
        QLocale::setDefault(german);
        w.addItem(record("7,6"));
        w.addItem(record("99999999999"));
        QCOMPARE(w.form->NextInventoryID(), 9);
    }

    void clickingARowLoadsItIntoTheBoxes()
    {
        MainWindow& w = *m_window;
        w.addItem(full("1", "Bolt"));
        w.addItem(full("2", "Nut"));
        w.clickRow(2);
        QCOMPARE(w.boxTexts(), full("2", "Nut"));
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("2"));
        QTest::keyClick(w.list(), Qt::Key_Up);
        QCOMPARE(w.boxTexts(), full("1", "Bolt"));
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("1"));
    }

    void savingAnEditedRecordChangesOnlyItsFields()
    {
        MainWindow& w = *m_window;
        w.addItem(full("1", "Bolt"));
        w.addItem(full("2", "Nut"));
        w.clickRow(1);
        w.box(InventoryRecord::InventoryName)->setText(QStringLiteral("Bolt M8"));
        w.box(InventoryRecord::Discontinued)->setText(QStringLiteral("Yes"));
        QStringList expected = full("1", "Bolt");
        expected[1] = QStringLiteral("Bolt M8");
        expected[8] = QStringLiteral("Yes");
        for (int save = 0; save < 2; ++save) {
            w.click("PushButton4");
            QCOMPARE(w.row(1), expected);
            QCOMPARE(w.boxTexts(), expected);
        }
        QCOMPARE(w.row(2), full("2", "Nut"));
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("1"));
        QVERIFY(m_services->messages.empty());
    }

    // A restored list may hold an ID twice: the row clicked is the row
    // saved, whether its ID stays or changes.
    void theEditedRowIsTheClickedOneWhenItsIdAppearsTwice()
    {
        MainWindow& w = *m_window;
        w.addItem(full("5", "first"));
        w.addItem(full("5", "second"));
        w.clickRow(2);
        w.box(InventoryRecord::InventoryName)->setText(QStringLiteral("second, edited"));
        w.click("PushButton4");
        QCOMPARE(w.row(1), full("5", "first"));
        QCOMPARE(w.row(2)[1], QStringLiteral("second, edited"));
        w.box(InventoryRecord::InventoryID)->setText(QStringLiteral("6"));
        w.click("PushButton4");
        QCOMPARE(w.ids(), QStringList({"5", "6"}));
        QCOMPARE(w.row(1), full("5", "first"));
        QVERIFY(m_services->messages.empty());
    }

    void editedRecordCannotTakeAnotherItemsIdOrABlankOne()
    {
        MainWindow& w = *m_window;
        w.addItem(full("1", "Bolt"));
        w.addItem(full("2", "Nut"));
        w.clickRow(1);
        w.box(InventoryRecord::InventoryID)->setText(QStringLiteral("2"));
        w.box(InventoryRecord::InventoryName)->setText(QStringLiteral("changed"));
        w.click("PushButton4");
        w.box(InventoryRecord::InventoryID)->setText(QStringLiteral("  "));
        w.click("PushButton4");
        QCOMPARE(m_services->texts(), QStringList({kIdExists, kForgotId}));
        QCOMPARE(w.row(1), full("1", "Bolt"));
        QCOMPARE(w.row(2), full("2", "Nut"));
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("1"));
    }

    void editedRecordWithANewIdIsRenamed()
    {
        MainWindow& w = *m_window;
        w.addItem(full("1", "Bolt"));
        w.addItem(full("2", "Nut"));
        w.clickRow(2);
        w.box(InventoryRecord::InventoryID)->setText(QStringLiteral("N-2"));
        w.box(InventoryRecord::QtyInStock)->setText(QStringLiteral("11"));
        w.click("PushButton4");
        QStringList expected = full("N-2", "Nut");
        expected[4] = QStringLiteral("11");
        QCOMPARE(w.row(2), expected);
        QCOMPARE(w.form->items().Count(), 2);
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("N-2"));
        QVERIFY(m_services->messages.empty());
    }

    void fieldHoldingASeparatorIsRefusedByName()
    {
        MainWindow& w = *m_window;
        QStringList fields = full("1", "Bolt");
        fields[2] = QStringLiteral("left||SEP2||right");
        w.fillBoxes(fields);
        w.click("PushButton4");
        QCOMPARE(w.form->items().Count(), 0);
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QVERIFY(m_services->texts().front().startsWith(QStringLiteral("Description cannot contain the text \"||SEP2||\"")));
        QCOMPARE(w.boxTexts(), fields);

        w.addItem(full("1", "Bolt"));
        w.clickRow(1);
        w.box(InventoryRecord::ReorderTime)->setText(QStringLiteral("||SEP1||"));
        w.click("PushButton4");
        QCOMPARE(w.row(1), full("1", "Bolt"));
        QVERIFY(m_services->texts().back().startsWith(QStringLiteral("Reorder Time in Days cannot contain")));
    }

    void fullListRefusesANewRecord()
    {
        MainWindow& w = *m_window;
        for (int i = 1; i <= ListItems::Capacity; ++i)
            w.form->items().Add(QString::number(i));
        w.fillBoxes(full("40000", "One too many"));
        w.click("PushButton4");
        QCOMPARE(w.form->items().Count(), ListItems::Capacity);
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QVERIFY(m_services->texts().front().startsWith(QStringLiteral("The list is full")));
        QCOMPARE(w.box(InventoryRecord::InventoryName)->text(), QStringLiteral("One too many"));
        w.click("PushButton7"); // three samples, one message
        QCOMPARE(w.form->items().Count(), ListItems::Capacity);
        QCOMPARE(m_services->messages.size(), std::size_t(2));
        QVERIFY(m_services->errorReports().empty());
        // A restored list may hold more: the message gives the real count.
        w.form->items().Add(QStringLiteral("one more"));
        w.click("PushButton4");
        QVERIFY2(m_services->texts().back().startsWith(QStringLiteral("The list is full: it holds 32768 items")),
                 qPrintable(m_services->texts().back()));
    }

    void deletingOnAnEmptyListDoesNothing()
    {
        MainWindow& w = *m_window;
        w.fillBoxes(record("7", "kept"));
        w.click("PushButton3");
        QVERIFY(m_services->messages.empty());
        QCOMPARE(w.boxTexts(), record("7", "kept"));
    }

    void deletingTheSelectedItemKeepsTheOthersInOrder()
    {
        MainWindow& w = *m_window;
        for (const char* id : {"3", "8", "5"})
            w.addItem(full(id, "item"));
        w.clickRow(2);
        w.click("PushButton3");
        QCOMPARE(w.ids(), QStringList({"3", "5"}));
        QCOMPARE(w.boxTexts(), QStringList({"6", "", "", "", "", "", "", "", ""}));
        QVERIFY(w.form->SelectedInventoryID.isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.list());
        QVERIFY(m_services->messages.empty());
    }

    // The second click of a double-click finds no row selected: it removes
    // nothing and reports line 102.
    void doubleClickingDeleteRemovesOneRecord()
    {
        MainWindow& w = *m_window;
        w.click("PushButton7");
        w.clickRow(1);
        QPushButton* remove = w.button("PushButton3");
        const QPointF at = QRectF(remove->rect()).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, remove->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(remove, &event);
        }
        QCOMPARE(w.ids(), QStringList({"185532", "185577"}));
        QCOMPARE(w.list()->selectedPosition(), 0);
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QVERIFY(reports[0].text.contains(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.PushButton3_Click at line 102\r")));
    }

    void deletingWithNothingSelectedReportsLine102AndPreparesANewRecord()
    {
        MainWindow& w = *m_window;
        w.addItem(full("4", "item"));
        w.fillBoxes(record("x", "typed"));
        w.click("PushButton3");
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QVERIFY(reports[0].text.contains(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.PushButton3_Click at line 102\r")));
        QCOMPARE(w.ids(), QStringList({"4"}));
        QCOMPARE(w.boxTexts(), QStringList({"5", "", "", "", "", "", "", "", ""}));
        QCOMPARE(QApplication::focusWidget(), w.list());
    }

    void sampleDataFillsAnEmptyList()
    {
        MainWindow& w = *m_window;
        w.click("PushButton7");
        QVERIFY(m_services->messages.empty());
        QCOMPARE(w.form->items().Count(), 3);
        QCOMPARE(w.row(1), QStringList({"144455", "Hammer", "Building tool", "46.99", "14", "2", "6", "10", "Yes"}));
        QCOMPARE(w.row(2), QStringList({"185532", "Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"}));
        const QStringList screws{"185577", "Screws", "fastening parts", "10.99", "898", "500", "1", "1000", "No"};
        QCOMPARE(w.row(3), screws);
        QCOMPARE(w.boxTexts(), screws);
        QVERIFY(w.form->SelectedInventoryID.isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryName));
        QCOMPARE(w.list()->selectedPosition(), 0);

        w.click("PushButton7");
        QCOMPARE(w.form->items().Count(), 3);
        QCOMPARE(w.boxTexts(), screws);
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryName));
    }

    void sampleDataLeavesExistingIdsAlone()
    {
        MainWindow& w = *m_window;
        w.addItem(full("185532", "Own nails"));
        w.addItem(full("185577 ", "Spaced screws"));
        w.click("PushButton7");
        QCOMPARE(w.ids(), QStringList({"185532", "185577 ", "144455", "185577"}));
        QCOMPARE(w.row(1), full("185532", "Own nails"));
        QCOMPARE(w.box(InventoryRecord::InventoryID)->text(), QStringLiteral("185577"));
        QCOMPARE(w.box(InventoryRecord::InventoryName)->text(), QStringLiteral("Screws"));
    }

    // Enter in a box saves, Delete in the list deletes, Ctrl+N proposes the
    // next ID; typing in the list finds an item by its ID.
    void theKeysDoWhatTheButtonsDo()
    {
        MainWindow& w = *m_window;
        w.click("PushButton7");
        w.press(w.box(InventoryRecord::InventoryName), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(w.box(InventoryRecord::InventoryID)->text(), QStringLiteral("185578"));
        QTest::keyClicks(w.box(InventoryRecord::InventoryName), QStringLiteral("Washers"));
        w.press(w.box(InventoryRecord::InventoryName), Qt::Key_Return);
        QCOMPARE(w.ids(), QStringList({"144455", "185532", "185577", "185578"}));
        QCOMPARE(w.row(4), record("185578", "Washers"));
        QCOMPARE(w.box(InventoryRecord::InventoryID)->text(), QStringLiteral("185579"));

        w.clickRow(2);
        w.press(w.list(), Qt::Key_Delete);
        QCOMPARE(w.ids(), QStringList({"144455", "185577", "185578"}));
        QCOMPARE(w.boxTexts(), record("185579"));
        // No row looks selected, none has even the focus frame.
        QCOMPARE(w.list()->selectedPosition(), 0);
        QVERIFY(!w.list()->currentIndex().isValid());

        w.list()->setFocus();
        QTest::keyClicks(w.list(), QStringLiteral("1855"));
        QCOMPARE(w.list()->selectedPosition(), 2);
        QCOMPARE(w.boxTexts().first(), QStringLiteral("185577"));
        QCOMPARE(w.form->SelectedInventoryID, QStringLiteral("185577"));
        QVERIFY(m_services->messages.empty());
    }

    // Every change of the list can be undone and redone, with the keys or
    // the list's menu, and what is undone is stored like any change.
    void undoAndRedoTakeBackEachChange()
    {
        MainWindow& w = *m_window;
        ListHistory& history = w.form->history();
        w.click("PushButton7");
        // The focus is in the name box, which has no typing to undo.
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryName));
        w.press(w.box(InventoryRecord::InventoryName), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.ids(), QStringList());
        QTRY_COMPARE(storedIds(), QStringList());
        w.press(w.list(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.ids(), QStringList({"144455", "185532", "185577"}));
        QTRY_COMPARE(storedIds(), w.ids());

        w.clickRow(2);
        w.press(w.list(), Qt::Key_Delete);
        QCOMPARE(history.undoText(), QStringLiteral("Delete 185532"));
        const QList<QAction*> actions = w.form->actions();
        const auto undo = std::find_if(actions.begin(), actions.end(),
                                       [](QAction* a) { return a->shortcut() == QKeySequence::Undo; });
        QVERIFY(undo != actions.end());
        QCOMPARE((*undo)->text(), QStringLiteral("Undo Delete 185532"));
        (*undo)->trigger();
        QCOMPARE(w.row(2), QStringList({"185532", "Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"}));
        w.press(w.list(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.ids(), QStringList({"144455", "185577"}));

        // An edit comes back as it was; the box being typed in undoes its
        // own typing first.
        w.clickRow(1);
        QLineEdit* name = w.box(InventoryRecord::InventoryName);
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Mallet"));
        w.press(name, Qt::Key_Return);
        QCOMPARE(w.row(1)[1], QStringLiteral("Mallet"));
        QCOMPARE(history.undoText(), QStringLiteral("Save 144455"));
        w.press(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.row(1)[1], QStringLiteral("Mallet"));
        QVERIFY(name->text() != QStringLiteral("Mallet"));
        while (name->isUndoAvailable())
            w.press(name, Qt::Key_Z, Qt::ControlModifier);
        w.press(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.row(1)[1], QStringLiteral("Hammer"));
        QTRY_COMPARE(records::recordsOf(storedValue()).front()[1], QStringLiteral("Hammer"));

        // A change another program's store brought in meanwhile is never
        // undone over: the undo says so and leaves the list as it is.
        w.press(w.list(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.row(1)[1], QStringLiteral("Mallet"));
        w.form->items().setSubItem(1, 1, QStringLiteral("Sledge"));
        w.press(w.list(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.row(1)[1], QStringLiteral("Sledge"));
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QVERIFY(m_services->texts().last().contains(QLatin1String("\"Save 144455\" cannot be undone")));
        QVERIFY(!history.canUndo() && !history.canRedo());
    }

    // An import through Ctrl+I or a drop comes in whole, is stored and can
    // be undone; one with bad lines changes nothing and names every one.
    void importsComeInWholeOrNotAtAll()
    {
        MainWindow& w = *m_window;
        const QTemporaryDir dir;
        const QString two = dir.filePath(QStringLiteral("two.csv"));
        write(two, "Inventory ID,Name\r\n501,Hinge\r\n502,Latch\r\n");
        m_services->openPaths.push_back(two);
        w.box(InventoryRecord::InventoryID)->setText(QStringLiteral("501")); // a new record being typed
        w.press(w.list(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(m_services->openRequests.size(), std::size_t(1));
        QCOMPARE(m_services->openRequests[0].title, QStringLiteral("Import Items"));
        QCOMPARE(m_services->texts(), QStringList({"2 items imported."}));
        QCOMPARE(w.ids(), QStringList({"501", "502"}));
        QTRY_COMPARE(storedIds(), w.ids());
        // The new record's ID, taken by the import meanwhile, is proposed anew.
        QCOMPARE(w.box(InventoryRecord::InventoryID)->text(), QStringLiteral("503"));

        const QString one = dir.filePath(QStringLiteral("one.csv"));
        write(one, "Inventory ID,Name\r\n503,Bracket\r\n");
        w.drop(one);
        QCOMPARE(m_services->texts().last(), QStringLiteral("1 item imported."));
        QCOMPARE(w.ids(), QStringList({"501", "502", "503"}));
        QCOMPARE(w.form->history().undoText(), QStringLiteral("Import one.csv"));
        w.press(w.list(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.ids(), QStringList({"501", "502"}));

        m_services->clear();
        QByteArray bad = "Inventory ID,Name\r\n600,ok\r\n501,again\r\n  ,blank\r\n601,a,b\r\n";
        for (int i = 0; i < 12; ++i)
            bad += "502,again\r\n";
        const QString refused = dir.filePath(QStringLiteral("bad.csv"));
        write(refused, bad);
        w.drop(refused);
        QCOMPARE(w.ids(), QStringList({"501", "502"}));
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        const shell::MessageRequest& box = m_services->messages[0];
        QVERIFY2(box.text.startsWith(QStringLiteral("Nothing was imported from bad.csv:\r\n"
                                                     "Line 3: Inventory ID: the inventory ID 501 is in the list already\r\n"
                                                     "Line 4: Inventory ID: the inventory ID is empty\r\n"
                                                     "Line 5: the line has 3 fields and the header 2\r\n")),
                 qPrintable(box.text));
        QVERIFY(box.text.endsWith(QStringLiteral("and 5 more (see the details).")));
        QCOMPARE(box.details.count(QStringLiteral("\r\n")), 14);
        QVERIFY(box.details.endsWith(QStringLiteral("Line 17: Inventory ID: the inventory ID 502 is in the list already")));
        QCOMPARE(w.form->history().undoText(), QStringLiteral("Import two.csv"));
        QCOMPARE(w.form->history().redoText(), QStringLiteral("Import one.csv"));
    }

    void exportWritesTheListAsCsv()
    {
        MainWindow& w = *m_window;
        w.click("PushButton7");
        const QTemporaryDir dir;
        m_services->savePaths.push_back(dir.filePath(QStringLiteral("stock")));
        w.press(w.list(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(m_services->saveRequests.at(0).title, QStringLiteral("Export Items"));
        QCOMPARE(m_services->saveRequests.at(0).filter, QStringLiteral("CSV Files (*.csv)|*.csv|"));
        QFile written(dir.filePath(QStringLiteral("stock.csv")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), records::csvText(w.form->items().records()));
        QCOMPARE(m_services->texts().last(), QStringLiteral("3 items exported."));
    }

    // A screen reader names each box by its label, and the list and buttons.
    void controlsHaveAccessibleNames()
    {
        MainWindow& w = *m_window;
        const auto nameOf = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        for (int field = 0; field < InventoryRecord::FieldCount; ++field)
            QCOMPARE(nameOf(w.box(field)), QLatin1String(records::Fields[std::size_t(field)].label));
        QCOMPARE(nameOf(w.list()), QStringLiteral("Inventory items"));
        QCOMPARE(nameOf(w.button("PushButton3")), QStringLiteral("Delete Selected Record"));
    }

private:
    std::unique_ptr<TestServices> m_services;
    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(RecordEditorTest)
#include "record_editor_test.moc"
