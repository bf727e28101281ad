#include "core/Error.h"
#include "preview/FileCopy.h"
#include "preview/Form2.h"
#include "support/PreviewControls.h"
#include "support/TestServices.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

const QString SavePath = QStringLiteral("in Quorvale2021/08/31.Form2.PushButton6_Click ");

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat statOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        qFatal("no file %s", qPrintable(path));
    return info;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

// "Save Results To Excel File": the dialog, the overwrite question, the copy
// and the "Done." that follows a copy, and nothing else.
class Form2SaveTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray workbookBytes;
    std::unique_ptr<Form2> form;

    Form2& preview() { return *form; }
    QString inDir(const QString& name) const { return dir->filePath(name); }

    // Chooses path in the dialog and clicks the save button.
    void saveAs(const QString& path)
    {
        services->savePaths.push_back(path);
        QTest::mouseClick(controlsOf(preview()).PushButton6, Qt::LeftButton);
    }

    QStringList filesInDir() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void init()
    {
        services = std::make_unique<TestServices>();
        form = std::make_unique<Form2>();
        form->Form_Load();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        // Bytes of every value, a workbook's NULs and high bytes included.
        workbookBytes.clear();
        for (int i = 0; i < 70000; ++i)
            workbookBytes.append(char(i * 7 % 256));
        write(inDir(QStringLiteral("kintra13572468.xls")), workbookBytes);
        preview().showResult(QImage(), inDir(QStringLiteral("kintra13572468.xls")));
        QFile::setPermissions(preview().excelFile(), QFile::ReadOwner | QFile::WriteOwner); // as a run makes it
    }
    void cleanup()
    {
        form.reset();
        services.reset();
        dir.reset();
    }

    void dialogOpensEmptyWithTitleAndFilter();
    void cancelCopiesNothingAndSaysNothing();
    void newNameIsCopiedWithoutAQuestion();
    void existingNameAnsweredNoIsLeftAlone();
    void existingNameAnsweredYesIsReplaced();
    void nameWithoutExtensionIsUsedAsTyped();
    void sameNameTwiceAsksTheSecondTime();
    void missingFolderIsReportedAtLine130();
    void readOnlyFolderIsReportedAtLine130();
    void failedCopyLeavesTheOldFileWhole();
    void temporaryWorkbookAsTargetSurvives();
    void readOnlyTargetIsReplaced();
};

void Form2SaveTest::dialogOpensEmptyWithTitleAndFilter()
{
    saveAs(inDir(QStringLiteral("First.xls")));
    saveAs(QString());
    QCOMPARE(services->saveRequests.size(), std::size_t(2));
    for (const auto& request : services->saveRequests) {
        QCOMPARE(request.fileName, QString());
        QCOMPARE(request.title, QStringLiteral("Save File"));
        QCOMPARE(request.filter, QStringLiteral("Excel Files (*.xls)|*.xls|"));
    }
}

void Form2SaveTest::cancelCopiesNothingAndSaysNothing()
{
    const QStringList before = filesInDir();
    saveAs(QString());
    QCOMPARE(filesInDir(), before);
    QVERIFY(services->messages.empty());
    QCOMPARE(contents(preview().excelFile()), workbookBytes);
}

void Form2SaveTest::newNameIsCopiedWithoutAQuestion()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    saveAs(target);
    QCOMPARE(contents(target), workbookBytes);
    // The user's default, not the temporary workbook's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(statOf(target).st_mode & 07777, 0666 & ~mask);
    QCOMPARE(services->texts(), QStringList{QStringLiteral("Done.")});
    QCOMPARE(services->messages.front().buttons, shell::MessageButtons::Ok);
    // The source stays for further saves, and no temporary file is left.
    QCOMPARE(contents(preview().excelFile()), workbookBytes);
    QCOMPARE(filesInDir(), (QStringList{QStringLiteral("Stock.xls"), QStringLiteral("kintra13572468.xls")}));
}

void Form2SaveTest::existingNameAnsweredNoIsLeftAlone()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    write(target, "the old list");
    services->answers.push_back(shell::MessageAnswer::No);
    saveAs(target);

    QCOMPARE(contents(target), QByteArray("the old list"));
    QCOMPARE(services->texts(),
             QStringList{QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?")});
    const shell::MessageRequest& question = services->messages.front();
    QCOMPARE(question.buttons, shell::MessageButtons::YesNo);
    QCOMPARE(question.icon, shell::MessageIcon::None);
}

// The new file keeps the old one's mode and group: a list kept from others
// stays so.
void Form2SaveTest::existingNameAnsweredYesIsReplaced()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    write(target, "the old list, longer than nothing");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    // Only the superuser can give a file a group it is not a member of.
    const gid_t group = ::chown(QFile::encodeName(target).constData(), uid_t(-1), 65534) == 0 ? 65534 : ::getegid();
    services->answers.push_back(shell::MessageAnswer::Yes);
    saveAs(target);

    QCOMPARE(contents(target), workbookBytes);
    QCOMPARE(statOf(target).st_mode & 07777, 0640u);
    QCOMPARE(statOf(target).st_gid, group);
    QCOMPARE(services->texts().size(), 2);
    QCOMPARE(services->texts().last(), QStringLiteral("Done."));
    QVERIFY(services->errorReports().empty());
}

void Form2SaveTest::nameWithoutExtensionIsUsedAsTyped()
{
    const QString target = inDir(QStringLiteral("Stock"));
    saveAs(target);
    QCOMPARE(contents(target), workbookBytes);
    QVERIFY(!QFile::exists(target + QStringLiteral(".xls")));
}

void Form2SaveTest::sameNameTwiceAsksTheSecondTime()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    saveAs(target);
    QCOMPARE(services->texts(), QStringList{QStringLiteral("Done.")});
    saveAs(target);
    QCOMPARE(services->texts().size(), 3);
    QVERIFY(services->texts().at(1).startsWith(QStringLiteral("Are you sure you wish to overwrite ")));
    QCOMPARE(contents(target), workbookBytes);
}

void Form2SaveTest::missingFolderIsReportedAtLine130()
{
    const QString target = inDir(QStringLiteral("no such folder/Stock.xls"));
    saveAs(target);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(services->messages.size(), std::size_t(1)); // the report, and no "Done."
    const auto reports = services->errorReports();
    QCOMPARE(reports.size(), std::size_t(1));
    QVERIFY(reports.front().text.contains(SavePath + QStringLiteral("at line 130\r\r")));
}

void Form2SaveTest::readOnlyFolderIsReportedAtLine130()
{
    if (geteuid() == 0)
        QSKIP("the superuser writes into read-only folders");
    const QString folder = inDir(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    saveAs(folder + QStringLiteral("/Stock.xls"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(QDir(folder).isEmpty());
    QCOMPARE(services->errorReports().size(), std::size_t(1));
    QVERIFY(services->errorReports().front().text.contains(QStringLiteral("at line 130")));
    QVERIFY(!services->texts().contains(QStringLiteral("Done.")));
}

void Form2SaveTest::failedCopyLeavesTheOldFileWhole()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    write(target, "last week's list");
    QVERIFY(QFile::remove(preview().excelFile())); // the source has gone
    services->answers.push_back(shell::MessageAnswer::Yes);
    saveAs(target);

    QCOMPARE(contents(target), QByteArray("last week's list"));
    QCOMPARE(services->errorReports().size(), std::size_t(1));
    QVERIFY(services->errorReports().front().text.contains(SavePath + QStringLiteral("at line 130")));
    QVERIFY(!services->texts().contains(QStringLiteral("Done.")));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("Stock.xls")});

    // The copy itself says what went wrong.
    QVERIFY_THROWS_EXCEPTION(quorvale::Error, preview::copyFileReplacing(preview().excelFile(), target));
}

void Form2SaveTest::temporaryWorkbookAsTargetSurvives()
{
    services->answers.push_back(shell::MessageAnswer::Yes);
    saveAs(preview().excelFile());
    QCOMPARE(contents(preview().excelFile()), workbookBytes);
    QVERIFY(services->errorReports().empty());
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("kintra13572468.xls")});
}

void Form2SaveTest::readOnlyTargetIsReplaced()
{
    const QString target = inDir(QStringLiteral("Stock.xls"));
    write(target, "a read-only list");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
    services->answers.push_back(shell::MessageAnswer::Yes);
    saveAs(target);
    QCOMPARE(contents(target), workbookBytes);
    QVERIFY(services->errorReports().empty());
}

QTEST_MAIN(Form2SaveTest)
#include "Form2Save_test.moc"
