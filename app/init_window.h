#pragma once

#include <QDialog>

class QFileSystemWatcher;
class QTimer;

namespace yz {

/// "正在初始化程序": shown while the tool is being provisioned on first use. Modal over the
/// main window; closes itself within a second after the tool appears at `toolPath`, or
/// when the user closes it.
class InitWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InitWindow)

public:
    explicit InitWindow(const QString &toolPath, QWidget *parent = nullptr);

    /// Closes the window when the tool is there; otherwise keeps waiting.
    void checkTool();

private:
    const QString m_toolPath;
    QTimer *m_timer;               // 时钟1: checks once a second
    QFileSystemWatcher *m_watcher; // notices the tool at once where the system reports it
};

} // namespace yz
