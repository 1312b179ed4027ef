#pragma once

#include "jobs/convert/convert_options.h"

#include <QIcon>
#include <QList>
#include <QObject>

class QAbstractButton;
class QLineEdit;

namespace yz {

class ConvertJob;
class ProgressMonitor;
class VideoList;

/// The controls of the conversion page the job needs, by their form names.
struct ConvertPageControls {
    VideoList *list = nullptr;
    QList<QAbstractButton *> formatRadios;    ///< 单选框1 … 单选框7: mp4 flv mov mkv ts wmv mp3
    QAbstractButton *besideRadio = nullptr;   ///< 单选框8 "保存在原视频相同位置"
    QAbstractButton *intoRadio = nullptr;     ///< 单选框9 "指定位置"
    QLineEdit *folderEdit = nullptr;          ///< 编辑框1
    QAbstractButton *deleteSources = nullptr; ///< 选择框1
    QAbstractButton *startButton = nullptr;   ///< 超级按钮13
    QIcon startIcon;
    QIcon stopIcon;
};

/// Wires the conversion job to its page: the start button starts the job and, while it
/// runs, stops it ("开始转换" / "停止转换" / "正在停止", disabled while stopping); the start
/// writes the page's settings. The progress area is attached to monitor() from outside.
class ConvertController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConvertController)

public:
    static constexpr const char *SettingsSection = "批量转换视频";

    explicit ConvertController(const ConvertPageControls &controls, QObject *parent = nullptr);
    ~ConvertController() override;

    ConvertJob *job() const { return m_job; }
    ProgressMonitor *monitor() const;

    /// The options the page shows now: the first checked of 单选框1 to 单选框6 ("mp3" when
    /// none is), beside or into 编辑框1 (the default output folder when it is empty), and 选择框1.
    ConvertOptions pageOptions() const;

    /// For the window's destruction: stops the job, ends its running tool and waits for it.
    void shutDown();

public Q_SLOTS:
    /// The start button's click.
    void onStartStopClicked();

private:
    void showState();

    ConvertPageControls m_controls;
    ConvertJob *m_job;
};

} // namespace yz
