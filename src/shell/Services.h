#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace shell {

enum class MessageIcon { None, Exclamation };
enum class MessageButtons { Ok, YesNo };
// The values of the platform's message-box answers.
enum class MessageAnswer { Ok = 1, Yes = 6, No = 7 };

struct MessageRequest {
    QString text; // as the program builds it, "\r\n" and "\r" included
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString details; // shown on request, under the text: a long list
};

struct SaveDialogRequest {
    QString fileName;
    QString title;
    QString filter; // in the "Description|pattern|" form
};

struct OpenDialogRequest {
    QString title;
    QString filter; // in the "Description|pattern|" form
};

// Every effect that a test must see or steer goes through the one installed
// Services object: message boxes, the save dialog, the end of the
// application, the clipboard picture, the random digits of temporary names
// and the application's folder. The default shows real boxes and dialogs; tests install their own.
class Services {
public:
    virtual ~Services() = default;

    // Shows a modal message box and returns the button pressed.
    virtual MessageAnswer showMessage(const MessageRequest& request);
    // Shows the modal save dialog; returns the chosen path, or "" on cancel.
    virtual QString saveFileName(QWidget* parent, const SaveDialogRequest& request);
    // Shows the modal open dialog for an existing file; returns the chosen
    // path, or "" on cancel.
    virtual QString openFileName(QWidget* parent, const OpenDialogRequest& request);
    // Ends the application at once: no closing handler of any window runs.
    virtual void endApplication();
    // One attempt to read a picture from the clipboard; null when none.
    virtual QImage clipboardImage();
    // A digit from 1 to 9, drawn from a properly seeded random source.
    virtual int randomDigit();
    // The application's folder, which may hold the files that change the
    // look ("HAND-M.CUR").
    virtual QString applicationFolder();

    static Services& current();
    // Installs s (not owned); nullptr puts the default back.
    static void install(Services* s);

    // Whether endApplication has been called in this process.
    static bool applicationEnded();
    static void resetApplicationEnded();
};

// A message box without a title of its own: the application title shows.
MessageAnswer MsgBox(const QString& text, MessageButtons buttons = MessageButtons::Ok);

// Asks in the save dialog for a file to write: a name without an extension
// gets extension ("csv" gives "items.csv"), and a file already there is
// replaced only when the user says Yes. "" when cancelled or declined.
QString chooseFileToWrite(QWidget* parent, const SaveDialogRequest& request, const QString& extension);

// Freezes the drawing of window (LockWindowUpdate); nullptr releases it.
// Only one window is frozen at a time.
void LockWindowUpdate(QWidget* window);
QWidget* lockedWindow();

} // namespace shell
