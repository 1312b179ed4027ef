#include "app/main_window.h"

#include "app/clip_page.h"
#include "app/convert_controller.h"
#include "app/convert_page.h"
#include "app/init_window.h"
#include "app/list_commands.h"
#include "app/merge_counts.h"
#include "app/merge_page.h"
#include "app/pictures.h"
#include "app/progress_area.h"
#include "app/theme.h"
#include "app/tool_provisioner.h"
#include "app/video_list_view.h"
#include "jobs/convert/convert_job.h"
#include "lists/video_list.h"
#include "tool/path_helpers.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"
#include "tool/tool_runner.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace yz {

namespace {

const QString kTitle = QStringLiteral("砚舟视频剪辑工具");
const QString kNoticeTitle = QStringLiteral("友情提示：");

QString homepageUrl() {
    return SettingsFile::standard().read(ToolProvisioner::settingsSection(), QStringLiteral("官网地址"),
                                         QStringLiteral("https://yanzhou.example.com/"));
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), m_convertList(new VideoList(ListKind::Convert, this)),
      m_mergeFirstList(new VideoList(ListKind::Merge1, this)),
      m_mergeSecondList(new VideoList(ListKind::Merge2, this)),
      m_clipList(new VideoList(ListKind::Clip, this)) {
    // The settings file's folder comes first: everything below may read or write settings.
    ensureFolder(parentFolder(settingsPath()));

    setWindowTitle(kTitle);
    setWindowIcon(appIcon());

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(8);
    layout->addWidget(buildTopBar());

    m_pages = new QTabWidget(central);
    m_pages->setObjectName(QStringLiteral("选择夹1"));
    m_pages->setDocumentMode(false);
    m_convertPage = new ConvertPage(m_convertList);
    m_mergePage = new MergePage(m_mergeFirstList, m_mergeSecondList);
    m_clipPage = new ClipPage(m_clipList);
    m_pages->addTab(m_convertPage, QStringLiteral("视频转换"));
    m_pages->addTab(m_mergePage, QStringLiteral("合并视频"));
    m_pages->addTab(m_clipPage, QStringLiteral("剪辑视频"));
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && index < 3)
            m_pageButtons[index]->setChecked(true);
    });
    m_pageButtons[0]->setChecked(true);

    // Fits a 1366 x 768 screen with its task bar; the lists scroll sideways when narrower.
    resize(1100, 680);
    setMinimumSize(900, 600);

    buildTray();

    m_convertPage->restore();
    m_mergePage->restore();
    m_clipPage->restore();
    wireListsAndJobs();

    m_closeQuestion = [this] {
        return QMessageBox::question(this, kNoticeTitle, QStringLiteral("是否要退出软件？"),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };

    m_provisioner = new ToolProvisioner(this);
    connect(m_provisioner, &ToolProvisioner::downloadStarted, this, [this] {
        m_initWindow = new InitWindow(toolPath(), this);
        m_initWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_initWindow->show();
    });
    connect(m_provisioner, &ToolProvisioner::finished, this, &MainWindow::onProvisioned);
    // Once the event loop runs, so that the window is up before the InitWindow covers it.
    QTimer::singleShot(0, m_provisioner, &ToolProvisioner::start);
}

MainWindow::~MainWindow() {
    // Workers waiting on a list call are released first, so none of them waits for this
    // thread while it takes the window down.
    for (VideoList *list : {m_convertList, m_mergeFirstList, m_mergeSecondList, m_clipList})
        list->shutDown();
    for (const ShutdownStep &step : m_shutdownSteps) {
        if (step.askToStop)
            step.askToStop();
    }
    // Ends exactly the tool processes this program started and refuses new ones, so a
    // worker blocked on a tool run returns at once.
    toolProcesses::shutDown();
    for (const ShutdownStep &step : m_shutdownSteps) {
        if (step.afterToolsEnded)
            step.afterToolsEnded();
    }
    // The views go before the lists they show.
    delete takeCentralWidget();
}

void MainWindow::wireListsAndJobs() {
    auto commandsFor = [this](const ListControls &c, std::function<void()> refresh) {
        auto *commands = new ListCommands(
            {c.view, c.addFiles, c.addFolder, c.selectAll, c.invertSelection, c.removeSelected, c.clear},
            std::move(refresh), this);
        // Scans and probes stop and are joined before the lists go away.
        addShutdownStep({}, [commands] { commands->shutDown(); });
        return commands;
    };

    const MergeCountWidgets mergeCounts{m_mergeFirstList,
                                        m_mergeSecondList,
                                        m_mergePage->first.count,
                                        m_mergePage->second.count,
                                        m_mergePage->newVideosLabel,
                                        m_mergePage->mergeAllFirstBox,
                                        m_mergePage->mergeAllSecondBox,
                                        m_mergePage->startButton};
    connectMergeCounts(mergeCounts);
    const auto refreshMerge = [mergeCounts] { refreshMergeCounts(mergeCounts); };
    QLabel *clipCount = m_clipPage->list.count;
    const auto refreshClip = [this, clipCount] { refreshClipCount(m_clipList, clipCount); };

    m_listCommands[0] = commandsFor(m_convertPage->list, {});
    m_listCommands[1] = commandsFor(m_mergePage->first, refreshMerge);
    m_listCommands[2] = commandsFor(m_mergePage->second, refreshMerge);
    m_listCommands[3] = commandsFor(m_clipPage->list, refreshClip);

    m_mergeDrag = new MergeListDrag(m_mergePage, this);
    m_mergeDrag->addList(m_mergePage->first.view);
    m_mergeDrag->addList(m_mergePage->second.view);

    ConvertPageControls convert;
    convert.list = m_convertList;
    for (QRadioButton *radio : m_convertPage->formatRadios)
        convert.formatRadios.append(radio);
    convert.besideRadio = m_convertPage->besideSourceRadio;
    convert.intoRadio = m_convertPage->chosenFolderRadio;
    convert.folderEdit = m_convertPage->folderEdit;
    convert.deleteSources = m_convertPage->deleteSourcesBox;
    convert.startButton = m_convertPage->startButton;
    convert.startIcon = startIcon();
    convert.stopIcon = stopIcon();
    m_convertController = new ConvertController(convert, this);
    m_progressArea->attach(m_convertController->monitor());
    addShutdownStep([this] { m_convertController->job()->requestStop(); },
                    [this] { m_convertController->shutDown(); });
}

QWidget *MainWindow::buildTopBar() {
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    const QString captions[3] = {QStringLiteral("批量转换视频"), QStringLiteral("批量合并视频"),
                                 QStringLiteral("批量剪辑视频")};
    const QIcon icons[3] = {convertPageIcon(), mergePageIcon(), clipPageIcon()};
    auto *group = new QButtonGroup(bar);
    group->setExclusive(true);
    for (int i = 0; i < 3; ++i) {
        auto *button = new QToolButton(bar);
        button->setObjectName(QStringLiteral("超级按钮%1").arg(i + 1));
        button->setText(captions[i]);
        button->setIcon(icons[i]);
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setCheckable(true);
        button->setProperty(PageButtonProperty, true);
        button->setMinimumHeight(52);
        button->setCursor(Qt::PointingHandCursor);
        group->addButton(button, i);
        layout->addWidget(button);
        m_pageButtons[i] = button;
        connect(button, &QToolButton::clicked, this, [this, i] { showPage(i); });
    }
    layout->addStretch(1);

    m_progressArea = new ProgressArea(bar);
    layout->addWidget(m_progressArea);
    return bar;
}

void MainWindow::buildTray() {
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("菜单二"));
    m_trayMenu->addAction(QStringLiteral("显示|隐藏"), this, &MainWindow::toggleShown);
    m_trayMenu->addAction(QStringLiteral("软件官网"), this,
                          [] { QDesktopServices::openUrl(QUrl(homepageUrl())); });
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(QStringLiteral("退出软件"), this, &MainWindow::quitWithoutQuestion);

    // Many desktops have no tray; the program then simply has none.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(kTitle);
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            toggleShown();
    });
    m_tray->show();
}

QToolButton *MainWindow::pageButton(int index) const {
    return index >= 0 && index < 3 ? m_pageButtons[index] : nullptr;
}

InitWindow *MainWindow::initWindow() const {
    return m_initWindow.data();
}

void MainWindow::showPage(int index) {
    if (index >= 0 && index < m_pages->count())
        m_pages->setCurrentIndex(index);
}

void MainWindow::toggleShown() {
    if (isVisible() && !isMinimized()) {
        hide();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::quitWithoutQuestion() {
    m_quitting = true;
    // Leaves the event loop; main() then destroys the window, which ends the workers and the
    // tool processes like any other close.
    QCoreApplication::exit(0);
}

void MainWindow::addShutdownStep(std::function<void()> askToStop, std::function<void()> afterToolsEnded) {
    m_shutdownSteps.push_back({std::move(askToStop), std::move(afterToolsEnded)});
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (m_quitting || !m_closeQuestion || m_closeQuestion()) {
        m_quitting = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::onProvisioned() {
    if (m_provisioner->outcome() != ToolProvisioner::Outcome::Failed)
        return;
    if (m_initWindow)
        m_initWindow->close();
    auto *box =
        new QMessageBox(QMessageBox::Warning, kNoticeTitle, m_provisioner->failure(), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace yz
