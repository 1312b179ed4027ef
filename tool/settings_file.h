#pragma once

#include <QString>

namespace yz {

/// The program's INI file, read and written one value at a time: nothing is cached, so
/// every read sees the last write. Text is UTF-8 and stays readable in an editor.
/// Every write rewrites the whole file through a temporary file renamed over the old
/// one, so a crash or a full disk never leaves half a file; writes from several threads
/// are serialised and lose nothing. A missing, empty, binary or malformed file reads as
/// defaults; a file that cannot be written is left as it is.
class SettingsFile final {
public:
    explicit SettingsFile(QString path);

    /// The process-wide settings file at settingsPath().
    static SettingsFile standard();

    const QString &path() const { return m_path; }

    QString read(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    /// Returns whether the value reached the disk.
    bool write(const QString &section, const QString &key, const QString &value) const;

private:
    QString m_path;
};

} // namespace yz
