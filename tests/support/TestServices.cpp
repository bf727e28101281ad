#include "support/TestServices.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

TestServices::TestServices()
{
    shell::Services::install(this);
    shell::Services::resetApplicationEnded();
}

TestServices::~TestServices() { shell::Services::install(nullptr); }

shell::MessageAnswer TestServices::showMessage(const shell::MessageRequest& request)
{
    messages.push_back(request);
    if (request.buttons == shell::MessageButtons::Ok)
        return shell::MessageAnswer::Ok;
    if (answers.empty())
        return shell::MessageAnswer::Yes;
    const shell::MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
}

QString TestServices::saveFileName(QWidget*, const shell::SaveDialogRequest& request)
{
    saveRequests.push_back(request);
    if (savePaths.empty())
        return {};
    QString p = savePaths.front();
    savePaths.pop_front();
    return p;
}

QString TestServices::openFileName(QWidget*, const shell::OpenDialogRequest& request)
{
    openRequests.push_back(request);
    if (openPaths.empty())
        return {};
    QString p = openPaths.front();
    openPaths.pop_front();
    return p;
}

QString TestServices::ownApplicationFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

void TestServices::endApplication()
{
    ++endCalls;
    shell::Services::endApplication();
}

QImage TestServices::clipboardImage()
{
    ++clipboardAttempts;
    if (!scriptedClipboard)
        return shell::Services::clipboardImage();
    if (clipboardImages.empty())
        return {};
    QImage i = clipboardImages.front();
    clipboardImages.pop_front();
    return i;
}

int TestServices::randomDigit()
{
    if (digits.empty())
        return shell::Services::randomDigit();
    const int d = digits.front();
    digits.pop_front();
    return d;
}

QStringList TestServices::texts() const
{
    QStringList t;
    for (const auto& m : messages)
        t << m.text;
    return t;
}

std::vector<shell::MessageRequest> TestServices::errorReports() const
{
    std::vector<shell::MessageRequest> r;
    for (const auto& m : messages)
        if (m.title == QLatin1String("Application Error"))
            r.push_back(m);
    return r;
}

void TestServices::clear()
{
    messages.clear();
    saveRequests.clear();
    openRequests.clear();
    endCalls = 0;
    clipboardAttempts = 0;
}

void isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    // Test programs run side by side: each keeps its settings in a folder of
    // its own, removed when the program ends, so one never reads another's.
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/quorvale-settings-XXXXXX"));
    if (!folder.isValid())
        qFatal("Cannot create a settings folder for the test: %s", qPrintable(folder.errorString()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
}
