#include "app/main_window.h"
#include "app/theme.h"
#include "tool/path_helpers.h"
#include "tool/run_directory.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("yanzhou"));
    yz::applyTheme(app);

    // The settings file's place is fixed before anything reads it.
    yz::ensureFolder(yz::parentFolder(yz::settingsPath()));

    yz::MainWindow window;
    window.show();
    return app.exec();
}
