#pragma once

#include <QObject>

class QSocketNotifier;

namespace yz::cli {

/// Turns Ctrl+C (SIGINT) and SIGTERM into a signal of the event loop. The signal handler
/// only writes one byte into a pipe; the loop reads it, so nothing else runs in the handler.
/// One instance at a time.
class Interrupts final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Interrupts)

public:
    explicit Interrupts(QObject *parent = nullptr);
    ~Interrupts() override;

Q_SIGNALS:
    /// A Ctrl+C (`terminate` false) or a request to end (`terminate` true) arrived.
    void interrupted(bool terminate);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace yz::cli
