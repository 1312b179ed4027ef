#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

namespace yz {

/// A page's output row: the folder edit, "浏览" and "打开文件夹". The folder is kept in the
/// settings file under "保存位置" of the page's section; the jobs read it from the edit.
class OutputRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutputRow)

public:
    /// Gives the chosen folder, or an empty text when the user cancelled.
    using FolderPicker = std::function<QString(const QString &initialFolder, const QString &title)>;
    /// Shows a folder in the desktop's file manager.
    using FolderOpener = std::function<void(const QString &folder)>;

    struct FormNames {
        QString edit;
        QString browse;
        QString open;
    };

    /// `section` is the page's settings section, `dialogTitle` the folder dialog's title.
    OutputRow(const QString &section, const QString &dialogTitle, const FormNames &names,
              QWidget *parent = nullptr);

    /// Start-up: reads "保存位置" (default: the run directory's 新媒体 folder), creates the
    /// folder and shows it.
    void restore();

    QString folder() const;
    const QString &section() const { return m_section; }
    const QString &dialogTitle() const { return m_dialogTitle; }

    /// Replace the system dialogs (tests, other desktops).
    void setFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }
    void setFolderOpener(FolderOpener opener) { m_opener = std::move(opener); }

    /// The "浏览" command: asks for a folder starting at the current one; a chosen folder
    /// is shown and stored, a cancelled dialog changes nothing.
    void browse();
    /// The "打开文件夹" command.
    void openFolder();

    QLineEdit *const folderEdit;     ///< 编辑框N, initial text "*"
    QPushButton *const browseButton; ///< "浏览"
    QPushButton *const openButton;   ///< "打开文件夹"

Q_SIGNALS:
    /// Emitted as "浏览" is pressed, before the dialog opens (the conversion page selects
    /// "指定位置" here, whatever the dialog's outcome).
    void browseStarted();

private:
    const QString m_section;
    const QString m_dialogTitle;
    FolderPicker m_picker;
    FolderOpener m_opener;
};

/// The system's folder dialog, opened at the initial folder.
QString pickFolderWithDialog(QWidget *parent, const QString &initialFolder, const QString &title);

} // namespace yz
