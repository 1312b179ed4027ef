#include "app/init_window.h"

#include "app/pictures.h"
#include "tool/path_helpers.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace yz {

InitWindow::InitWindow(const QString &toolPath, QWidget *parent)
    : QDialog(parent), m_toolPath(toolPath), m_timer(new QTimer(this)),
      m_watcher(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("InitWindow"));
    setWindowTitle(QStringLiteral("正在初始化程序"));
    setFixedSize(645, 250);
    setModal(true);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("图片框1"));
    picture->setPixmap(initPicture(96));
    auto *text = new QLabel(QStringLiteral("首次使用，正在初始化程序，请稍等……"), this);
    text->setObjectName(QStringLiteral("标签1"));
    text->setWordWrap(true);
    text->setStyleSheet(QStringLiteral("font-size: 14pt; color: #25303d;"));

    // Moves while the installer is fetched and runs, so the wait does not look like a hang.
    auto *busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setMaximumHeight(8);

    auto *column = new QVBoxLayout;
    column->addStretch(1);
    column->addWidget(text);
    column->addSpacing(14);
    column->addWidget(busy);
    column->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setSpacing(28);
    layout->addWidget(picture);
    layout->addLayout(column, 1);

    m_timer->setObjectName(QStringLiteral("时钟1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &InitWindow::checkTool);
    m_timer->start();

    const QString folder = parentFolder(toolPath);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &InitWindow::checkTool);
}

void InitWindow::checkTool() {
    if (QFileInfo::exists(m_toolPath)) {
        m_timer->stop();
        accept();
    }
}

} // namespace yz
