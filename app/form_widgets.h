#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QWidget;

// Small builders shared by the three pages, so that every control gets its form name and
// the same look.
namespace yz {

/// A titled group that holds one step of a page.
QGroupBox *stepBox(const QString &formName, const QString &title, QWidget *parent);

QRadioButton *radioButton(const QString &formName, const QString &caption, QWidget *parent);
QCheckBox *checkBox(const QString &formName, const QString &caption, QWidget *parent);

/// A job's start button: start caption and start picture, large.
QPushButton *startButton(const QString &formName, const QString &caption, QWidget *parent);

/// Format radios named <prefix><first>, <prefix><first+1>, … with the captions given; each
/// carries its format word (lower case) in the dynamic property "format". All join one
/// exclusive group; the first is checked.
struct FormatRadios {
    QButtonGroup *group = nullptr;
    QList<QRadioButton *> radios;
};
FormatRadios formatRadios(int firstNumber, const QStringList &captions, const QStringList &words,
                          QWidget *parent);

/// Step 3 of the merge and clip pages, "第三步：选择新视频格式": the six containers MP4 … WMV
/// as radios numbered from firstNumber, in one row of a step box named boxName.
struct ContainerStep {
    QGroupBox *box = nullptr;
    FormatRadios formats;
};
ContainerStep containerStep(const QString &boxName, int firstNumber, QWidget *parent);

/// The format word of the first checked radio, or `fallback` when none is checked.
QString checkedFormat(const QList<QRadioButton *> &radios, const QString &fallback);

} // namespace yz
