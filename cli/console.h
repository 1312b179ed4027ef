#pragma once

#include <QString>

namespace yz::cli {

/// Writes the item lines to standard output and the progress to standard error: a bar
/// redrawn in place on a terminal, plain lines (at most one per tenth) otherwise, so logs
/// stay readable.
class Console final {
public:
    Console();

    bool progressIsTerminal() const { return m_terminal; }

    /// One result line on standard output; the bar is cleared first and drawn again after.
    void printLine(const QString &line);
    /// A message on standard error.
    void printMessage(const QString &message);

    void startItem(int item, int items, const QString &name);
    void setPercent(int percent);
    /// Removes the bar (at the end of a run).
    void clearProgress();

private:
    void drawBar();
    void eraseBar();

    bool m_terminal = false;
    bool m_barShown = false;
    int m_item = 0;
    int m_items = 0;
    int m_percent = 0;
    int m_lastPlainTenth = -1;
    QString m_name;
};

} // namespace yz::cli
