#ifndef CORVALE_SPECTRUMPLOT_H
#define CORVALE_SPECTRUMPLOT_H

#include "spectrum/spectrumjob.h"

#include <QList>

#include <qwt_plot.h>

#include <memory>

class QwtPlotCurve;
class QwtPlotMarker;
class QwtPlotPicker;
class ReducedCurve;

// Enough decimals of a frequency to tell bins binWidth apart.
int frequencyDecimals(double binWidth);
// A magnitude as the window writes it: "-12.3 dB", or "0.5012" without decibels.
QString magnitudeText(double value, bool decibels);

// Magnitude against frequency, a curve per channel in the channel's colour, the highest peaks
// marked, and a crosshair whose readout gives the frequency under the mouse and each curve's
// magnitude there. The curves read the result as it is, every bin (drawn reduced to the pixel
// columns); on a logarithmic frequency axis bin 0 is left out.
class SpectrumPlot : public QwtPlot
{
public:
    explicit SpectrumPlot(QWidget *parent = nullptr);
    ~SpectrumPlot() override;

    void showResult(std::shared_ptr<const SpectrumResult> result, bool logFrequency);
    void clear();
    const QList<QwtPlotCurve *> &curves() const { return m_curves; }
    const QList<QwtPlotMarker *> &peakMarkers() const { return m_peaks; }
    // The readout for a frequency, as the crosshair shows it.
    QString readout(double frequency) const;

private:
    void setAxes(bool logFrequency);

    std::shared_ptr<const SpectrumResult> m_result;
    QList<QwtPlotCurve *> m_curves;
    QList<QwtPlotMarker *> m_peaks;
    QwtPlotPicker *m_picker = nullptr;
    bool m_log = false;
};

#endif
