#ifndef CORVALE_TRIGGERBOX_H
#define CORVALE_TRIGGERBOX_H

#include "trigger/triggerdetector.h"

#include <QDialog>
#include <QVector>

class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The small box the trigger is set up in, beside the plot: channel, slope, level, where the
// trigger point stands and the mode. Every change applies at once; the box stays open.
class TriggerBox : public QDialog
{
    Q_OBJECT

public:
    explicit TriggerBox(QWidget *parent = nullptr);

    // The channels to choose from (0-based), shown as "Channel 1" and so on.
    void setChannels(const QVector<int> &channels);
    // Shows these settings; emits nothing.
    void showSettings(const TriggerSettings &settings);
    TriggerSettings settings() const;
    // The hysteresis the trigger uses, said in the box.
    void setHysteresis(double hysteresis);

signals:
    void settingsChanged();
    void armClicked();

private:
    void changed();

    QComboBox *m_channel = nullptr;
    QComboBox *m_slope = nullptr;
    QDoubleSpinBox *m_level = nullptr;
    QSpinBox *m_position = nullptr;
    QButtonGroup *m_mode = nullptr;
    QLabel *m_hysteresis = nullptr;
    QPushButton *m_arm = nullptr;
    bool m_showing = false;
};

#endif
