#include "trigger/triggerbox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <cmath>

namespace {

// Numbers as typed: 1.5, not 1.500000.
class LevelSpinBox : public QDoubleSpinBox
{
public:
    QString textFromValue(double value) const override
    {
        QString text = locale().toString(value, 'f', decimals());
        const QString point(locale().decimalPoint()); // a QChar in Qt 5, a QString in Qt 6
        if (text.contains(point)) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(point))
                text.chop(1);
        }
        return text;
    }
};

} // namespace

TriggerBox::TriggerBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("triggerBox"));
    setWindowTitle(tr("Trigger"));
    setModal(false);

    m_channel = new QComboBox;
    m_channel->setObjectName(QStringLiteral("comboBox_triggerChannel"));
    m_slope = new QComboBox;
    m_slope->setObjectName(QStringLiteral("comboBox_triggerSlope"));
    m_slope->addItem(tr("Rising \u2191"), int(TriggerSettings::Slope::Rising));
    m_slope->addItem(tr("Falling \u2193"), int(TriggerSettings::Slope::Falling));
    m_slope->addItem(tr("Either \u2195"), int(TriggerSettings::Slope::Either));
    m_level = new LevelSpinBox;
    m_level->setObjectName(QStringLiteral("spinBox_triggerLevel"));
    m_level->setRange(-1e12, 1e12);
    m_level->setDecimals(6);
    m_level->setKeyboardTracking(false);
    m_hysteresis = new QLabel;
    m_hysteresis->setObjectName(QStringLiteral("label_triggerHysteresis"));
    m_position = new QSpinBox;
    m_position->setObjectName(QStringLiteral("spinBox_triggerPosition"));
    m_position->setRange(10, 90);
    m_position->setValue(50);
    m_position->setSuffix(QStringLiteral(" %"));
    m_position->setKeyboardTracking(false);
    m_position->setToolTip(tr("The share of the plot width before the trigger point"));

    auto *modes = new QHBoxLayout;
    m_mode = new QButtonGroup(this);
    const struct
    {
        TriggerSettings::Mode mode;
        const char *text;
        const char *name;
    } choices[] = {
        {TriggerSettings::Mode::Off, QT_TR_NOOP("Off"), "radioButton_triggerOff"},
        {TriggerSettings::Mode::Normal, QT_TR_NOOP("Normal"), "radioButton_triggerNormal"},
        {TriggerSettings::Mode::Single, QT_TR_NOOP("Single"), "radioButton_triggerSingle"}};
    for (const auto &choice : choices) {
        auto *button = new QRadioButton(tr(choice.text));
        button->setObjectName(QLatin1String(choice.name));
        m_mode->addButton(button, int(choice.mode));
        modes->addWidget(button);
    }
    m_mode->button(int(TriggerSettings::Mode::Off))->setChecked(true);

    auto *form = new QFormLayout;
    form->addRow(tr("&Channel:"), m_channel);
    form->addRow(tr("&Slope:"), m_slope);
    form->addRow(tr("&Level:"), m_level);
    form->addRow(tr("Hysteresis:"), m_hysteresis);
    form->addRow(tr("&Position:"), m_position);
    form->addRow(tr("Mode:"), modes);

    m_arm = new QPushButton(tr("&Arm"));
    m_arm->setObjectName(QStringLiteral("pushButton_triggerArm"));
    m_arm->setToolTip(tr("Wait for the next crossing (T)"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_arm, QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_arm, &QPushButton::clicked, this, &TriggerBox::armClicked);
    connect(m_channel, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TriggerBox::changed);
    connect(m_slope, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TriggerBox::changed);
    connect(m_level, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &TriggerBox::changed);
    connect(m_position, QOverload<int>::of(&QSpinBox::valueChanged), this, &TriggerBox::changed);
    connect(m_mode, &QButtonGroup::idClicked, this, &TriggerBox::changed);
}

void TriggerBox::setChannels(const QVector<int> &channels)
{
    m_showing = true;
    const QVariant current = m_channel->currentData();
    m_channel->clear();
    for (int c : channels)
        m_channel->addItem(tr("Channel %1").arg(c + 1), c);
    const int index = m_channel->findData(current);
    m_channel->setCurrentIndex(qMax(index, 0));
    m_showing = false;
}

void TriggerBox::showSettings(const TriggerSettings &settings)
{
    m_showing = true;
    int channel = m_channel->findData(settings.channel);
    if (channel < 0) {
        m_channel->addItem(tr("Channel %1").arg(settings.channel + 1), settings.channel);
        channel = m_channel->count() - 1;
    }
    m_channel->setCurrentIndex(channel);
    m_slope->setCurrentIndex(m_slope->findData(int(settings.slope)));
    m_level->setValue(settings.level);
    m_position->setValue(int(std::lround(settings.position * 100)));
    m_mode->button(int(settings.mode))->setChecked(true);
    m_arm->setEnabled(settings.mode != TriggerSettings::Mode::Off);
    m_showing = false;
}

TriggerSettings TriggerBox::settings() const
{
    TriggerSettings settings;
    settings.channel = m_channel->currentData().toInt();
    settings.slope = TriggerSettings::Slope(m_slope->currentData().toInt());
    settings.level = m_level->value();
    settings.position = m_position->value() / 100.0;
    settings.mode = TriggerSettings::Mode(m_mode->checkedId());
    return settings;
}

void TriggerBox::setHysteresis(double hysteresis)
{
    m_hysteresis->setText(
        tr("\u00b1%1 (1 % of the axis range)").arg(QLocale().toString(hysteresis, 'g', 3)));
}

void TriggerBox::changed()
{
    m_arm->setEnabled(m_mode->checkedId() != int(TriggerSettings::Mode::Off));
    if (!m_showing)
        emit settingsChanged();
}
