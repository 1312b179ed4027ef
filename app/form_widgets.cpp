#include "app/form_widgets.h"

#include "app/pictures.h"
#include "app/theme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

namespace yz {

QGroupBox *stepBox(const QString &formName, const QString &title, QWidget *parent) {
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(formName);
    return box;
}

QRadioButton *radioButton(const QString &formName, const QString &caption, QWidget *parent) {
    auto *radio = new QRadioButton(caption, parent);
    radio->setObjectName(formName);
    return radio;
}

QCheckBox *checkBox(const QString &formName, const QString &caption, QWidget *parent) {
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(formName);
    return box;
}

QPushButton *startButton(const QString &formName, const QString &caption, QWidget *parent) {
    auto *button = new QPushButton(startIcon(), caption, parent);
    button->setObjectName(formName);
    button->setProperty(StartButtonProperty, true);
    button->setIconSize(QSize(32, 32));
    button->setAutoDefault(false);
    // Wide enough for the longest caption, so the button does not jump between states.
    button->setMinimumWidth(150);
    return button;
}

FormatRadios formatRadios(int firstNumber, const QStringList &captions, const QStringList &words,
                          QWidget *parent) {
    FormatRadios result;
    result.group = new QButtonGroup(parent);
    result.group->setExclusive(true);
    for (int i = 0; i < captions.size(); ++i) {
        QRadioButton *radio =
            radioButton(QStringLiteral("单选框%1").arg(firstNumber + i), captions.at(i), parent);
        radio->setProperty("format", words.value(i));
        result.group->addButton(radio, i);
        result.radios << radio;
    }
    if (!result.radios.isEmpty())
        result.radios.first()->setChecked(true);
    return result;
}

ContainerStep containerStep(const QString &boxName, int firstNumber, QWidget *parent) {
    ContainerStep step;
    step.box = stepBox(boxName, QStringLiteral("第三步：选择新视频格式"), parent);
    auto *layout = new QHBoxLayout(step.box);
    layout->setSpacing(16);
    step.formats = formatRadios(firstNumber,
                                {QStringLiteral("MP4"), QStringLiteral("FLV"), QStringLiteral("MOV"),
                                 QStringLiteral("MKV"), QStringLiteral("TS"), QStringLiteral("WMV")},
                                {QStringLiteral("mp4"), QStringLiteral("flv"), QStringLiteral("mov"),
                                 QStringLiteral("mkv"), QStringLiteral("ts"), QStringLiteral("wmv")},
                                step.box);
    for (QRadioButton *radio : step.formats.radios)
        layout->addWidget(radio);
    return step;
}

QString checkedFormat(const QList<QRadioButton *> &radios, const QString &fallback) {
    for (const QRadioButton *radio : radios) {
        if (radio->isChecked())
            return radio->property("format").toString();
    }
    return fallback;
}

} // namespace yz
