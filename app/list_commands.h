#pragma once

#include "lists/video_list.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QWidget;

namespace yz {

class ListFiller;
class VideoListView;

/// The widgets of one list that the commands drive (the model comes from the view).
struct ListCommandWidgets {
    VideoListView *view = nullptr;
    QAbstractButton *addFiles = nullptr;        ///< "添加视频"
    QAbstractButton *addFolder = nullptr;       ///< "添加视频文件夹"
    QAbstractButton *selectAll = nullptr;       ///< "全选"
    QAbstractButton *invertSelection = nullptr; ///< "反选"
    QAbstractButton *removeSelected = nullptr;  ///< "删除已选择的…地址"
    QAbstractButton *clear = nullptr;           ///< "清空表格"
};

/// The commands of one video list: adding files (file dialog or a drop) and folders
/// (folder dialog or a drop), "全选", "反选", removing the selected rows, "清空表格", and
/// the item actions of its view. Durations of the merge and clip lists are probed off the
/// window's thread. Each adding command keeps its button disabled until its rows are in
/// and probed; then, as after every removal and clearing, the count refresh runs.
class ListCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListCommands)

public:
    /// Shows a multi-select open-file dialog; returns the chosen paths (none: cancelled).
    using FileChooser = std::function<QStringList(QWidget *parent, const QString &title,
                                                  const QString &filter, const QString &folder)>;
    /// Shows a folder dialog; returns the chosen folder (empty: cancelled).
    using FolderChooser = std::function<QString(QWidget *parent, const QString &title)>;

    /// refreshCounts runs after every change of the list's contents (may be empty: the
    /// conversion list has no count). Reads the remembered dialog folder now.
    ListCommands(const ListCommandWidgets &widgets, std::function<void()> refreshCounts,
                 QObject *parent = nullptr);
    ~ListCommands() override;

    VideoList *list() const { return m_list; }
    ListFiller *filler() const { return m_filler; }

    /// Replace the system dialogs (tests).
    void setFileChooser(FileChooser chooser) { m_chooseFiles = std::move(chooser); }
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    /// Titles, settings key and dialog filter of a list.
    static QString fileDialogTitle(ListKind kind);
    static QString folderDialogTitle(ListKind kind);
    static QString settingsKey(ListKind kind); ///< "打开位置N" in section "原视频"
    static QString fileFilter();

    /// Folder the next file dialog opens in.
    QString lastOpenFolder() const { return m_lastOpenFolder; }

    // The commands.
    void addFiles();                         ///< "添加视频"
    void addFolder();                        ///< "添加视频文件夹"
    void addPaths(const QStringList &files); ///< as "添加视频" with these files chosen
    void scanFolder(const QString &folder);  ///< as "添加视频文件夹" with this folder chosen
    void addDropped(const QStringList &files, const QStringList &folders);
    void selectAll();
    void invertSelection();
    void removeSelected();
    void clearList();

    /// Adding commands still at work (rows or durations outstanding).
    bool isBusy() const;

    /// Stops scans and probes and joins their threads (window destruction).
    void shutDown();

Q_SIGNALS:
    /// An adding command has ended: its rows are in, probed, and counted.
    void addingFinished();

private:
    void onBatchFinished(quint64 batch);
    void setEnabled(QAbstractButton *button, bool enabled);
    void refresh();

    QPointer<VideoListView> m_view;
    VideoList *m_list;
    ListCommandWidgets m_widgets;
    std::function<void()> m_refreshCounts;
    ListFiller *m_filler;
    FileChooser m_chooseFiles;
    FolderChooser m_chooseFolder;
    QString m_lastOpenFolder;
    QSet<quint64> m_fileBatches;
    QSet<quint64> m_folderBatches;
};

} // namespace yz
