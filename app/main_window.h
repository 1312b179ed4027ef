#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <vector>

class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QToolButton;

namespace yz {

class ClipPage;
class ConvertController;
class ListCommands;
class MergeListDrag;
class ConvertPage;
class InitWindow;
class MergePage;
class ProgressArea;
class ToolProvisioner;
class VideoList;

/// The main window "砚舟视频剪辑工具": the three page buttons 超级按钮1-3 above the tab
/// control 选择夹1 with the pages "视频转换", "合并视频" and "剪辑视频", and the shared
/// progress area. Owns the four video lists. On creation it restores the output rows, puts up
/// the tray icon (where the desktop has a tray) and starts provisioning the tool; closing asks
/// first; destruction stops the workers and ends the tool processes this program started.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    ConvertPage *convertPage() const { return m_convertPage; }
    MergePage *mergePage() const { return m_mergePage; }
    ClipPage *clipPage() const { return m_clipPage; }
    ProgressArea *progressArea() const { return m_progressArea; }
    ConvertController *convertController() const { return m_convertController; }
    /// The commands of a list: 0 conversion, 1 and 2 merge, 3 clip.
    ListCommands *listCommands(int list) const { return m_listCommands[list]; }
    /// 选择夹1.
    QTabWidget *pages() const { return m_pages; }
    /// 超级按钮1-3 by page index.
    QToolButton *pageButton(int index) const;

    VideoList *convertList() const { return m_convertList; }
    VideoList *mergeFirstList() const { return m_mergeFirstList; }
    VideoList *mergeSecondList() const { return m_mergeSecondList; }
    VideoList *clipList() const { return m_clipList; }

    ToolProvisioner *provisioner() const { return m_provisioner; }
    /// The initialisation window while it is up, else nullptr.
    InitWindow *initWindow() const;
    /// nullptr on a desktop without a tray.
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    /// The tray menu 菜单二: "显示|隐藏", "软件官网", separator, "退出软件".
    QMenu *trayMenu() const { return m_trayMenu; }

    /// Makes page 0, 1 or 2 current; nothing else changes.
    void showPage(int index);
    /// Shows a hidden window, hides a shown one (tray click, "显示|隐藏").
    void toggleShown();
    /// "退出软件": ends the program without the close question.
    void quitWithoutQuestion();

    /// Registers a job's part in taking the window down. At destruction, after the lists have
    /// released their waiting callers, every `askToStop` runs in registration order; then
    /// the tool processes this program started are ended; then every `afterToolsEnded` runs
    /// in order (join the worker, save options). Neither may wait for a tool run to finish.
    void addShutdownStep(std::function<void()> askToStop, std::function<void()> afterToolsEnded = {});

    /// The close question; returns whether to close. Default: "是否要退出软件？" with Yes and No.
    void setCloseQuestion(std::function<bool()> question) { m_closeQuestion = std::move(question); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildTopBar();
    void buildTray();
    void onProvisioned();
    void wireListsAndJobs();

    VideoList *m_convertList;
    VideoList *m_mergeFirstList;
    VideoList *m_mergeSecondList;
    VideoList *m_clipList;

    QTabWidget *m_pages = nullptr;
    QToolButton *m_pageButtons[3] = {};
    ConvertPage *m_convertPage = nullptr;
    MergePage *m_mergePage = nullptr;
    ClipPage *m_clipPage = nullptr;
    ProgressArea *m_progressArea = nullptr;
    ListCommands *m_listCommands[4] = {};
    MergeListDrag *m_mergeDrag = nullptr;
    ConvertController *m_convertController = nullptr;

    QMenu *m_trayMenu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    ToolProvisioner *m_provisioner = nullptr;
    QPointer<InitWindow> m_initWindow;

    struct ShutdownStep {
        std::function<void()> askToStop;
        std::function<void()> afterToolsEnded;
    };
    std::vector<ShutdownStep> m_shutdownSteps;
    std::function<bool()> m_closeQuestion;
    bool m_quitting = false;
};

} // namespace yz
