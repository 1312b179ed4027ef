#include "app/output_row.h"

#include "tool/path_helpers.h"
#include "tool/run_directory.h"
#include "tool/settings_file.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace yz {

namespace {

const QString kFolderKey = QStringLiteral("保存位置");

} // namespace

QString pickFolderWithDialog(QWidget *parent, const QString &initialFolder, const QString &title) {
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, title, initialFolder, QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(chosen);
}

OutputRow::OutputRow(const QString &section, const QString &dialogTitle, const FormNames &names,
                     QWidget *parent)
    : QWidget(parent), folderEdit(new QLineEdit(QStringLiteral("*"), this)),
      browseButton(new QPushButton(QStringLiteral("浏览"), this)),
      openButton(new QPushButton(QStringLiteral("打开文件夹"), this)), m_section(section),
      m_dialogTitle(dialogTitle) {
    folderEdit->setObjectName(names.edit);
    browseButton->setObjectName(names.browse);
    openButton->setObjectName(names.open);
    browseButton->setAutoDefault(false);
    openButton->setAutoDefault(false);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(folderEdit, 1);
    layout->addWidget(browseButton);
    layout->addWidget(openButton);

    m_picker = [this](const QString &initial, const QString &title) {
        return pickFolderWithDialog(window(), initial, title);
    };
    m_opener = [](const QString &folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };

    connect(browseButton, &QPushButton::clicked, this, &OutputRow::browse);
    connect(openButton, &QPushButton::clicked, this, &OutputRow::openFolder);
}

void OutputRow::restore() {
    const QString folder = SettingsFile::standard().read(m_section, kFolderKey, defaultOutputFolder());
    // A folder that cannot be made is still shown; the job writing into it reports the failure.
    ensureFolder(folder);
    folderEdit->setText(folder);
}

QString OutputRow::folder() const {
    return folderEdit->text();
}

void OutputRow::browse() {
    Q_EMIT browseStarted();
    const QString chosen = m_picker ? m_picker(folderEdit->text(), m_dialogTitle).trimmed() : QString();
    if (chosen.isEmpty())
        return;
    folderEdit->setText(chosen);
    SettingsFile::standard().write(m_section, kFolderKey, folderEdit->text());
}

void OutputRow::openFolder() {
    if (m_opener)
        m_opener(folderEdit->text());
}

} // namespace yz
