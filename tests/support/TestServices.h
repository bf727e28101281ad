#pragma once

#include "shell/Services.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// Services for tests: records every message box, save dialog and end of the
// application, and answers them from scripted queues. Installed for its
// lifetime.
class TestServices : public shell::Services {
public:
    TestServices();
    ~TestServices() override;
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override;
    QString saveFileName(QWidget* parent, const shell::SaveDialogRequest& request) override;
    QString openFileName(QWidget* parent, const shell::OpenDialogRequest& request) override;
    void endApplication() override;
    QImage clipboardImage() override;
    int randomDigit() override;
    // A folder of this test program's own, so that a cursor file one test
    // puts there is never seen by another program's windows.
    QString applicationFolder() override { return ownApplicationFolder(); }
    static QString ownApplicationFolder();

    // What happened.
    std::vector<shell::MessageRequest> messages;
    std::vector<shell::SaveDialogRequest> saveRequests;
    std::vector<shell::OpenDialogRequest> openRequests;
    int endCalls = 0;
    int clipboardAttempts = 0;

    // Scripted answers. A Yes/No box with no scripted answer answers Yes; the
    // save dialog with no scripted path is cancelled ("").
    std::deque<shell::MessageAnswer> answers;
    std::deque<QString> savePaths;
    std::deque<QString> openPaths; // the open dialog's, cancelled when empty
    // When set, clipboard reads come from here (a null image fails an
    // attempt); otherwise the real clipboard is read.
    bool scriptedClipboard = false;
    std::deque<QImage> clipboardImages;
    // When not empty, random digits come from here.
    std::deque<int> digits;

    // Texts of the messages shown, in order.
    QStringList texts() const;
    // Only the procedure error reports ("Application Error" boxes).
    std::vector<shell::MessageRequest> errorReports() const;
    void clear();
};

// Puts QStandardPaths into test mode and the user's settings into a folder
// of this test program's own, so settings never touch the user's or another
// test's.
void isolateSettings();
