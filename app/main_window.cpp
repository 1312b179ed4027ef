#include "app/main_window.h"

namespace yz {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("砚舟视频剪辑工具"));
}

} // namespace yz
