// First-run provisioning of the tool: a link to the system's ffmpeg, the installer left by an
// earlier start, and the download of the installer from a server on 127.0.0.1 that answers
// with fixed responses, whole, missing, empty or cut short.

#include "app/init_window.h"
#include "app/main_window.h"
#include "app/tool_provisioner.h"
#include "support/test_support.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"
#include "tool/tool_runner.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace yz;

namespace {

// An HTTP server that answers every request with the same bytes and then hangs up.
class FixedServer final : public QObject {
public:
    explicit FixedServer(QByteArray response) : m_response(std::move(response)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    ++m_requests;
                    socket->write(m_response);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/video_setup.sh").arg(m_server.serverPort()));
    }
    int requests() const { return m_requests; }

private:
    QTcpServer m_server;
    QByteArray m_response;
    QByteArray m_request;
    int m_requests = 0;
};

QByteArray response(const QByteArray &statusLine, const QByteArray &body, qint64 announcedLength) {
    QByteArray head = "HTTP/1.1 " + statusLine + "\r\nContent-Type: application/octet-stream\r\n";
    if (announcedLength >= 0)
        head += "Content-Length: " + QByteArray::number(announcedLength) + "\r\n";
    return head + "Connection: close\r\n\r\n" + body;
}

// Puts a stand-in tool at bin/ffmpeg of the run directory it is given, a moment later, so
// the initialisation window is seen waiting first.
const QByteArray kInstaller = "#!/bin/sh\n"
                              "sleep 0.5\n"
                              "mkdir -p \"$1/bin\"\n"
                              "printf '#!/bin/sh\\nexit 0\\n' > \"$1/bin/ffmpeg.part\"\n"
                              "chmod +x \"$1/bin/ffmpeg.part\"\n"
                              "mv \"$1/bin/ffmpeg.part\" \"$1/bin/ffmpeg\"\n";

QMessageBox *notice() {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible() && box->windowTitle() == QStringLiteral("友情提示："))
            return box;
    }
    return nullptr;
}

// Files directly in the run directory besides the folders the program makes itself.
QStringList strayFiles(const QString &runDir) {
    return QDir(runDir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class ProvisioningTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        toolProcesses::reset();
        qputenv("YANZHOU_NO_PATH_TOOL", "1");
    }
    void cleanup() { qunsetenv("YANZHOU_NO_PATH_TOOL"); }

    void downloadsAndStartsTheInstaller_data();
    void downloadsAndStartsTheInstaller();
    void brokenDownloadStartsNothing_data();
    void brokenDownloadStartsNothing();
    void earlierInstallerStartsWithoutDownload();
    void systemToolIsLinked();
    void presentToolNeedsNothing();
};

void ProvisioningTest::downloadsAndStartsTheInstaller_data() {
    QTest::addColumn<bool>("announceLength");
    QTest::newRow("with Content-Length") << true;
    QTest::newRow("until the connection closes") << false;
}

void ProvisioningTest::downloadsAndStartsTheInstaller() {
    QFETCH(bool, announceLength);
    test::RunDir dir{QString()};
    FixedServer server(response("200 OK", kInstaller, announceLength ? kInstaller.size() : -1));
    SettingsFile::standard().write(ToolProvisioner::settingsSection(), ToolProvisioner::downloadUrlKey(),
                                   server.url().toString());

    MainWindow window;
    window.show();
    QSignalSpy downloads(window.provisioner(), &ToolProvisioner::downloadStarted);
    QTRY_COMPARE(window.provisioner()->outcome(), ToolProvisioner::Outcome::InstallerStarted);
    QCOMPARE(downloads.size(), 1);
    QCOMPARE(server.requests(), 1);

    QFile installer(ToolProvisioner::installerPath());
    QVERIFY(installer.open(QIODevice::ReadOnly));
    QCOMPARE(installer.readAll(), kInstaller);

    InitWindow *init = window.initWindow();
    QVERIFY(init);
    QVERIFY(init->isVisible());
    QVERIFY(init->isModal());
    QCOMPARE(init->windowTitle(), QStringLiteral("正在初始化程序"));
    QCOMPARE(init->size(), QSize(645, 250));
    bool hasText = false;
    for (QLabel *label : init->findChildren<QLabel *>())
        hasText = hasText || label->text() == QStringLiteral("首次使用，正在初始化程序，请稍等……");
    QVERIFY(hasText);

    // The installer puts the tool in place; the window goes within a second after that.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(toolPath()), 10000);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!window.initWindow(), 2000);
    // A second, plus what a busy machine adds to the timer and to this test's own polling.
    QVERIFY2(clock.elapsed() <= 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!notice());
}

void ProvisioningTest::brokenDownloadStartsNothing_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("reason");
    QTest::newRow("404") << response("404 Not Found", "no such file", 12) << QStringLiteral("HTTP 404");
    QTest::newRow("truncated") << response("200 OK", kInstaller.left(40), kInstaller.size())
                               << QStringLiteral("不完整");
    QTest::newRow("empty") << response("200 OK", QByteArray(), 0) << QStringLiteral("空的");
    QTest::newRow("server error") << response("500 Internal Server Error", kInstaller, kInstaller.size())
                                  << QStringLiteral("HTTP 500");
}

void ProvisioningTest::brokenDownloadStartsNothing() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, reason);
    test::RunDir dir{QString()};
    FixedServer server(reply);
    SettingsFile::standard().write(ToolProvisioner::settingsSection(), ToolProvisioner::downloadUrlKey(),
                                   server.url().toString());

    MainWindow window;
    window.show();
    QTRY_COMPARE(window.provisioner()->outcome(), ToolProvisioner::Outcome::Failed);
    QCOMPARE(server.requests(), 1);

    // The user learns what failed and where the tool goes by hand.
    QTRY_VERIFY(notice());
    const QString text = notice()->text();
    QVERIFY2(text.contains(reason), qPrintable(text));
    QVERIFY2(text.contains(toolPath()), qPrintable(text));
    QVERIFY(!window.initWindow());

    // Nothing is left that a later start would run, and nothing was started.
    QCOMPARE(strayFiles(dir.path()), QStringList());
    QTest::qWait(700);
    QVERIFY(!QFileInfo::exists(toolPath()));
    notice()->close();
}

void ProvisioningTest::earlierInstallerStartsWithoutDownload() {
    test::RunDir dir{QString()};
    FixedServer server(response("200 OK", "exit 1\n", 7));
    SettingsFile::standard().write(ToolProvisioner::settingsSection(), ToolProvisioner::downloadUrlKey(),
                                   server.url().toString());
    QFile installer(ToolProvisioner::installerPath());
    QVERIFY(installer.open(QIODevice::WriteOnly));
    installer.write(kInstaller);
    installer.close();

    MainWindow window;
    QSignalSpy downloads(window.provisioner(), &ToolProvisioner::downloadStarted);
    QTRY_COMPARE(window.provisioner()->outcome(), ToolProvisioner::Outcome::InstallerStarted);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(toolPath()), 10000);
    QCOMPARE(server.requests(), 0);
    QCOMPARE(downloads.size(), 0);
    QVERIFY(!window.initWindow());
}

void ProvisioningTest::systemToolIsLinked() {
    qunsetenv("YANZHOU_NO_PATH_TOOL");
    const QString system = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (system.isEmpty())
        QSKIP("no ffmpeg on the PATH");
    test::RunDir dir{QString()};
    FixedServer server(response("200 OK", kInstaller, kInstaller.size()));
    SettingsFile::standard().write(ToolProvisioner::settingsSection(), ToolProvisioner::downloadUrlKey(),
                                   server.url().toString());

    MainWindow window;
    QTRY_COMPARE(window.provisioner()->outcome(), ToolProvisioner::Outcome::Linked);
    QCOMPARE(QFileInfo(toolPath()).canonicalFilePath(), QFileInfo(system).canonicalFilePath());
    QCOMPARE(server.requests(), 0);
    QVERIFY(!QFileInfo::exists(ToolProvisioner::installerPath()));
    QVERIFY(!window.initWindow());
}

void ProvisioningTest::presentToolNeedsNothing() {
    test::RunDir dir(test::fakeToolPath());
    FixedServer server(response("200 OK", kInstaller, kInstaller.size()));
    SettingsFile::standard().write(ToolProvisioner::settingsSection(), ToolProvisioner::downloadUrlKey(),
                                   server.url().toString());
    MainWindow window;
    QTRY_COMPARE(window.provisioner()->outcome(), ToolProvisioner::Outcome::Present);
    QCOMPARE(server.requests(), 0);
    QVERIFY(!window.initWindow());
    QVERIFY(!QFileInfo::exists(ToolProvisioner::installerPath()));
}

QTEST_MAIN(ProvisioningTest)
#include "test_provisioning.moc"
