#include "app/SingleWindow.h"

#include "records/SettingsFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace {

constexpr char ComeForward[] = "come forward\n";
// How long a later start tries to reach a window that is still starting.
constexpr int ReachTries = 30;
constexpr int ReachPauseMs = 100;

} // namespace

SingleWindow::SingleWindow()
{
    const QString settings = records::settingsFilePath();
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(settings), QCryptographicHash::Sha1).toHex();
    m_socket = QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                   .filePath(QStringLiteral("quorvale-") + QString::fromLatin1(hash.left(16)));
    QDir().mkpath(QFileInfo(settings).absolutePath());
    m_lock = std::make_unique<QLockFile>(settings + QStringLiteral(".window.lock"));
    m_lock->setStaleLockTime(0); // taken over only when its window's process is gone
}

SingleWindow::~SingleWindow() = default;

bool SingleWindow::claim()
{
    if (m_lock->tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        // The lock cannot be made (a read-only folder): the window starts,
        // alone as far as can be told, and its store says what is wrong.
        listen();
        return true;
    }
    if (askToComeForward())
        return false;
    qint64 pid = 0;
    QString host;
    QString program;
    m_lock->getLockInfo(&pid, &host, &program);
    std::fprintf(stderr, "quorvale: the window is open already (process %lld) and could not be reached\n",
                 static_cast<long long>(pid));
    return false;
}

void SingleWindow::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socket)) {
        // Left by a window that did not end: this start holds the lock now.
        QLocalServer::removeServer(m_socket);
        m_server->listen(m_socket);
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
                if (caller->readAll().contains(ComeForward))
                    emit comeForward();
                caller->disconnectFromServer();
            });
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        }
    });
}

bool SingleWindow::askToComeForward() const
{
    for (int attempt = 0; attempt < ReachTries; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_socket);
        if (socket.waitForConnected(1000)) {
            socket.write(ComeForward);
            socket.waitForBytesWritten(1000);
            socket.waitForDisconnected(1000);
            return true;
        }
        QThread::msleep(ReachPauseMs); // the window may still be starting
    }
    return false;
}
