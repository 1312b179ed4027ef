#include "cli/console.h"

#include <QByteArray>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define YZ_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define YZ_ISATTY(f) ::isatty(fileno(f))
#endif

namespace yz::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr int kNameWidth = 40;

void write(FILE *stream, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

Console::Console() : m_terminal(YZ_ISATTY(stderr)) {}

void Console::printLine(const QString &line) {
    eraseBar();
    write(stdout, line + u'\n');
    drawBar();
}

void Console::printMessage(const QString &message) {
    eraseBar();
    write(stderr, message + u'\n');
    drawBar();
}

void Console::startItem(int item, int items, const QString &name) {
    m_item = item;
    m_items = items;
    m_percent = 0;
    m_name = name;
    m_lastPlainTenth = -1;
    if (m_terminal) {
        m_barShown = true;
        drawBar();
    } else {
        setPercent(0);
    }
}

void Console::setPercent(int percent) {
    if (m_item == 0)
        return; // no video started yet
    m_percent = qBound(0, percent, 100);
    if (m_terminal) {
        drawBar();
        return;
    }
    const int tenth = m_percent / 10;
    if (tenth == m_lastPlainTenth)
        return;
    m_lastPlainTenth = tenth;
    write(stderr,
          QStringLiteral("progress %1 / %2  %3 %  %4\n").arg(m_item).arg(m_items).arg(m_percent).arg(m_name));
}

void Console::clearProgress() {
    eraseBar();
    m_barShown = false;
}

void Console::drawBar() {
    if (!m_terminal || !m_barShown)
        return;
    const int filled = m_percent * kBarWidth / 100;
    QString name = m_name;
    if (name.size() > kNameWidth)
        name = QStringLiteral("…") + name.right(kNameWidth - 1);
    write(stderr, QStringLiteral("\r\x1b[K%1 / %2 [%3%4] %5 %  %6")
                      .arg(m_item)
                      .arg(m_items)
                      .arg(QString(filled, u'#'), QString(kBarWidth - filled, u'.'))
                      .arg(m_percent, 3)
                      .arg(name));
}

void Console::eraseBar() {
    if (m_terminal && m_barShown)
        write(stderr, QStringLiteral("\r\x1b[K"));
}

} // namespace yz::cli
