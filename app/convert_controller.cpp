#include "app/convert_controller.h"

#include "jobs/convert/convert_job.h"
#include "lists/video_list.h"
#include "tool/path_helpers.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace yz {

namespace {
const QString kStartCaption = QStringLiteral("开始转换");
const QString kStopCaption = QStringLiteral("停止转换");
const QString kStoppingCaption = QStringLiteral("正在停止");
} // namespace

ConvertController::ConvertController(const ConvertPageControls &controls, QObject *parent)
    : QObject(parent), m_controls(controls), m_job(new ConvertJob(controls.list, this)) {
    connect(m_controls.startButton, &QAbstractButton::clicked, this, &ConvertController::onStartStopClicked);
    connect(m_job, &ConvertJob::stateChanged, this, &ConvertController::showState);
    showState();
}

ConvertController::~ConvertController() {
    shutDown();
}

ProgressMonitor *ConvertController::monitor() const {
    return m_job->monitor();
}

ConvertOptions ConvertController::pageOptions() const {
    ConvertOptions options;
    options.format = QStringLiteral("mp3");
    const QStringList formats = convertFormats();
    for (int i = 0; i < 6 && i < m_controls.formatRadios.size(); ++i) {
        if (m_controls.formatRadios.at(i)->isChecked()) {
            options.format = formats.at(i);
            break;
        }
    }
    options.beside = !(m_controls.intoRadio && m_controls.intoRadio->isChecked());
    options.folder = m_controls.folderEdit->text().trimmed();
    if (options.folder.isEmpty())
        options.folder = defaultOutputFolder();
    options.deleteSources = m_controls.deleteSources && m_controls.deleteSources->isChecked();
    return options;
}

void ConvertController::onStartStopClicked() {
    if (m_controls.list->itemCount() == 0)
        return;
    if (m_job->state() != ConvertJob::State::Idle) {
        m_job->requestStop();
        return;
    }
    const ConvertOptions options = pageOptions();
    const SettingsFile settings = SettingsFile::standard();
    const QString section = QString::fromUtf8(SettingsSection);
    if (!options.beside) {
        ensureFolder(options.folder);
        m_controls.folderEdit->setText(options.folder);
        settings.write(section, QStringLiteral("保存位置"), options.folder);
        settings.write(section, QStringLiteral("保存方式"), QStringLiteral("b"));
    } else {
        settings.write(section, QStringLiteral("保存方式"), QStringLiteral("a"));
    }
    m_job->start(options);
}

// The caption follows the job's state, read when the change arrives: a queued change may
// be older than the state it announces.
void ConvertController::showState() {
    QAbstractButton *button = m_controls.startButton;
    switch (m_job->state()) {
    case ConvertJob::State::Idle:
        button->setText(kStartCaption);
        button->setIcon(m_controls.startIcon);
        button->setEnabled(true);
        break;
    case ConvertJob::State::Running:
        button->setText(kStopCaption);
        button->setIcon(m_controls.stopIcon);
        button->setEnabled(true);
        break;
    case ConvertJob::State::Stopping:
        button->setText(kStoppingCaption);
        button->setEnabled(false);
        break;
    }
}

void ConvertController::shutDown() {
    if (m_job->state() != ConvertJob::State::Idle)
        m_job->abortNow();
    m_job->wait();
}

} // namespace yz
