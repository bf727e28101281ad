// Faults a user meets with the whole program: a settings store that cannot
// be written or does not hold the program's format, a temporary folder that
// cannot take the workbook, and files that go away while the preview is
// open. Each fault gets a clear report, and nothing the user had is lost.
//
// Tests may run as the superuser, whom permissions do not stop. A path is
// then made unwritable another way: a folder under a regular file, a system
// folder that refuses new files, or a limit on the size of written files as
// a full disk would set.
#include "Support.h"

#include "support/Form1Driver.h"
#include "automation/Servers.h"
#include "workbook/InventoryList.h"
#include "preview/Form2.h"
#include "records/RecoveryFile.h"
#include "shell/FileSystemObject.h"
#include "spreadsheet/objects/Server.h"
#include "support/PreviewControls.h"
#include "support/TestServices.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <optional>

namespace {

const QString F = QStringLiteral("||SEP1||");
const QString R = QStringLiteral("||SEP2||");

const QString kLoad = QStringLiteral("in Quorvale2021/08/31.Form1.Form_Load ");
const QString kRun = QStringLiteral("in Quorvale2021/08/31.InventoryList.GenerateReport0 ");
const QString kSnapshot = QStringLiteral("in Quorvale2021/08/31.Excel1.saveCellsActivesheet ");
const QString kSave = QStringLiteral("in Quorvale2021/08/31.Form2.PushButton6_Click ");

QString joined(const QStringList& fields) { return fields.join(F) + R; }

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList lines(const QString& path, std::initializer_list<int> numbers)
{
    QStringList result;
    for (int n : numbers)
        result << path + QString::number(n);
    return result;
}

// True when nobody can create a file in folder.
bool refusesNewFiles(const QString& folder)
{
    QFile probe(QDir(folder).filePath(QStringLiteral(".quorvale-probe")));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    probe.remove();
    return false;
}

// A folder that exists and in which this process cannot create files: a
// folder made read-only under parent, or, where permissions do not stop this
// process, a system folder that refuses new files. Empty when there is none.
QString readOnlyFolder(const QString& parent)
{
    const QString folder = QDir(parent).filePath(QStringLiteral("read-only"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (refusesNewFiles(folder))
        return folder;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString system = QStringLiteral("/proc");
    return QFileInfo(system).isDir() && refusesNewFiles(system) ? system : QString();
}

// While it lives, files this process writes cannot grow past a number of
// bytes, as on a full disk: a write past it fails (EFBIG) instead of ending
// the process with SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            qFatal("cannot limit the file size");
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

// Services that also let a test look at the program while a report is on
// the screen.
class WatchingServices : public TestServices {
public:
    // Called at every box, while it shows.
    std::function<void()> onReport;

    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        if (onReport)
            onReport();
        return TestServices::showMessage(request);
    }
};

std::vector<QStringList> manyItems(int count)
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({QString::number(1000 + i), QStringLiteral("Item %1").arg(i), QStringLiteral("box of %1").arg(i),
                        QStringLiteral("%1.50").arg(i), QString::number(i), QStringLiteral("5"), QStringLiteral("7"),
                        QStringLiteral("10"), QStringLiteral("No")});
    return rows;
}

} // namespace

class UserFaultsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WatchingServices> services;
    std::unique_ptr<QTemporaryDir> settingsDir;
    std::unique_ptr<QTemporaryDir> temp;
    QString settingsFolder;

    // Settings of this test go to a folder of their own.
    void useSettingsFolder(const QString& folder)
    {
        settingsFolder = folder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    }
    QString settingsFile() const { return userSettings().fileName(); }

    // A settings file as another program or an editor might leave it.
    void writeSettingsFile(const QByteArray& contents) { writeBytes(settingsFile(), contents); }

    QString inTemp(const QString& name) const { return QDir(temp->path()).filePath(name); }

    QList<QStringList> rowsOf(const MainWindow& w) const
    {
        QList<QStringList> rows;
        for (int position = 1; position <= w.form->items().Count(); ++position)
            rows << w.row(position);
        return rows;
    }

    // Runs "Start Creating Template" from the main window.
    Form2& generate(MainWindow& w)
    {
        QTest::mouseClick(w.button("PushButton1"), Qt::LeftButton);
        return w.windows->preview();
    }

    // A preview as a good run leaves it.
    Form2& previewOfAGoodRun(MainWindow& w)
    {
        w.start();
        support::fillItems(w.form->items(), support::twoItems());
        Form2& preview = generate(w);
        if (!services->errorReports().empty() || !QFileInfo(preview.excelFile()).isFile())
            qFatal("the run did not give a workbook: %s", qPrintable(services->texts().join(QLatin1Char('\n'))));
        services->clear();
        return preview;
    }

    void saveAs(Form2& preview, const QString& target)
    {
        services->savePaths.push_back(target);
        QTest::mouseClick(controlsOf(preview).PushButton6, Qt::LeftButton);
    }

    // The preview still zooms, and "< Back" brings the main window back with
    // its list, reporting nothing.
    void checkPreviewStaysUsable(Form2& preview, MainWindow& w, int items)
    {
        services->clear();
        const float zoom = preview.geometry().mZoom;
        QTest::mouseClick(controlsOf(preview).PushButton1, Qt::LeftButton);
        QCOMPARE(preview.geometry().mZoom, zoom + 0.25f);
        QTest::mouseClick(controlsOf(preview).PushButton8, Qt::LeftButton);
        QVERIFY(services->messages.empty());
        QVERIFY(w.form->isVisible());
        QVERIFY(!preview.isVisible());
        QCOMPARE(w.form->items().Count(), items);
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        automation::Servers::clear();
        support::registerServers();
        settingsDir = std::make_unique<QTemporaryDir>();
        temp = std::make_unique<QTemporaryDir>();
        QVERIFY(settingsDir->isValid() && temp->isValid());
        useSettingsFolder(settingsDir->path());
        support::setTemporaryFolder(temp->path());
        services = std::make_unique<WatchingServices>();
    }

    void cleanup()
    {
        services.reset();
        automation::Servers::clear();
        support::setTemporaryFolder({});
        qunsetenv("TMPDIR");
        for (QTemporaryDir* dir : {settingsDir.get(), temp.get()}) {
            QDir folder(dir->path());
            for (const QString& name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                QFile::setPermissions(folder.filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        settingsDir.reset();
        temp.reset();
    }

    // The settings file or its folder cannot be written when the main window
    // closes: one question says why, with the list still in memory; closing
    // anyway keeps it in the recovery file, the program ends, and the list
    // stored before is left whole.
    void aStoreThatCannotWriteAsksAndKeepsTheList_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("reason");
        QTest::newRow("settings folder under a regular file") << "folder under a file" << "its folder %1 cannot be made";
        QTest::newRow("read-only settings folder") << "read-only folder" << "Permission denied";
        QTest::newRow("read-only settings file") << "read-only file" << "it is read-only";
        QTest::newRow("no room for the new list") << "no room" << "the file could not be written whole";
    }
    void aStoreThatCannotWriteAsksAndKeepsTheList()
    {
        QFETCH(QString, way);
        QFETCH(QString, reason);
        const QList<QStringList> stored{{"1", "Hammer", "", "", "", "", "", "", "No"},
                                        {"2", "Saw", "", "", "", "", "", "", "Yes"}};
        QByteArray before;
        if (way == QLatin1String("folder under a file")) {
            const QString plain = QDir(settingsFolder).filePath(QStringLiteral("plain"));
            writeBytes(plain, "a file, not a folder");
            useSettingsFolder(QDir(plain).filePath(QStringLiteral("config")));
        } else {
            setStoredValue(joined(stored[0]) + joined(stored[1]));
            before = bytesOf(settingsFile());
            QVERIFY(!before.isEmpty());
        }
        if (way == QLatin1String("read-only folder")) {
            QVERIFY(QFile::setPermissions(settingsFolder, QFile::ReadOwner | QFile::ExeOwner));
            if (!refusesNewFiles(settingsFolder))
                QSKIP("permissions do not stop this process from writing into a folder");
        } else if (way == QLatin1String("read-only file")) {
            QVERIFY(QFile::setPermissions(settingsFile(), QFile::ReadOwner));
            if (QFile(settingsFile()).open(QIODevice::ReadWrite))
                QSKIP("permissions do not stop this process from writing a file");
        }

        MainWindow w;
        w.start();
        QVERIFY(services->errorReports().empty());
        QCOMPARE(rowsOf(w), before.isEmpty() ? QList<QStringList>() : stored);
        // Enough new items that the new list is far larger than the old.
        support::fillItems(w.form->items(), manyItems(400));
        int itemsWhileReporting = -1;
        services->onReport = [&] { itemsWhileReporting = w.form->items().Count(); };
        {
            std::optional<FileSizeLimit> limit;
            if (way == QLatin1String("no room"))
                limit.emplace(8192);
            w.form->close();
        }

        QVERIFY(services->errorReports().empty());
        const shell::MessageRequest& question = services->messages.front();
        QCOMPARE(question.buttons, shell::MessageButtons::YesNo);
        QVERIFY2(question.text.startsWith(QStringLiteral("The inventory list could not be saved to ") + settingsFile()
                                          + QStringLiteral(": ") + reason.arg(settingsFolder)),
                 qPrintable(question.text));
        QVERIFY(question.text.contains(QDir::toNativeSeparators(records::recoveryFilePath())));
        if (way == QLatin1String("no room")) {
            // No file takes the list: a second question says it would be lost.
            QCOMPARE(services->messages.size(), std::size_t(2));
            QVERIFY(services->messages.back().text.contains(QLatin1String("could not be kept in")));
            QVERIFY(services->messages.back().text.contains(QLatin1String("The changes of this run are then lost.")));
            QVERIFY(!QFileInfo::exists(records::recoveryFilePath()));
        } else {
            QCOMPARE(services->messages.size(), std::size_t(1));
            QString kept;
            for (const InventoryRecord& record : w.form->items().records())
                records::appendStoredRecord(kept, record);
            QCOMPARE(bytesOf(records::recoveryFilePath()), kept.toUtf8());
            QVERIFY(QFile::remove(records::recoveryFilePath()));
        }
        QCOMPARE(services->endCalls, 1);
        QCOMPARE(itemsWhileReporting, 400);
        QCOMPARE(w.form->items().Count(), 400);
        QFile::setPermissions(settingsFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (before.isEmpty()) {
            QVERIFY(!QFileInfo::exists(settingsFolder));
        } else {
            QCOMPARE(bytesOf(settingsFile()), before);
            QCOMPARE(filesIn(settingsFolder), QStringList{QFileInfo(settingsFile()).fileName()});
        }
    }

    // A stored value that is not text: the start-up says so once, at its
    // line 172, loads no record and leaves the value as it is when the user
    // closes without having stored anything.
    void aStoredValueThatIsNotTextIsReportedAndLeftAsItIs_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("holds");
        // An unquoted comma makes a list of texts of it.
        QTest::newRow("list of texts") << QByteArray("7||SEP1||Bolt, hex||SEP1||Zinc||SEP2||") << "a list of texts";
        QTest::newRow("rectangle") << QByteArray("@Rect(1 2 3 4)") << "a value of type QRect";
        QTest::newRow("kind unknown here") << QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x4gar)")
                                           << "a value of a kind this program does not know";
    }
    void aStoredValueThatIsNotTextIsReportedAndLeftAsItIs()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, holds);
        const QByteArray contents = "[Quorvale]\nInventory%20List=" + value + "\n";
        writeSettingsFile(contents);

        MainWindow w;
        w.start();
        QCOMPARE(w.form->items().Count(), 0);
        QCOMPARE(support::reportedLines(*services), QStringList{kLoad + QStringLiteral("172")});
        const QString text = services->errorReports().front().text;
        QVERIFY2(text.startsWith(QStringLiteral("The stored inventory list in ") + settingsFile()
                                 + QStringLiteral(" is not in this program's format (it holds ") + holds
                                 + QStringLiteral("), so no record was loaded.")),
                 qPrintable(text));
        QVERIFY(w.form->isVisible());

        services->clear();
        w.form->close();
        QVERIFY(services->messages.empty());
        QCOMPARE(services->endCalls, 1);
        QCOMPARE(bytesOf(settingsFile()), contents);
        QCOMPARE(filesIn(settingsFolder), QStringList{QFileInfo(settingsFile()).fileName()});
    }

    // Records entered over a value that was not text are stored when the
    // window closes, and the settings file as it was is kept beside.
    void recordsEnteredOverAValueThatIsNotTextAreStoredAndTheOldFileKept()
    {
        const QByteArray contents = "[Quorvale]\nInventory%20List=7||SEP1||Bolt, hex||SEP2||\n";
        writeSettingsFile(contents);
        {
            MainWindow w;
            w.start();
            w.addItem({"8", "Nut"});
            services->clear();
            w.form->close();
            QVERIFY(services->messages.empty());
        }
        const QString kept = settingsFile() + QStringLiteral(".unreadable");
        QCOMPARE(bytesOf(kept), contents);

        MainWindow next;
        next.start();
        QVERIFY(services->errorReports().empty());
        QCOMPARE(rowsOf(next), (QList<QStringList>{{"8", "Nut", "", "", "", "", "", "", ""}}));

        // A second time, the first copy stays and the next one gets a number.
        writeSettingsFile(contents);
        next.form->close();
        QCOMPARE(bytesOf(kept), contents);
        QCOMPARE(bytesOf(kept + QStringLiteral(".2")), contents);
    }

    // Bytes that are not UTF-8: the start-up says so, loads the records with
    // the characters it could read, and the first store keeps the file as it
    // was beside the new one.
    void storedBytesThatAreNotUtf8KeepTheirRecords()
    {
        const QByteArray contents = "[Quorvale]\nInventory%20List=@ByteArray(7||SEP1||Gr\\xf6\\xdfn||SEP1||||SEP1||"
                                    "||SEP1||||SEP1||||SEP1||||SEP1||||SEP1||||SEP2||8||SEP1||Nut||SEP1||||SEP1||"
                                    "||SEP1||||SEP1||||SEP1||||SEP1||||SEP1||||SEP2||)\n";
        writeSettingsFile(contents);

        MainWindow w;
        w.start();
        QCOMPARE(support::reportedLines(*services), QStringList{kLoad + QStringLiteral("172")});
        QVERIFY2(services->errorReports().front().text.startsWith(QStringLiteral("The stored inventory list in ")
                                                                  + settingsFile() + QStringLiteral(" is not UTF-8 text")),
                 qPrintable(services->errorReports().front().text));
        const QList<QStringList> rows = rowsOf(w);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][0], QStringLiteral("7"));
        QVERIFY(rows[0][1].startsWith(QStringLiteral("Gr")) && rows[0][1].endsWith(QLatin1Char('n')));
        QVERIFY(rows[0][1].contains(QChar(QChar::ReplacementCharacter)));
        QCOMPARE(rows[1], (QStringList{"8", "Nut", "", "", "", "", "", "", ""}));

        services->clear();
        w.form->close();
        QVERIFY(services->messages.empty());
        QCOMPARE(bytesOf(settingsFile() + QStringLiteral(".unreadable")), contents);
        MainWindow next;
        next.start();
        QVERIFY(services->errorReports().empty());
        QCOMPARE(rowsOf(next), rows);
    }

    // Text with damaged records: the missing fields are reported once, at the
    // line of the first, every record is kept, and closing without a change stores every
    // character that was loaded. Fields past the ninth are not part of a
    // record and are left out.
    void damagedRecordsInStoredTextKeepEveryCharacter()
    {
        const QStringList eleven{"3", "Long", "d", "1", "2", "3", "4", "5", "No", "extra", "more"};
        setStoredValue(QStringLiteral("no separators at all, 1 || 2") + R + eleven.join(F) + R
                       + QStringLiteral("9") + F + QStringLiteral("Scr||SE"));
        MainWindow w;
        w.start();
        const QList<QStringList> expected{{"no separators at all, 1 || 2", "", "", "", "", "", "", "", ""},
                                          eleven.mid(0, 9),
                                          {"9", "Scr||SE", "", "", "", "", "", "", ""}};
        QCOMPARE(rowsOf(w), expected);
        QCOMPARE(support::reportedLines(*services), lines(kLoad, {184}));
        QVERIFY(services->errorReports().front().text.startsWith(
            QStringLiteral("Stored record 1 has no Name field. In all, 2 stored records lack 15 fields.")));

        services->clear();
        w.form->close();
        QVERIFY(services->messages.empty());
        MainWindow next;
        next.start();
        QVERIFY(services->errorReports().empty());
        QCOMPARE(rowsOf(next), expected);
    }

    // A settings file with parts that are not in the settings format, one
    // cut short inside the stored value, one of nothing but junk: the
    // start-up says so once and loads what it can read, never the stored
    // form of a value as a record. The store keeps the damaged file beside
    // and writes a whole file with the list alone, which the next start
    // reads without a word.
    void aDamagedSettingsFileIsReportedAndKeptBeside_data()
    {
        const QStringList record{"7", "Bolt", "hex", "0.25", "1000", "200", "7", "500", "No"};
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QList<QStringList>>("loaded");
        QTest::newRow("parts not in the format")
            << "[Other]\nkept=no\n[Quorvale\nInventory%20List=" + joined(record).toUtf8()
                   + "\n\x01\x02\xff garbage without a value\n"
            << "The settings file %1 is damaged" << QList<QStringList>{record};
        QTest::newRow("cut inside the value")
            << QByteArray("[Quorvale]\nInventory%20List=@ByteArray(T-1||SEP1||Bolt||SEP1||hex||SEP1||0.2")
            << "The stored inventory list in %1 is damaged" << QList<QStringList>();
        // What Qt's reader takes without a word.
        const QStringList first{"1", "first", "", "", "", "", "", "", "No (hex)"};
        const QStringList second{"2", "second", "", "", "", "", "", "", "Yes"};
        const QByteArray cutAfterBracket = "[Quorvale]\nInventory%20List=@ByteArray(" + joined(first).toUtf8();
        QTest::newRow("cut right after a \")\" inside the value")
            << cutAfterBracket.left(cutAfterBracket.indexOf(')') + 1) << "The settings file %1 is damaged: it was cut short"
            << QList<QStringList>{{"1", "first", "", "", "", "", "", "", "No (hex"}};
        QTest::newRow("the list twice")
            << "[Quorvale]\nInventory%20List=@ByteArray(" + joined(first).toUtf8() + ")\nInventory%20List=@ByteArray("
                   + joined(second).toUtf8() + ")\n"
            << "The settings file %1 is damaged: it holds the inventory list 2 times" << QList<QStringList>{second};
        QTest::newRow("a raw byte that is not UTF-8")
            << "[Quorvale]\nInventory%20List=" + joined(second).toUtf8().replace("second", "Caf\xe9") + "\n"
            << "The settings file %1 is damaged: it holds bytes that are not UTF-8 text"
            << QList<QStringList>{{"2", QStringLiteral("Caf\ufffd"), "", "", "", "", "", "", "Yes"}};
        QByteArray junk(256 * 1024, '\0');
        QRandomGenerator random(17);
        for (char& c : junk)
            c = char(random.bounded(256));
        QTest::newRow("junk") << junk << "The settings file %1 is damaged" << QList<QStringList>();
    }
    void aDamagedSettingsFileIsReportedAndKeptBeside()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, damage);
        QFETCH(QList<QStringList>, loaded);
        writeSettingsFile(contents);

        MainWindow w;
        w.start();
        QCOMPARE(rowsOf(w), loaded);
        QCOMPARE(support::reportedLines(*services), QStringList{kLoad + QStringLiteral("172")});
        QVERIFY2(services->errorReports().front().text.startsWith(damage.arg(settingsFile())),
                 qPrintable(services->errorReports().front().text));

        const QStringList added{"8", "Nut", "", "", "", "", "", "", ""};
        w.addItem(added);
        services->clear();
        w.form->close();
        QVERIFY2(services->messages.empty(), qPrintable(services->texts().join(QLatin1Char('\n'))));
        QCOMPARE(bytesOf(settingsFile() + QStringLiteral(".damaged")), contents);
        QCOMPARE(userSettings().allKeys(), QStringList{QStringLiteral("Quorvale/Inventory List")});

        MainWindow next;
        next.start();
        QVERIFY(services->errorReports().empty());
        QCOMPARE(rowsOf(next), loaded + QList<QStringList>{added});
        next.form->close();
        const QString name = QFileInfo(settingsFile()).fileName();
        QCOMPARE(filesIn(settingsFolder), QStringList({name, name + QStringLiteral(".damaged")}));
    }

    // A settings file cut short anywhere, as a full disk or a crash of
    // another writer leaves it, loads with a report, or whole.
    void aSettingsFileCutAnywhereIsNeverTakenForWhole()
    {
        const QString text = joined({"7", "Bolt (hex)", "=x; y", "0.25", "", "", "", "", "No"});
        setStoredValue(text);
        const QByteArray whole = bytesOf(settingsFile());
        for (qsizetype cut = 1; cut < whole.size(); ++cut) {
            // A folder for each cut: the settings store keeps what it read
            // of a file.
            useSettingsFolder(QDir(settingsDir->path()).filePath(QString::number(cut)));
            QVERIFY(QDir().mkpath(settingsFolder));
            writeSettingsFile(whole.left(cut));
            const records::StoredValue stored = records::readStoredValue();
            QVERIFY2(!stored.fault.isEmpty() || stored.text == text, qPrintable(QString::number(cut)));
        }
    }

    // TEMP names a folder that cannot take the workbook: the run reports at
    // the save line, goes on as its error trap does, and opens the preview
    // without a picture. No file is left in the folder, half written or
    // empty, and the main window's list is untouched.
    void aTemporaryFolderThatCannotTakeTheWorkbookIsReportedAtTheSaveLine_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("no room for the workbook") << "no room";
    }
    void aTemporaryFolderThatCannotTakeTheWorkbookIsReportedAtTheSaveLine()
    {
        QFETCH(QString, way);
        QString folder = temp->path();
        if (way == QLatin1String("missing")) {
            folder = inTemp(QStringLiteral("missing"));
        } else if (way == QLatin1String("read-only")) {
            folder = readOnlyFolder(temp->path());
            if (folder.isEmpty())
                QSKIP("no folder refuses new files to this process");
        }
        support::setTemporaryFolder(folder);
        const QStringList before = filesIn(folder);
        MainWindow w;
        w.start();
        support::fillItems(w.form->items(), manyItems(200));
        {
            std::optional<FileSizeLimit> limit;
            if (way == QLatin1String("no room"))
                limit.emplace(4096);
            generate(w);
        }

        // Once, by the save: no snapshot is taken of a workbook that is not there.
        QCOMPARE(support::reportedLines(*services), lines(kRun, {158}));
        Form2& preview = w.windows->preview();
        const QString workbook = preview.excelFile();
        QCOMPARE(QFileInfo(workbook).absolutePath(), QFileInfo(folder).absoluteFilePath());
        const QString saveReport = services->errorReports().front().text;
        QVERIFY2(saveReport.startsWith(QStringLiteral("SaveAs: Cannot save the workbook as \"%1\": ").arg(workbook)),
                 qPrintable(saveReport));
        QVERIFY2(!saveReport.contains(QLatin1String("Unknown error")), qPrintable(saveReport)); // the reason is named
        QVERIFY(preview.isVisible());
        QVERIFY(controlsOf(preview).Picture1->picture().isNull());
        QVERIFY(!w.form->isVisible());
        QCOMPARE(w.form->items().Count(), 200);
        QCOMPARE(w.form->mousePointer(), MousePointer::Default);
        QCOMPARE(shell::lockedWindow(), nullptr);
        QCOMPARE(filesIn(folder), before);
        if (way == QLatin1String("missing"))
            QVERIFY(!QFileInfo::exists(folder));

        checkPreviewStaysUsable(preview, w, 200);
    }

    // A stored list longer than a sheet holds: "Start Creating Template"
    // says so, with the count and the limit, before anything starts; no
    // workbook is made, the window stays, and the list is stored unchanged.
    void aListLongerThanTheSheetIsRefusedBeforeTheRun()
    {
        QString stored;
        for (const QStringList& row : manyItems(70000))
            stored += joined(row);
        setStoredValue(stored);
        MainWindow w;
        w.start();
        QCOMPARE(w.form->items().Count(), 70000);
        services->clear();

        QTest::mouseClick(w.button("PushButton1"), Qt::LeftButton);

        QCOMPARE(services->texts(),
                 QStringList{QStringLiteral("The list has 70000 items, more than a sheet holds: it has room for 65534 "
                                            "items.\r\nDelete items to create the template; nothing was created.")});
        QCOMPARE(w.windows->loadedPreview(), nullptr);
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.form->mousePointer(), MousePointer::Default);
        QCOMPARE(shell::lockedWindow(), nullptr);
        QCOMPARE(filesIn(temp->path()), QStringList());
        w.form->close();
        QCOMPARE(storedValue(), stored);
    }

    // Two copies of the program run at once in the system's temporary folder
    // (TEMP unset), where somebody has put a link "temp.bmp" to a file of the
    // user's, and where a run that never ended left a workbook two days ago.
    // The start-up removes the old workbook; the second run goes all the way
    // while the first one's picture waits to be loaded. Each run writes its
    // workbook and picture into files of its own, for the user alone, and
    // previews its own list; the link and the file it points at stay as they
    // were.
    void twoRunsAtOnceInTheSystemFolderEachPreviewTheirOwnList()
    {
        support::setTemporaryFolder({});
        qputenv("TMPDIR", QFile::encodeName(temp->path()));
        const QString mine = inTemp(QStringLiteral("mine.txt"));
        writeBytes(mine, "the user's own");
        QVERIFY(QFile::setPermissions(mine, QFile::ReadOwner));
        const QString planted = inTemp(QStringLiteral("temp.bmp"));
        QVERIFY(QFile::link(mine, planted));
        const QString leftover = support::writeAged(inTemp(QStringLiteral("kintra12345678.xls")), "left", 48);

        MainWindow first;
        QVERIFY(first.windows->start());
        QVERIFY(!QFileInfo::exists(leftover));
        support::fillItems(first.form->items(), manyItems(1));
        MainWindow second;
        second.start();
        support::fillItems(second.form->items(), manyItems(20));
        QStringList bitmaps;
        std::vector<unsigned> modes;
        support::WatchedWindows firstRun(*first.windows);
        support::WatchedWindows secondRun(*second.windows);
        secondRun.whilePictureWaits = [&] {
            bitmaps = QDir(temp->path()).entryList({QStringLiteral("temp-*.bmp")}, QDir::Files);
            for (const QString& name : bitmaps)
                modes.push_back(support::modeOf(inTemp(name)));
        };
        firstRun.whilePictureWaits = [&] { InventoryList::GenerateReport0(second.form->items().records(), secondRun); };
        InventoryList::GenerateReport0(first.form->items().records(), firstRun);
        qunsetenv("TMPDIR");

        QVERIFY2(services->errorReports().empty(), qPrintable(services->texts().join(QLatin1Char('\n'))));
        QCOMPARE(bitmaps.size(), 2);
        QCOMPARE(modes, std::vector<unsigned>(2, 0600));
        const Form2& firstPreview = first.windows->preview();
        const Form2& secondPreview = second.windows->preview();
        QVERIFY(firstPreview.excelFile() != secondPreview.excelFile());
        QCOMPARE(support::modeOf(firstPreview.excelFile()), 0600u);
        QCOMPARE(support::modeOf(secondPreview.excelFile()), 0600u);
        // One item against twenty: the second picture is the taller.
        const QImage firstPicture = controlsOf(firstPreview).Picture1->picture();
        const QImage secondPicture = controlsOf(secondPreview).Picture1->picture();
        QVERIFY(!firstPicture.isNull());
        QVERIFY(!secondPicture.isNull());
        QVERIFY2(firstPicture.height() < secondPicture.height(),
                 qPrintable(QStringLiteral("%1 < %2").arg(firstPicture.height()).arg(secondPicture.height())));
        QVERIFY(QDir(temp->path()).entryList({QStringLiteral("temp-*")}, QDir::Files).isEmpty());
        QCOMPARE(QFileInfo(planted).symLinkTarget(), QFileInfo(mine).absoluteFilePath());
        QCOMPARE(bytesOf(mine), QByteArray("the user's own"));
        QCOMPARE(support::modeOf(mine), 0400u);
    }

    // The folder chosen for the copy goes away while the preview is open, or
    // has no room for it: the save reports at line 130 naming the file, then
    // says "Done."; nothing is left half written, and the next save to a good
    // folder works.
    void aSaveThatCannotWriteTheCopyIsReportedAndTheNextSaveWorks_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("folder removed") << "removed";
        QTest::newRow("no room for the copy") << "no room";
    }
    void aSaveThatCannotWriteTheCopyIsReportedAndTheNextSaveWorks()
    {
        QFETCH(QString, way);
        MainWindow w;
        Form2& preview = previewOfAGoodRun(w);
        const QByteArray workbook = bytesOf(preview.excelFile());
        QVERIFY(workbook.size() > 4096);
        const QString targets = inTemp(QStringLiteral("targets"));
        QVERIFY(QDir().mkpath(targets));
        const QString target = QDir(targets).filePath(QStringLiteral("Stock.xls"));
        const QString old = QDir(targets).filePath(QStringLiteral("Old.xls"));
        writeBytes(old, "last week's list");

        if (way == QLatin1String("removed")) {
            QVERIFY(QDir(targets).removeRecursively());
            saveAs(preview, target);
        } else {
            const FileSizeLimit limit(4096);
            saveAs(preview, target);
            services->answers.push_back(shell::MessageAnswer::Yes);
            saveAs(preview, old);
        }

        const int failedSaves = way == QLatin1String("removed") ? 1 : 2;
        QCOMPARE(support::reportedLines(*services), QStringList(failedSaves, kSave + QStringLiteral("130")));
        const QString report = services->errorReports().front().text;
        QVERIFY2(report.startsWith(QStringLiteral("The workbook could not be saved as ") + target + QStringLiteral(": ")),
                 qPrintable(report));
        QVERIFY2(!report.contains(QLatin1String("Unknown error")), qPrintable(report));
        QVERIFY(!services->texts().contains(QStringLiteral("Done."))); // nothing was saved
        QVERIFY(!QFileInfo::exists(target));
        if (way == QLatin1String("removed")) {
            QVERIFY(!QFileInfo::exists(targets));
        } else {
            QCOMPARE(bytesOf(old), QByteArray("last week's list"));
            QCOMPARE(filesIn(targets), QStringList{QStringLiteral("Old.xls")});
        }
        QCOMPARE(bytesOf(preview.excelFile()), workbook);

        services->clear();
        const QString good = inTemp(QStringLiteral("Good.xls"));
        saveAs(preview, good);
        QCOMPARE(services->texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(bytesOf(good), workbook);
        checkPreviewStaysUsable(preview, w, 2);
    }

    // Another program deletes the temporary workbook before the save: the
    // save says which file went and what to do, copies nothing, leaves an
    // existing file of the chosen name whole, and the preview goes on.
    void aTemporaryWorkbookDeletedBeforeTheSaveIsReportedAndThePreviewGoesOn()
    {
        MainWindow w;
        Form2& preview = previewOfAGoodRun(w);
        const QString workbook = preview.excelFile();
        QVERIFY(QFile::remove(workbook));
        const QString fresh = inTemp(QStringLiteral("Stock.xls"));
        const QString old = inTemp(QStringLiteral("Old.xls"));
        writeBytes(old, "last week's list");
        const QStringList before = filesIn(temp->path());

        saveAs(preview, fresh);
        services->answers.push_back(shell::MessageAnswer::Yes);
        saveAs(preview, old);

        QCOMPARE(support::reportedLines(*services), QStringList(2, kSave + QStringLiteral("130")));
        for (const shell::MessageRequest& report : services->errorReports())
            QVERIFY2(report.text.startsWith(QStringLiteral("The generated workbook %1 is not there: ").arg(workbook)),
                     qPrintable(report.text));
        QVERIFY(!services->texts().contains(QStringLiteral("Done.")));
        QCOMPARE(filesIn(temp->path()), before);
        QCOMPARE(bytesOf(old), QByteArray("last week's list"));
        checkPreviewStaysUsable(preview, w, 2);
    }
};

QTEST_MAIN(UserFaultsTest)
#include "userfaults_test.moc"
