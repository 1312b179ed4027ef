#include "app/theme.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace yz {

namespace {

// The first installed family of these gives the Chinese glyphs; the rest are fallbacks the
// font machinery tries in turn.
QStringList preferredFamilies() {
    return {QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Source Han Sans SC"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei"),
            QStringLiteral("PingFang SC"),         QStringLiteral("SimHei")};
}

const char *const kStyleSheet = R"(
QMainWindow, QTabWidget > QWidget { background: #f4f6fa; }
QTabWidget::pane { border: 1px solid #d5dbe5; border-radius: 6px; background: #f9fafc; top: -1px; }
QTabBar::tab { background: #e6eaf1; color: #34404f; padding: 5px 18px; margin-right: 2px;
               border: 1px solid #d5dbe5; border-bottom: none; border-top-left-radius: 5px;
               border-top-right-radius: 5px; }
QTabBar::tab:selected { background: #f9fafc; color: #1d5fc4; font-weight: bold; }

QGroupBox { border: 1px solid #d5dbe5; border-radius: 6px; margin-top: 11px; background: #ffffff;
            padding: 4px 6px 4px 6px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 10px;
                   padding: 0 4px; color: #1d5fc4; font-weight: bold; }

QPushButton { background: #ffffff; border: 1px solid #c3ccd9; border-radius: 4px; padding: 4px 10px;
              color: #25303d; min-height: 18px; }
QPushButton:hover { background: #eef4ff; border-color: #7aa7ea; }
QPushButton:pressed { background: #dce8fb; }
QPushButton:disabled { color: #9aa4b1; background: #f1f3f6; border-color: #d9dee6; }

QPushButton[startButton="true"] { background: #2f7cf6; color: #ffffff; border: 1px solid #1f63cf;
                                  border-radius: 6px; font-size: 11pt; font-weight: bold;
                                  padding: 6px 18px; }
QPushButton[startButton="true"]:hover { background: #4a8ff8; }
QPushButton[startButton="true"]:pressed { background: #1f63cf; }
QPushButton[startButton="true"]:disabled { background: #a9c4ee; border-color: #a0b8de; color: #eef3fb; }

QToolButton[pageButton="true"] { background: #ffffff; border: 1px solid #c9d2de; border-radius: 8px;
                                 padding: 6px 16px; font-size: 12pt; font-weight: bold; color: #2a3644; }
QToolButton[pageButton="true"]:hover { background: #eef4ff; border-color: #7aa7ea; }
QToolButton[pageButton="true"]:checked { background: #2f7cf6; border-color: #1f63cf; color: #ffffff; }

QTableView { background: #ffffff; border: 1px solid #cfd6e0; gridline-color: #e3e7ee;
             selection-background-color: #cfe0fb; selection-color: #10243f; }
QHeaderView::section { background: #eef1f6; border: none; border-right: 1px solid #d8dee7;
                       border-bottom: 1px solid #d8dee7; padding: 3px 6px; color: #34404f; }

QLineEdit { background: #ffffff; border: 1px solid #c3ccd9; border-radius: 4px; padding: 3px 6px; }
QLineEdit:focus { border-color: #2f7cf6; }

QLabel[countLabel="true"] { color: #5b6777; }
QProgressBar { border: 1px solid #c3ccd9; border-radius: 4px; background: #ffffff; text-align: center;
               max-height: 12px; }
QProgressBar::chunk { background: #2f7cf6; border-radius: 3px; }
)";

} // namespace

void applyTheme(QApplication &app) {
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);

    QPalette palette = app.style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xf4, 0xf6, 0xfa));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x7c, 0xf6));
    app.setPalette(palette);

    QFont font = app.font();
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString &family : preferredFamilies()) {
        if (installed.contains(family))
            families << family;
    }
    if (!families.isEmpty()) {
        families << font.families();
        font.setFamilies(families);
    }
    font.setPointSize(10);
    app.setFont(font);

    app.setStyleSheet(QString::fromUtf8(kStyleSheet));
}

} // namespace yz
