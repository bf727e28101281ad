#pragma once

#include <QObject>

class QSocketNotifier;

namespace shell {

// The signals by which the system or the user tells the program to stop
// (SIGTERM, SIGHUP, SIGINT), turned into a Qt signal of the event loop. The
// handlers only write a byte to a pipe, which the loop reads; they stay
// installed, so a second signal while the program stops does not cut the
// stop short. One object for the whole program.
class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace shell
