#include "spectrum/spectrumplot.h"

#include "access/contrast.h"

#include "plotting/channelcolors.h"
#include "plotting/qwtcompat.h"
#include "plotting/reducedcurve.h"

#include <QLocale>

#include <qwt_picker_machine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_picker.h>
#include <qwt_scale_engine.h>
#include <qwt_series_data.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

#include <algorithm>
#include <cmath>

namespace {

// A channel's magnitudes from bin `first` on, against their frequencies: those the worker kept
// for drawing (see SpectrumResult::drawn), else all.
class SpectrumSeries final : public QwtSeriesData<QPointF>
{
public:
    SpectrumSeries(std::shared_ptr<const SpectrumResult> result, int index, int first)
        : m_result(std::move(result)), m_index(index), m_first(first),
          m_drawn(m_result->drawn.value(index))
    {
        // Bin 0 is the first kept, if any is.
        if (!m_drawn.isEmpty())
            m_skip = m_first;
    }
    size_t size() const override
    {
        if (!m_drawn.isEmpty())
            return size_t(m_drawn.size() - m_skip);
        const int bins = int(magnitude().size());
        return size_t(qMax(bins - m_first, 0));
    }
    QPointF sample(size_t i) const override
    {
        const int bin = m_drawn.isEmpty() ? m_first + int(i) : m_drawn.at(m_skip + int(i));
        return QPointF(m_result->spectrum.frequency(bin), magnitude().at(bin));
    }
    QRectF boundingRect() const override
    {
        const int n = int(size());
        if (n == 0)
            return QRectF(1.0, 1.0, -2.0, -2.0); // Qwt's "no bounds"
        const double low = m_result->lowest.at(m_index);
        const double high = m_result->highest.at(m_index);
        const double x0 = sample(0).x();
        return QRectF(x0, low, sample(size_t(n - 1)).x() - x0, high - low);
    }

private:
    const QVector<double> &magnitude() const
    {
        return m_result->spectrum.channels.at(m_index).magnitude;
    }
    std::shared_ptr<const SpectrumResult> m_result;
    int m_index;
    int m_first;
    QVector<int> m_drawn;
    int m_skip = 0;
};

class Crosshair : public QwtPlotPicker
{
public:
    Crosshair(SpectrumPlot *plot)
        : QwtPlotPicker(QwtCompat::xBottom, QwtCompat::yLeft, QwtPicker::CrossRubberBand,
                        QwtPicker::AlwaysOn, plot->canvas()),
          m_plot(plot)
    {
        setStateMachine(new QwtPickerTrackerMachine);
        setRubberBandPen(QPen(QColor(40, 40, 40), 0, Qt::DashLine));
        setTrackerPen(QPen(Qt::black));
    }

protected:
    QwtText trackerTextF(const QPointF &pos) const override
    {
        QwtText text(m_plot->readout(pos.x()), QwtText::RichText);
        text.setBackgroundBrush(QColor(255, 255, 255, 220));
        text.setRenderFlags(Qt::AlignLeft);
        return text;
    }

private:
    SpectrumPlot *m_plot;
};

} // namespace

int frequencyDecimals(double binWidth)
{
    return binWidth > 0 ? qBound(0, 1 - int(std::floor(std::log10(binWidth))), 9) : 3;
}

QString magnitudeText(double value, bool decibels)
{
    const QLocale locale;
    return decibels ? locale.toString(value, 'f', 1) + QStringLiteral(" dB")
                    : locale.toString(value, 'g', 4);
}

SpectrumPlot::SpectrumPlot(QWidget *parent) : QwtPlot(parent)
{
    setAutoReplot(false);
    setCanvasBackground(QColor(230, 230, 230));
    auto *grid = new QwtPlotGrid;
    grid->enableX(true);
    grid->enableY(true);
    grid->setMajorPen(Qt::gray, 0.0, Qt::DotLine);
    grid->attach(this);
    canvas()->setMouseTracking(true);
    canvas()->setAccessibleName(tr("Spectrum: magnitude against frequency"));
    m_picker = new Crosshair(this);
    setAxes(false);
}

SpectrumPlot::~SpectrumPlot()
{
    clear();
}

void SpectrumPlot::clear()
{
    qDeleteAll(m_curves);
    m_curves.clear();
    qDeleteAll(m_peaks);
    m_peaks.clear();
    m_result.reset();
}

void SpectrumPlot::showResult(std::shared_ptr<const SpectrumResult> result, bool logFrequency)
{
    clear();
    m_result = std::move(result);
    m_log = logFrequency;
    const SpectrumResult &r = *m_result;
    const int first = logFrequency ? 1 : 0;
    for (int i = 0; i < int(r.spectrum.channels.size()); ++i) {
        const int channel = r.stretch.channels.at(i);
        auto *curve = new ReducedCurve(QStringLiteral("Channel %1").arg(channel + 1));
        curve->setPen(channelColor(channel), 0.0, Qt::SolidLine);
        curve->setData(new SpectrumSeries(m_result, i, first));
        curve->attach(this);
        m_curves << curve;
        for (const SpectrumPeak &peak : r.spectrum.channels.at(i).peaks) {
            auto *marker = new QwtPlotMarker;
            marker->setSymbol(new QwtSymbol(QwtSymbol::Diamond, channelColor(channel),
                                            QPen(Qt::black, 1), QSize(9, 9)));
            marker->setValue(peak.frequency, peak.amplitude);
            marker->setZ(30);
            marker->setItemAttribute(QwtPlotItem::AutoScale, false);
            marker->attach(this);
            m_peaks << marker;
        }
    }
    setAxes(logFrequency);
    replot();
}

// From 0 (the first bin, on a log axis) to half the rate; magnitudes from 0, decibels over the
// 160 dB below the highest.
void SpectrumPlot::setAxes(bool logFrequency)
{
    const double unit = m_result && m_result->rate > 0 ? m_result->rate : 1.0;
    const double binWidth =
        m_result && m_result->spectrum.binWidth > 0 ? m_result->spectrum.binWidth : unit / 1000.0;
    const bool decibels = m_result && m_result->settings.decibels;
    setAxisTitle(QwtCompat::xBottom, m_result && m_result->rate > 0
                                         ? QStringLiteral("Frequency (Hz)")
                                         : QStringLiteral("Frequency (cycles per line)"));
    setAxisTitle(QwtCompat::yLeft,
                 decibels ? QStringLiteral("Magnitude (dB)") : QStringLiteral("Amplitude"));
    if (logFrequency) {
        setAxisScaleEngine(QwtCompat::xBottom, new QwtLogScaleEngine);
        setAxisScale(QwtCompat::xBottom, qMin(binWidth, unit / 4), unit / 2);
    } else {
        setAxisScaleEngine(QwtCompat::xBottom, new QwtLinearScaleEngine);
        setAxisScale(QwtCompat::xBottom, 0.0, unit / 2);
    }
    bool any = false;
    double low = 0;
    double high = 0;
    for (int i = 0; m_result && i < int(m_result->highest.size()); ++i) {
        if (m_result->spectrum.channels.at(i).magnitude.size() < 2)
            continue;
        low = any ? qMin(low, m_result->lowest.at(i)) : m_result->lowest.at(i);
        high = any ? qMax(high, m_result->highest.at(i)) : m_result->highest.at(i);
        any = true;
    }
    if (decibels) {
        const double top = any ? std::ceil(high / 10.0) * 10.0 + 10.0 : 0.0;
        const double bottom = any ? qMax(std::floor(low / 10.0) * 10.0, top - 160.0) : -100.0;
        setAxisScale(QwtCompat::yLeft, bottom, qMax(top, bottom + 10.0));
    } else {
        setAxisScale(QwtCompat::yLeft, 0.0, any && high > 0 ? high * 1.05 : 1.0);
    }
}

QString SpectrumPlot::readout(double frequency) const
{
    if (!m_result || !(m_result->spectrum.binWidth > 0))
        return QString();
    const SpectrumResult &r = *m_result;
    const QLocale locale;
    const double binWidth = r.spectrum.binWidth;
    const int decimals = frequencyDecimals(binWidth);
    const QString unit = r.rate > 0 ? QStringLiteral(" Hz") : QStringLiteral(" cycles/line");
    const int bin = int(std::llround(qMax(frequency, 0.0) / binWidth));
    QString text =
        QStringLiteral("<b>%1%2</b>").arg(locale.toString(frequency, 'f', decimals), unit);
    for (int i = 0; i < int(r.spectrum.channels.size()); ++i) {
        const QVector<double> &m = r.spectrum.channels.at(i).magnitude;
        if (bin >= int(m.size()))
            continue;
        const QString value = magnitudeText(m.at(bin), r.settings.decibels);
        text += QStringLiteral("<br><span style=\"color:%1\">Channel %2: %3</span>")
                    .arg(readableOn(channelColor(r.stretch.channels.at(i)), Qt::white).name())
                    .arg(r.stretch.channels.at(i) + 1)
                    .arg(value);
    }
    return text;
}
