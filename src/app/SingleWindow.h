#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One window a user (a settings store): the first start holds a lock file
// beside the settings file for as long as it runs and listens on a local
// socket in the user's own runtime folder; a later start asks it to come
// forward and ends, so two copies never hold rival lists. The command line
// is not held back by it.
class SingleWindow : public QObject {
    Q_OBJECT

public:
    SingleWindow();
    ~SingleWindow() override;

    // True when this start is the window; false when a window runs already,
    // which was asked to come forward.
    bool claim();

signals:
    // Another start asked the window to come forward.
    void comeForward();

private:
    void listen();
    bool askToComeForward() const;

    QString m_socket;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
