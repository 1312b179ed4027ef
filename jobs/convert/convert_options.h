#pragma once

#include <QString>
#include <QStringList>

namespace yz {

/// Status texts the conversion writes besides those of the tool runner.
namespace convertStatus {
inline const QString Converting = QStringLiteral("正在转换");
/// Any failure that the tool's output does not name (non-zero exit, crash, no output file).
inline const QString Failed = QStringLiteral("转换失败");
} // namespace convertStatus

/// The target formats, in the order of the page's format buttons.
inline QStringList convertFormats() {
    return {QStringLiteral("mp4"), QStringLiteral("flv"), QStringLiteral("mov"), QStringLiteral("mkv"),
            QStringLiteral("ts"),  QStringLiteral("wmv"), QStringLiteral("mp3")};
}

/// What a conversion run does, taken once when it starts and held for the whole run.
struct ConvertOptions {
    /// Target format word in lower case, one of convertFormats().
    QString format = QStringLiteral("mp4");
    /// Outputs next to their sources (named title + "_new"); otherwise into `folder`.
    bool beside = true;
    QString folder;
    /// Delete each source once its output has been verified.
    bool deleteSources = false;
    /// Report each argument line instead of running it; no file is touched.
    bool dryRun = false;
};

} // namespace yz
