#pragma once

#include <QObject>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace yz {

/// Makes sure the tool stands at toolPath(). In this order: nothing to do when it is there;
/// a link to the system's ffmpeg when one is on the PATH; the installer left by an earlier
/// start, started again; otherwise the installer is downloaded with one HTTP GET, saved only
/// when it arrived whole, and started. Runs on the window's thread without blocking it.
class ToolProvisioner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToolProvisioner)

public:
    enum class Outcome {
        Pending,          ///< start() not called yet, or the download is under way
        Present,          ///< the tool was already there
        Linked,           ///< linked to the system's ffmpeg
        InstallerStarted, ///< the installer runs; it puts the tool in place
        Failed,           ///< see failure()
    };
    Q_ENUM(Outcome)

    explicit ToolProvisioner(QObject *parent = nullptr);

    /// Settings section and key of the download address, and its default.
    static QString settingsSection();
    static QString downloadUrlKey();
    static QString defaultDownloadUrl();
    /// The address from the settings file.
    static QUrl configuredDownloadUrl();
    /// Run directory + "/video_setup.sh" ("video_setup.exe" on Windows).
    static QString installerPath();

    /// Replaces the PATH step; it returns whether the tool is in place afterwards. By
    /// default linkToolFromSystemPath(), skipped when YANZHOU_NO_PATH_TOOL=1.
    void setPathLookup(std::function<bool()> lookup) { m_pathLookup = std::move(lookup); }

    void start();

    Outcome outcome() const { return m_outcome; }
    /// What failed and where to put the tool by hand; empty unless outcome() is Failed.
    QString failure() const { return m_failure; }

Q_SIGNALS:
    /// The download begins: the window shows its InitWindow.
    void downloadStarted();
    /// Provisioning has done what it can.
    void finished(yz::ToolProvisioner::Outcome outcome);

private:
    void onDownloaded(QNetworkReply *reply);
    void launchInstaller();
    void fail(const QString &what);
    void finish(Outcome outcome);

    std::function<bool()> m_pathLookup;
    QNetworkAccessManager *m_network = nullptr;
    Outcome m_outcome = Outcome::Pending;
    QString m_failure;
};

} // namespace yz
