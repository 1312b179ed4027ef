#include "tool/settings_file.h"

#include "tool/path_helpers.h"
#include "tool/run_directory.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QStringConverter>

#include <utility>
#include <vector>

namespace yz {

namespace {

// One lock for every settings file of the process: writes are rare and short.
QMutex &fileLock() {
    static QMutex m;
    return m;
}

struct Entry {
    QString key;
    QString value;
};
struct Section {
    QString name;
    std::vector<Entry> entries;
};
using Document = std::vector<Section>;

// Reads the file into sections; a file that is not text reads as empty (and sets
// unreadable), a line that is neither a section header nor key=value is passed over.
Document load(const QString &path, bool *unreadable = nullptr) {
    Document doc;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return doc;
    const QByteArray bytes = file.readAll();
    const auto giveUp = [&] {
        if (unreadable)
            *unreadable = true;
        return doc;
    };
    if (bytes.contains('\0'))
        return giveUp();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        // A file written in the Chinese ANSI code page (by an older Windows build, or by
        // hand in a GBK editor) keeps its values; the next write stores them as UTF-8.
        QStringDecoder gbk("GB18030");
        if (!gbk.isValid())
            return giveUp();
        text = gbk(bytes);
        if (gbk.hasError())
            return giveUp();
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Section *current = nullptr;
    const QStringList lines = text.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            current = nullptr;
            for (Section &s : doc) {
                if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            }
            if (!current) {
                doc.push_back({name, {}});
                current = &doc.back();
            }
            continue;
        }
        const int eq = line.indexOf(u'=');
        if (!current || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        QString value = line.mid(eq + 1).trimmed();
        bool replaced = false;
        for (Entry &e : current->entries) {
            if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
                replaced = true;
                break; // the first occurrence wins, as with the classic profile functions
            }
        }
        if (!replaced)
            current->entries.push_back({key, std::move(value)});
    }
    return doc;
}

QByteArray render(const Document &doc) {
    QString text;
    for (const Section &s : doc) {
        if (!text.isEmpty())
            text += u'\n';
        text += u'[' + s.name + QStringLiteral("]\n");
        for (const Entry &e : s.entries)
            text += e.key + u'=' + e.value + u'\n';
    }
    return text.toUtf8();
}

// Values live on one line of the file; line breaks inside them would split them.
QString oneLine(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

SettingsFile SettingsFile::standard() {
    return SettingsFile(settingsPath());
}

QString SettingsFile::read(const QString &section, const QString &key, const QString &defaultValue) const {
    QMutexLocker locker(&fileLock());
    const Document doc = load(m_path);
    for (const Section &s : doc) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Entry &e : s.entries) {
            if (e.key.compare(key, Qt::CaseInsensitive) == 0)
                return e.value;
        }
    }
    return defaultValue;
}

bool SettingsFile::write(const QString &section, const QString &key, const QString &value) const {
    QMutexLocker locker(&fileLock());
    bool unreadable = false;
    Document doc = load(m_path, &unreadable);
    Section *target = nullptr;
    for (Section &s : doc) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            target = &s;
    }
    if (!target) {
        doc.push_back({section, {}});
        target = &doc.back();
    }
    const QString clean = oneLine(value);
    bool found = false;
    for (Entry &e : target->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = clean;
            found = true;
            break;
        }
    }
    if (!found)
        target->entries.push_back({key, clean});

    // A file the user made read-only stays as it is. The rename below would replace it
    // regardless, and a privileged user passes the access test, so the permission bits
    // decide as well.
    if (QFileInfo::exists(m_path)) {
        constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!QFileInfo(m_path).isWritable() || !(QFile::permissions(m_path) & anyWrite))
            return false;
    }
    ensureFolder(parentFolder(m_path));
    // A file that could not be read is replaced by a fresh one, but the user keeps a copy.
    if (unreadable)
        copyFileNoReplace(m_path, m_path + QStringLiteral(".unreadable"));
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(render(doc));
    return out.commit();
}

} // namespace yz
