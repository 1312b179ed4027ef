#include "app/list_commands.h"

#include "app/video_list_view.h"
#include "lists/list_filler.h"
#include "tool/path_helpers.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>

namespace yz {

namespace {

const QString settingsSection = QStringLiteral("原视频");

QStringList nativePaths(const QStringList &paths) {
    QStringList out;
    out.reserve(paths.size());
    for (const QString &path : paths)
        out.append(QDir::toNativeSeparators(path));
    return out;
}

// The remembered folder of a list: the conversion list's defaults to the default output
// folder, the other three default to whatever the conversion list's reads.
QString readLastOpenFolder(ListKind kind) {
    const SettingsFile settings = SettingsFile::standard();
    const QString first = settings.read(settingsSection, ListCommands::settingsKey(ListKind::Convert),
                                        QDir::toNativeSeparators(defaultOutputFolder()));
    if (kind == ListKind::Convert)
        return first;
    return settings.read(settingsSection, ListCommands::settingsKey(kind), first);
}

} // namespace

ListCommands::ListCommands(const ListCommandWidgets &widgets, std::function<void()> refreshCounts,
                           QObject *parent)
    : QObject(parent), m_view(widgets.view), m_list(widgets.view->list()), m_widgets(widgets),
      m_refreshCounts(std::move(refreshCounts)),
      m_filler(new ListFiller(m_list, m_list->durationColumn() >= 0, this)),
      m_chooseFiles(
          [](QWidget *parentWidget, const QString &title, const QString &filter, const QString &folder) {
              return QFileDialog::getOpenFileNames(parentWidget, title, folder, filter);
          }),
      m_chooseFolder([](QWidget *parentWidget, const QString &title) {
          return QFileDialog::getExistingDirectory(parentWidget, title, QString(), QFileDialog::ShowDirsOnly);
      }),
      m_lastOpenFolder(readLastOpenFolder(m_list->kind())) {
    const auto wire = [this](QAbstractButton *button, void (ListCommands::*command)()) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, command);
    };
    wire(widgets.addFiles, &ListCommands::addFiles);
    wire(widgets.addFolder, &ListCommands::addFolder);
    wire(widgets.selectAll, &ListCommands::selectAll);
    wire(widgets.invertSelection, &ListCommands::invertSelection);
    wire(widgets.removeSelected, &ListCommands::removeSelected);
    wire(widgets.clear, &ListCommands::clearList);
    connect(widgets.view, &VideoListView::removeSelectedRequested, this, &ListCommands::removeSelected);
    connect(widgets.view, &VideoListView::clearRequested, this, &ListCommands::clearList);
    connect(widgets.view, &VideoListView::filesDropped, this, &ListCommands::addDropped);
    connect(m_filler, &ListFiller::batchFinished, this, &ListCommands::onBatchFinished);
}

ListCommands::~ListCommands() {
    shutDown();
}

QString ListCommands::fileDialogTitle(ListKind kind) {
    switch (kind) {
    case ListKind::Convert:
        return QStringLiteral("请选择要转换的视频");
    case ListKind::Merge1:
        return QStringLiteral("请选择要合并的原视频１");
    case ListKind::Merge2:
        return QStringLiteral("请选择要合并的原视频２");
    case ListKind::Clip:
        return QStringLiteral("请选择要剪辑的原视频１");
    }
    return {};
}

QString ListCommands::folderDialogTitle(ListKind kind) {
    switch (kind) {
    case ListKind::Convert:
    case ListKind::Clip:
        return QStringLiteral("请选择视频所在的文件夹");
    case ListKind::Merge1:
        return QStringLiteral("请选择原视频１所在的文件夹");
    case ListKind::Merge2:
        return QStringLiteral("请选择原视频２所在的文件夹");
    }
    return {};
}

QString ListCommands::settingsKey(ListKind kind) {
    switch (kind) {
    case ListKind::Convert:
        return QStringLiteral("打开位置1");
    case ListKind::Merge1:
        return QStringLiteral("打开位置2");
    case ListKind::Merge2:
        return QStringLiteral("打开位置3");
    case ListKind::Clip:
        return QStringLiteral("打开位置4");
    }
    return {};
}

QString ListCommands::fileFilter() {
    return QStringLiteral("视频文件 (*.mp4 *.wmv *.flv *.ts *.mov *.mkv *.avi);;所有格式 (*)");
}

void ListCommands::setEnabled(QAbstractButton *button, bool enabled) {
    if (button)
        button->setEnabled(enabled);
}

void ListCommands::refresh() {
    if (m_refreshCounts)
        m_refreshCounts();
}

bool ListCommands::isBusy() const {
    return !m_fileBatches.isEmpty() || !m_folderBatches.isEmpty();
}

void ListCommands::addFiles() {
    setEnabled(m_widgets.addFiles, false);
    const QStringList chosen =
        m_chooseFiles ? m_chooseFiles(m_view ? m_view->window() : nullptr, fileDialogTitle(m_list->kind()),
                                      fileFilter(), m_lastOpenFolder)
                      : QStringList();
    if (chosen.isEmpty()) {
        setEnabled(m_widgets.addFiles, m_fileBatches.isEmpty());
        return;
    }
    addPaths(chosen);
}

void ListCommands::addPaths(const QStringList &files) {
    if (files.isEmpty())
        return;
    const QStringList paths = nativePaths(files);
    // The rows go in at once and in the chosen order; the probes follow off this thread.
    const quint64 batch = m_filler->addFiles(paths);
    m_lastOpenFolder = parentFolder(paths.first());
    SettingsFile::standard().write(settingsSection, settingsKey(m_list->kind()), m_lastOpenFolder);
    if (batch != 0) {
        m_fileBatches.insert(batch);
        setEnabled(m_widgets.addFiles, false);
        return;
    }
    setEnabled(m_widgets.addFiles, m_fileBatches.isEmpty());
    refresh();
    Q_EMIT addingFinished();
}

void ListCommands::addFolder() {
    const QString folder = m_chooseFolder ? m_chooseFolder(m_view ? m_view->window() : nullptr,
                                                           folderDialogTitle(m_list->kind()))
                                          : QString();
    if (!folder.isEmpty())
        scanFolder(folder);
}

void ListCommands::scanFolder(const QString &folder) {
    const quint64 batch = m_filler->addFolder(QDir::toNativeSeparators(folder));
    if (batch == 0)
        return;
    m_folderBatches.insert(batch);
    setEnabled(m_widgets.addFolder, false);
}

void ListCommands::addDropped(const QStringList &files, const QStringList &folders) {
    addPaths(files);
    for (const QString &folder : folders)
        scanFolder(folder);
}

void ListCommands::onBatchFinished(quint64 batch) {
    if (m_fileBatches.remove(batch)) {
        setEnabled(m_widgets.addFiles, m_fileBatches.isEmpty());
    } else if (m_folderBatches.remove(batch)) {
        setEnabled(m_widgets.addFolder, m_folderBatches.isEmpty());
    } else {
        return;
    }
    refresh();
    Q_EMIT addingFinished();
}

void ListCommands::selectAll() {
    if (m_view)
        m_view->selectAllRows();
}

void ListCommands::invertSelection() {
    if (m_view)
        m_view->invertSelection();
}

void ListCommands::removeSelected() {
    // One call on this thread: the rows go in contiguous runs, which is quick even for
    // thousands of rows, and nothing can interleave with it.
    setEnabled(m_widgets.removeSelected, false);
    m_list->removeSelected();
    setEnabled(m_widgets.removeSelected, true);
    refresh();
}

void ListCommands::clearList() {
    m_list->clearAll();
    refresh();
}

void ListCommands::shutDown() {
    m_filler->shutDown();
    m_fileBatches.clear();
    m_folderBatches.clear();
}

} // namespace yz
