#include "support/Form1Driver.h"

#include "automation/Servers.h"
#include "records/RecoveryFile.h"
#include "shell/Main.h"
#include "shell/Options.h"
#include "shell/Services.h"
#include "shell/StopSignals.h"
#include "shell/Twips.h"
#include "support/TestServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const QString kNoFinalSeparatorRecord = QStringLiteral("7||SEP1||Bolt") + QStringLiteral("||SEP1||").repeated(7);

QString handCursorPath() { return QDir(TestServices::ownApplicationFolder()).filePath(QStringLiteral("HAND-M.CUR")); }

void moveMouseOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

// A small hand picture in the cursor file format, its fingertip at (9, 4).
bool writeHandCursor(const QString& path)
{
    QImage hand(32, 32, QImage::Format_ARGB32);
    hand.fill(Qt::black);
    QImageWriter writer(path, "cur");
    if (!writer.write(hand))
        return false;
    // A cursor's directory: type 2, and the hot spot where an icon's keeps
    // its planes and bit count.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const char cursorType[] = {2, 0};
    const char hotSpot[] = {9, 0, 4, 0};
    bytes.replace(2, 2, cursorType, 2).replace(10, 4, hotSpot, 4);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

QLabel* label(const MainWindow& w, int field)
{
    return w.control<QLabel>(QLatin1String("lbl") + QLatin1String(records::Fields[std::size_t(field)].textBox + 3));
}

// The argument that makes this program the child of the stop signal test.
constexpr char StoppedChild[] = "--stopped-child";

} // namespace

// The main window: its layout, focus and pointer rules, help, start-up and
// shutdown.
class Form1Test : public QObject {
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
        QFile::remove(handCursorPath());
        m_services = std::make_unique<TestServices>();
    }
    void cleanup()
    {
        m_services.reset();
        QFile::remove(handCursorPath());
    }

    void firstStartShowsAnEmptyEditor()
    {
        MainWindow w;
        w.start();
        QCOMPARE(w.form->windowTitle(), QStringLiteral("Quorvale"));
        QVERIFY(!w.form->windowIcon().isNull());
        // Titles stand as given: a display name handed to the platform would
        // be added to every title ("Application Error — Quorvale"). Without
        // one, the display name follows the application name.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("probe"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
        QCoreApplication::setApplicationName(name);
        QStringList captions;
        for (int c = 0; c < w.form->items().columnCount(); ++c)
            captions << w.form->items().headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, QStringList({"ID", "Name", "Description", "Unit Price", "Quantity in Stock",
                                        "Reorder Level", "Reorder Time in Days", "Quantity in Reorder",
                                        "Discontinued?"}));
        QCOMPARE(w.form->items().Count(), 0);
        QCOMPARE(w.boxTexts(), QStringList(9, QString()));
        QCOMPARE(QApplication::focusWidget(), w.box(InventoryRecord::InventoryID));
        QVERIFY(w.form->SelectedInventoryID.isEmpty());
        QVERIFY(m_services->messages.empty());
        QCOMPARE(shell::lockedWindow(), nullptr);
        QVERIFY(w.form->updatesEnabled());
        QCOMPARE(Options::WorkbookPalette, Options::defaultWorkbookPalette());
    }

    void controlsSitWhereTheLayoutPutsThemAt96Dpi()
    {
        MainWindow w;
        w.start();
        if (twips::dpiX(w.form) != 96.0 || twips::dpiY(w.form) != 96.0)
            QSKIP("the screen's logical DPI is not 96");
        QCOMPARE(w.form->size(), QSize(536, 532));
        QCOMPARE(w.form->minimumSize(), w.form->maximumSize());
        QCOMPARE(w.button("PushButton1")->geometry(), QRect(8, 8, 520, 27));
        QCOMPARE(w.button("PushButton6")->geometry(), QRect(8, 42, 256, 27));
        QCOMPARE(w.button("PushButton7")->geometry(), QRect(272, 42, 256, 27));
        QCOMPARE(w.control(QStringLiteral("Frame5"))->geometry(), QRect(8, 73, 520, 246));
        QCOMPARE(w.list()->geometry(), QRect(8, 326, 520, 166));
        QCOMPARE(w.button("PushButton3")->geometry(), QRect(8, 498, 520, 27));
        // Inside the frame.
        QCOMPARE(w.box(InventoryRecord::InventoryID)->geometry(), QRect(140, 18, 363, 23));
        QCOMPARE(w.box(InventoryRecord::Description)->geometry(), QRect(139, 81, 363, 23));
        QCOMPARE(w.box(InventoryRecord::QtyInStock)->geometry(), QRect(395, 111, 107, 23));
        QCOMPARE(w.button("PushButton2")->geometry(), QRect(16, 207, 240, 27));
        QCOMPARE(w.button("PushButton4")->geometry(), QRect(263, 207, 240, 27));
        auto* discontinued = w.control<QLabel>(QStringLiteral("lblDiscontinued"));
        QCOMPARE(discontinued->pos(), QPoint(258, 180));
        QCOMPARE(discontinued->height(), 15);
        QVERIFY(discontinued->width() >= 81); // as laid out, or as wide as its text
        QVERIFY(discontinued->alignment() & Qt::AlignRight);
        QList<int> widths;
        for (int c = 0; c < 9; ++c)
            widths << w.list()->header()->sectionSize(c);
        QCOMPARE(widths, QList<int>({67, 167, 233, 100, 100, 100, 100, 100, 100}));
    }

    // Arial's stand-ins on a Linux desktop set the labels wider than laid
    // out; each label still shows its whole text in the window's font, from
    // where it was laid out and short of its text box.
    void labelsShowTheirWholeText_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("Arial's metrics") << QStringLiteral("Liberation Sans");
        QTest::newRow("DejaVu only") << QStringLiteral("DejaVu Sans");
    }
    void labelsShowTheirWholeText()
    {
        QFETCH(QString, family);
        MainWindow w;
        QList<QPoint> laidOut;
        for (int field = 0; field < InventoryRecord::FieldCount; ++field)
            laidOut << label(w, field)->pos();
        QFont font(family);
        font.setPointSizeF(9);
        font.setBold(true);
        w.form->setFont(font);
        if (QFontInfo(label(w, 0)->font()).family() != family)
            QSKIP("the font family is not installed");
        for (int field = 0; field < InventoryRecord::FieldCount; ++field) {
            const QLabel* l = label(w, field);
            QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
            QCOMPARE(QFontInfo(l->font()).family(), family);
            QCOMPARE(l->font().pointSizeF(), 9.0);
            QCOMPARE(l->pos(), laidOut[field]);
            QVERIFY2(l->geometry().right() < w.box(field)->x(), qPrintable(l->text()));
        }
    }

    void windowHasAFixedBorderFontsAndWhiteBackgrounds()
    {
        MainWindow w;
        w.start();
        const Qt::WindowFlags flags = w.form->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        const QFont font = w.box(InventoryRecord::InventoryName)->font();
        QCOMPARE(font.family(), QStringLiteral("Arial"));
        QCOMPARE(font.pointSizeF(), 9.0);
        QVERIFY(font.bold());
        QCOMPARE(w.list()->font().pointSizeF(), 9.0);
        for (const char* name : {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton6", "PushButton7"}) {
            QCOMPARE(w.button(name)->font().pointSizeF(), 11.25);
            QVERIFY(w.button(name)->font().bold());
            QCOMPARE(w.button(name)->palette().color(QPalette::Button), QColor(Qt::white));
        }
        for (QWidget* white : {static_cast<QWidget*>(w.form), w.control(QStringLiteral("Frame5")),
                               w.control(QStringLiteral("lblInventoryID"))})
            QCOMPARE(white->palette().color(QPalette::Window), QColor(Qt::white));
        const QPoint centre = w.form->screen()->availableGeometry().center();
        QVERIFY((w.form->frameGeometry().center() - centre).manhattanLength() <= 2);
    }

    void tabVisitsTheControlsInOrder()
    {
        MainWindow w;
        w.start();
        const QStringList expected{"txtInventoryName", "txtDescription", "txtUnitPrice", "txtQtyInStock",
                                   "txtReorderLevel",  "txtReorderTime", "txtQuantityReorder",
                                   "txtDiscontinued",  "ListView1",      "PushButton1", "PushButton2",
                                   "PushButton4",      "PushButton6",    "PushButton7", "PushButton3",
                                   "txtInventoryID"};
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
    }

    void textBoxesSelectAllTheirTextOnFocus()
    {
        MainWindow w;
        w.start();
        QLineEdit* name = w.box(InventoryRecord::InventoryName);
        name->setText(QStringLiteral("Hammer"));
        QTest::keyClick(w.box(InventoryRecord::InventoryID), Qt::Key_Tab);
        QCOMPARE(name->selectedText(), QStringLiteral("Hammer"));
        QTest::keyClicks(name, QStringLiteral("Nails"));
        QCOMPARE(name->text(), QStringLiteral("Nails"));

        QLineEdit* description = w.box(InventoryRecord::Description);
        description->setText(QStringLiteral("Building tool"));
        QTest::mouseClick(description, Qt::LeftButton, {}, QPoint(20, description->height() / 2));
        QVERIFY(description->hasFocus());
        QCOMPARE(description->selectedText(), QStringLiteral("Building tool"));
        // A click in the box that already has the focus places the cursor.
        QTest::mouseClick(description, Qt::LeftButton, {}, QPoint(20, description->height() / 2));
        QVERIFY(!description->hasSelectedText());

        QLineEdit* price = w.box(InventoryRecord::UnitPrice);
        price->setText(QStringLiteral("46.99"));
        price->setFocus();
        QCOMPARE(price->selectedText(), QStringLiteral("46.99"));

        // Pasted lines become one: each line break and tab a space.
        QGuiApplication::clipboard()->setText(QStringLiteral("Zinc\r\nplated\tsteel\nbolt"));
        description->clear();
        description->paste();
        QCOMPARE(description->text(), QStringLiteral("Zinc plated steel bolt"));
        QCOMPARE(description->cursorPosition(), description->text().size());
    }

    void pointerShowsTheHandOverButtonsUnlessBusy()
    {
        MainWindow w;
        w.start();
        moveMouseOver(w.button("PushButton7"));
        QCOMPARE(w.form->mousePointer(), MousePointer::Custom);
        // Without the cursor file the hand shows as the default arrow.
        QCOMPARE(w.form->cursor().shape(), Qt::ArrowCursor);
        moveMouseOver(w.box(InventoryRecord::Description));
        QCOMPARE(w.form->mousePointer(), MousePointer::Default);
        moveMouseOver(w.button("PushButton2"));
        moveMouseOver(w.list()->viewport());
        QCOMPARE(w.form->mousePointer(), MousePointer::Default);
        moveMouseOver(w.button("PushButton3"));
        moveMouseOver(w.form);
        QCOMPARE(w.form->mousePointer(), MousePointer::Default);

        w.form->setMousePointer(MousePointer::Hourglass);
        moveMouseOver(w.button("PushButton1"));
        moveMouseOver(w.box(InventoryRecord::InventoryID));
        QCOMPARE(w.form->mousePointer(), MousePointer::Hourglass);
        QCOMPARE(w.form->cursor().shape(), Qt::WaitCursor);
        QVERIFY(m_services->messages.empty());
    }

    void handCursorFileGivesTheButtonsItsPicture()
    {
        if (!QImageWriter::supportedImageFormats().contains("cur"))
            QSKIP("no writer for cursor files");
        QVERIFY(writeHandCursor(handCursorPath()));
        MainWindow w;
        w.start();
        QVERIFY(m_services->messages.empty());
        moveMouseOver(w.button("PushButton1"));
        QCOMPARE(w.form->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(w.form->cursor().hotSpot(), QPoint(9, 4));
        moveMouseOver(w.box(InventoryRecord::InventoryID));
        QCOMPARE(w.form->cursor().shape(), Qt::ArrowCursor);
    }

    void unreadableCursorFileIsReportedAtLine110()
    {
        QFile file(handCursorPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a cursor");
        file.close();
        MainWindow w;
        w.start();
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QVERIFY(reports[0].text.contains(QDir::toNativeSeparators(handCursorPath()))
                || reports[0].text.contains(handCursorPath()));
        QVERIFY(reports[0].text.contains(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.Form_Load at line 110\r")));
        moveMouseOver(w.button("PushButton1"));
        QCOMPARE(w.form->cursor().shape(), Qt::ArrowCursor);
    }

    void helpShowsTheContactAddress()
    {
        MainWindow w;
        w.start();
        w.click("PushButton6");
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        const shell::MessageRequest& box = m_services->messages.front();
        QCOMPARE(box.text, QStringLiteral("Questions? Please contact Team Tallowind at https://www.tallowind.com/contact"));
        QCOMPARE(box.title, QStringLiteral("Quorvale"));
        QCOMPARE(box.icon, shell::MessageIcon::None);
        QCOMPARE(box.buttons, shell::MessageButtons::Ok);
    }

    void closingRewritesTheStoredListAndEndsTheApplication()
    {
        setStoredValue(kNoFinalSeparatorRecord);
        MainWindow w;
        w.start();
        QVERIFY(w.form->close());
        QCOMPARE(storedValue(), kNoFinalSeparatorRecord + QStringLiteral("||SEP2||"));
        QCOMPARE(m_services->endCalls, 1);
        QVERIFY(m_services->errorReports().empty());
    }

    void closingAnEmptyListStoresTheEmptyText()
    {
        MainWindow w;
        w.start();
        w.form->close();
        QVERIFY(hasStoredValue());
        QCOMPARE(storedValue(), QString());
        MainWindow next;
        next.start();
        QCOMPARE(next.form->items().Count(), 0);
    }

    void hidingTheWindowNeitherStoresNorEnds()
    {
        MainWindow w;
        w.start();
        w.addItem({"1", "Bolt"});
        w.form->hide();
        w.form->show();
        QCOMPARE(m_services->endCalls, 0);
        QVERIFY(!hasStoredValue());
        QCOMPARE(w.ids(), QStringList({"1"}));
    }

    void failedSpreadsheetCheckEndsTheStartWithoutStoring()
    {
        setStoredValue(kNoFinalSeparatorRecord);
        automation::Servers::unregisterServer(QStringLiteral("Excel.Application"));
        MainWindow w;
        w.form->Form_Load();
        registerIdleSpreadsheet();
        QCOMPARE(m_services->endCalls, 1);
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QVERIFY(!w.form->isVisible());
        QCOMPARE(storedValue(), kNoFinalSeparatorRecord);
    }

    // A store that cannot write asks once, with the reason; "No" tries again
    // and "Yes" closes, keeping the list in the recovery file, which the next
    // start offers back. Once that list is stored, the file has served.
    void failedStoreKeepsTheListForTheNextStart()
    {
        const QString file = userSettings().fileName();
        QVERIFY(QFile::remove(file) || !QFile::exists(file));
        QVERIFY(QDir().mkpath(file)); // a directory where the settings file belongs
        QFile::remove(records::recoveryFilePath());
        {
            MainWindow w;
            w.start();
            // The start-up cannot read it either, and says so.
            const auto reports = m_services->errorReports();
            QCOMPARE(reports.size(), std::size_t(1));
            QVERIFY(reports[0].text.startsWith(QStringLiteral("The settings file %1 cannot be read").arg(file)));
            QVERIFY(reports[0].text.contains(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.Form_Load at line 172\r\r")));
            m_services->clear();
            w.addItem({"1", "Bolt"});
            m_services->answers = {shell::MessageAnswer::No, shell::MessageAnswer::Yes};
            w.form->close();
            QVERIFY(m_services->errorReports().empty());
            QCOMPARE(m_services->messages.size(), std::size_t(2));
            for (const shell::MessageRequest& question : m_services->messages) {
                QVERIFY(question.text.startsWith(QStringLiteral("The inventory list could not be saved to ")));
                QVERIFY(question.text.contains(QDir::toNativeSeparators(records::recoveryFilePath())));
            }
            QCOMPARE(m_services->endCalls, 1);
        }
        QVERIFY(QDir(file).removeRecursively());
        setStoredValue(kNoFinalSeparatorRecord);
        // The kept list is the newer one; an empty file, as a full disk
        // could have left it, is never offered.
        QFile kept(records::recoveryFilePath());
        QVERIFY(kept.open(QIODevice::ReadWrite));
        const QByteArray keptList = kept.readAll();
        QVERIFY(!keptList.isEmpty());
        QVERIFY(kept.resize(0));
        QVERIFY(kept.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        kept.close();
        m_services->clear();
        {
            MainWindow empty;
            empty.start();
            QVERIFY(m_services->messages.empty());
        }
        // Stored since by another program (an import), the list stays on
        // offer until the user answers; turned down, it is put aside.
        QVERIFY(kept.open(QIODevice::ReadWrite));
        QCOMPARE(kept.write(keptList), keptList.size());
        QVERIFY(kept.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        kept.close();
        const QString turnedDown = QFileInfo(kept).dir().filePath(QStringLiteral("inventory-list-turned-down.txt"));
        m_services->clear();
        m_services->answers = {shell::MessageAnswer::No};
        {
            MainWindow declined;
            declined.start();
            QCOMPARE(m_services->messages.size(), std::size_t(1));
            QCOMPARE(declined.ids(), QStringList{QStringLiteral("7")});
        }
        QVERIFY(!kept.exists());
        QVERIFY(QFile::rename(turnedDown, kept.fileName()));

        m_services->clear();
        MainWindow next;
        next.start();
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        QVERIFY(m_services->messages.front().text.startsWith(QStringLiteral("When Quorvale last closed")));
        QCOMPARE(next.ids(), QStringList{QStringLiteral("1")});
        next.form->close();
        QVERIFY(storedValue().startsWith(QStringLiteral("1||SEP1||Bolt||SEP1||")));
        QVERIFY(!QFile::exists(records::recoveryFilePath()));
    }

    // Told to stop (as at log-off or by kill), the program stores the list
    // it holds, records not yet stored included, and ends. Killed outright
    // two seconds after a record was saved, it has stored that record by
    // then.
    void aStopSignalStoresTheListAndEnds_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("told to stop") << int(SIGTERM);
        QTest::newRow("killed two seconds after the change") << int(SIGKILL);
    }
    void aStopSignalStoresTheListAndEnds()
    {
        QFETCH(int, signal);
        QTemporaryDir config;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), config.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(StoppedChild)});
        QVERIFY(child.waitForReadyRead(20000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        if (signal == SIGKILL)
            QTest::qWait(2000);
        QCOMPARE(::kill(pid_t(child.processId()), signal), 0);
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), signal == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(child.exitCode(), signal == SIGKILL ? SIGKILL : 0);
        const QSettings stored(QDir(config.path()).filePath(QStringLiteral("Tallowind.conf")), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Quorvale/Inventory List")).toString(),
                 QStringLiteral("7||SEP1||Not yet stored") + QStringLiteral("||SEP1||").repeated(7)
                     + QStringLiteral("||SEP2||"));
    }

private:
    std::unique_ptr<TestServices> m_services;
};

// The child of aStopSignalStoresTheListAndEnds: the program as main() runs
// it, with a record added and not yet stored, waiting for its stop.
int runStoppedChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QApplication::setQuitOnLastWindowClosed(false);
    registerIdleSpreadsheet();
    AppWindows windows;
    shell::StopSignals stopSignals;
    QObject::connect(&stopSignals, &shell::StopSignals::stopRequested, [&] { windows.endUnattended(); });
    if (!windows.start())
        return 2;
    const int position = windows.main().items().Add(QStringLiteral("7"));
    windows.main().items().setSubItem(position, 1, QStringLiteral("Not yet stored"));
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], StoppedChild) == 0)
        return runStoppedChild(argc, argv);
    QApplication app(argc, argv);
    Form1Test test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "form1_test.moc"
