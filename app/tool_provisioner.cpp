#include "app/tool_provisioner.h"

#include "tool/path_helpers.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>

namespace yz {

namespace {

// A stalled server must not keep the initialisation window up for ever.
constexpr int kTransferTimeoutMs = 60 * 1000;

bool defaultPathLookup() {
    if (qEnvironmentVariable("YANZHOU_NO_PATH_TOOL") == QStringLiteral("1"))
        return false;
    return linkToolFromSystemPath();
}

} // namespace

ToolProvisioner::ToolProvisioner(QObject *parent) : QObject(parent), m_pathLookup(defaultPathLookup) {}

QString ToolProvisioner::settingsSection() {
    return QStringLiteral("程序");
}

QString ToolProvisioner::downloadUrlKey() {
    return QStringLiteral("下载地址");
}

QString ToolProvisioner::defaultDownloadUrl() {
#ifdef Q_OS_WIN
    return QStringLiteral("https://yanzhou.example.com/video_setup.exe");
#else
    return QStringLiteral("https://yanzhou.example.com/video_setup.sh");
#endif
}

QUrl ToolProvisioner::configuredDownloadUrl() {
    const QString text =
        SettingsFile::standard().read(settingsSection(), downloadUrlKey(), defaultDownloadUrl());
    return QUrl(text.trimmed(), QUrl::StrictMode);
}

QString ToolProvisioner::installerPath() {
#ifdef Q_OS_WIN
    return runDirectory() + QStringLiteral("/video_setup.exe");
#else
    return runDirectory() + QStringLiteral("/video_setup.sh");
#endif
}

void ToolProvisioner::start() {
    if (m_outcome != Outcome::Pending || m_network)
        return;
    if (QFileInfo::exists(toolPath()))
        return finish(Outcome::Present);
    ensureFolder(parentFolder(toolPath()));
    if (m_pathLookup && m_pathLookup())
        return finish(Outcome::Linked);
    // An installer from an earlier start is whole: only complete downloads are ever saved.
    if (QFileInfo::exists(installerPath()))
        return launchInstaller();

    const QUrl url = configuredDownloadUrl();
    if (!url.isValid() || url.scheme().isEmpty())
        return fail(QStringLiteral("下载地址无效：%1").arg(url.toString()));

    Q_EMIT downloadStarted();
    m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    // A compressed answer would make Content-Length disagree with the body we receive.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onDownloaded(reply); });
}

void ToolProvisioner::onDownloaded(QNetworkReply *reply) {
    reply->deleteLater();
    const QByteArray body = reply->readAll();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString address = reply->url().toString();

    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return fail(QStringLiteral("下载安装程序失败（%1 返回 HTTP %2）").arg(address).arg(status.toInt()));
    bool hasLength = false;
    const qint64 expected = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&hasLength);
    if (hasLength && expected != body.size())
        return fail(QStringLiteral("安装程序下载不完整（收到 %1 字节，应为 %2 字节）")
                        .arg(body.size())
                        .arg(expected));
    if (reply->error() != QNetworkReply::NoError)
        return fail(QStringLiteral("下载安装程序失败（%1：%2）").arg(address, reply->errorString()));
    if (body.isEmpty())
        return fail(QStringLiteral("下载的安装程序是空的（%1）").arg(address));

    // Written under a temporary name and renamed only when whole, so a broken download never
    // leaves an installer that a later start would run.
    QSaveFile file(installerPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        return fail(QStringLiteral("无法保存安装程序到 %1").arg(installerPath()));
    launchInstaller();
}

void ToolProvisioner::launchInstaller() {
    const QString installer = installerPath();
#ifdef Q_OS_WIN
    const bool started = QProcess::startDetached(installer, {}, runDirectory());
#else
    // A script needs no execute permission when the shell reads it; it gets the run
    // directory as its first argument and as its working folder.
    const bool started =
        QProcess::startDetached(QStringLiteral("/bin/sh"), {installer, runDirectory()}, runDirectory());
#endif
    if (!started)
        return fail(QStringLiteral("无法启动安装程序 %1").arg(installer));
    finish(Outcome::InstallerStarted);
}

void ToolProvisioner::fail(const QString &what) {
    m_failure = what + QStringLiteral("。\n\n请手动安装 ffmpeg：把 ffmpeg 程序放到\n%1\n"
                                      "或安装系统的 ffmpeg 软件包，然后重新启动本软件。")
                           .arg(toolPath());
    finish(Outcome::Failed);
}

void ToolProvisioner::finish(Outcome outcome) {
    m_outcome = outcome;
    Q_EMIT finished(outcome);
}

} // namespace yz
