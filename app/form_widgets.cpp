#include "app/form_widgets.h"

#include "app/pictures.h"
#include "app/theme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
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

QString checkedFormat(const QList<QRadioButton *> &radios, const QString &fallback) {
    for (const QRadioButton *radio : radios) {
        if (radio->isChecked())
            return radio->property("format").toString();
    }
    return fallback;
}

} // namespace yz
