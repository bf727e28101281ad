#pragma once

#include "shell/Services.h"

#include <QString>
#include <QTemporaryDir>

// The program without a display, started as main() starts it, for the
// tests, the benchmarks and the fuzz seed maker.
namespace support {

// Before the application object is made: Qt's offscreen platform, so no
// display is needed, and the standard folders of Qt's test mode, so the
// user's settings are never touched.
void prepareHeadless();

// The servers main() registers: the built-in spreadsheet application and
// the platform's file object.
void registerServers();

// In place of the built-in spreadsheet application, one that can always be
// started and does nothing: enough for the main window's start-up check.
void registerIdleSpreadsheet();

// TEMP names path from now on; an empty path unsets it.
void setTemporaryFolder(const QString& path);

// Services that nobody answers: a box is a fault of the program, told on
// standard error, and the process ends with status 1.
class QuietServices : public shell::Services {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override;
    void endApplication() override {}
};

// The rest of a headless start, undone when it goes: a temporary folder of
// its own as TEMP, the servers, and quiet services.
class Headless {
public:
    Headless();
    ~Headless();
    Headless(const Headless&) = delete;
    Headless& operator=(const Headless&) = delete;

    QString temporaryFolder() const { return m_temp.path(); }

private:
    QTemporaryDir m_temp;
    QuietServices m_services;
};

} // namespace support
