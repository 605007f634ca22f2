#ifndef CORVALE_SPECTRUMVIEW_H
#define CORVALE_SPECTRUMVIEW_H

#include "spectrum/spectrumjob.h"

#include <QWidget>

#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTableWidget;
class SpectrumPlot;

// The window "Spectrum — Corvale": a title line saying which lines were transformed and at
// what rate, the settings (window, amplitude or decibels, a logarithmic frequency axis, a rate
// typed in), the plot, and the highest peaks of each channel listed. Its canvas's right-click
// menu saves the picture and the table. It shows results; what to transform is asked of it by
// its settings only.
class SpectrumView : public QWidget
{
    Q_OBJECT

public:
    explicit SpectrumView(QWidget *parent = nullptr);
    ~SpectrumView() override;

    SpectrumSettings settings() const;
    bool logFrequency() const;
    void showResult(std::shared_ptr<const SpectrumResult> result);
    // Nothing to show, and why (XY mode, no lines).
    void showNothing(const QString &why);
    const std::shared_ptr<const SpectrumResult> &result() const { return m_result; }
    SpectrumPlot *plot() const { return m_plot; }
    QString titleLine() const;

signals:
    // The settings of the transform changed.
    void settingsChanged();
    // The user closed the window.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showPeaks();
    void saveImage();
    void exportTable();
    void showMessage(const QString &text);

    std::shared_ptr<const SpectrumResult> m_result;
    QLabel *m_title = nullptr;
    QComboBox *m_window = nullptr;
    QComboBox *m_scale = nullptr;
    QCheckBox *m_log = nullptr;
    QDoubleSpinBox *m_rate = nullptr;
    SpectrumPlot *m_plot = nullptr;
    QTableWidget *m_peaks = nullptr;
    QStatusBar *m_status = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_saveImage = nullptr;
    QAction *m_export = nullptr;
};

// The title line for a result: "Cursors A–B: 4,096 lines · measured 1,000.2 lines/s".
QString spectrumTitle(const SpectrumResult &result);

#endif
