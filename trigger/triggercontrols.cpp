#include "trigger/triggercontrols.h"

#include "access/announcer.h"
#include "access/contrast.h"
#include "links/chunkqueue.h"
#include "plotting/channelcolors.h"
#include "plotting/qwtcompat.h"
#include "plotting/samplestore.h"
#include "trigger/triggerbox.h"
#include "view/history.h"
#include "view/plotview.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QMenu>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <cmath>

namespace {

// A sweep out of the history: the plot width's lines up to `newest`; what came before the
// history's oldest line (the first after the plot was built) holds no sample.
SampleStore sweepOf(const History &history, qint64 newest, int width)
{
    const int channels = history.channelCount();
    const qint64 first = newest - width + 1;
    const int missing = int(qBound(qint64(0), history.oldest() - first, qint64(width)));
    QVector<double> values(channels * width, 0.0);
    for (int c = 0; c < channels && missing < width; ++c)
        history.copy(c, first + missing, newest + 1, values.data() + c * width + missing, 1);
    SampleStore sweep;
    sweep.assign(channels, width, values, missing);
    return sweep;
}

QwtPlotMarker *makeLine(QwtPlotMarker::LineStyle style)
{
    auto *line = new QwtPlotMarker;
    line->setLineStyle(style);
    line->setItemAttribute(QwtPlotItem::AutoScale, false);
    line->setZ(140);
    return line;
}

const char *arrow(TriggerSettings::Slope slope)
{
    switch (slope) {
    case TriggerSettings::Slope::Rising:
        return "\u2191";
    case TriggerSettings::Slope::Falling:
        return "\u2193";
    case TriggerSettings::Slope::Either:
        break;
    }
    return "\u2195";
}

// "Waiting for ..." once nothing has crossed for this long.
constexpr qint64 waitingAfterMs = 1000;

} // namespace

TriggerControls::TriggerControls(QwtPlot *plot, PlotView *view, const History *history,
                                 QWidget *window)
    : QObject(window), m_plot(plot), m_view(view), m_history(history), m_window(window)
{
    setObjectName(QStringLiteral("triggerControls"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("label_trigger"));
    m_status->setAccessibleName(tr("Trigger"));
    m_status->hide();
    m_levelLine = makeLine(QwtPlotMarker::HLine);
    m_pointLine = makeLine(QwtPlotMarker::VLine);
    m_statusTimer.setInterval(1000);
    connect(&m_statusTimer, &QTimer::timeout, this, &TriggerControls::updateStatus);
    createActions(window);
    // A new plot ends the trigger as it ends the freeze.
    connect(view, &PlotView::rebuilt, this, &TriggerControls::turnOff);
    connect(view, &PlotView::frozenChanged, this, &TriggerControls::leftFreeze);
}

TriggerControls::~TriggerControls()
{
    delete m_levelLine;
    delete m_pointLine;
    delete m_box;
}

void TriggerControls::createActions(QWidget *window)
{
    m_openBox = new QAction(tr("Trigger\u2026"), window);
    m_openBox->setObjectName(QStringLiteral("actionTrigger"));
    m_here = new QAction(tr("Trigger here"), window);
    m_here->setObjectName(QStringLiteral("actionTriggerHere"));
    m_arm = new QAction(tr("Arm trigger"), window);
    m_arm->setObjectName(QStringLiteral("actionArmTrigger"));
    m_arm->setShortcut(QKeySequence(Qt::Key_T));
    connect(m_openBox, &QAction::triggered, this, &TriggerControls::openBox);
    connect(m_here, &QAction::triggered, this, &TriggerControls::triggerHere);
    connect(m_arm, &QAction::triggered, this, &TriggerControls::rearm);
    // The key works where no field takes it.
    window->addAction(m_arm);

    QMenu *menu = m_view->menu();
    menu->setToolTipsVisible(true);
    menu->addSeparator();
    menu->addActions({m_openBox, m_here, m_arm});
}

void TriggerControls::showSeries(const SampleStore *window)
{
    m_series = window;
    const QString why = window ? QString()
                               : tr("The trigger watches the time series; it has no part in "
                                    "XY mode");
    for (QAction *action : {m_openBox, m_here, m_arm}) {
        action->setEnabled(window != nullptr);
        action->setToolTip(why.isEmpty() ? action->text().remove(QChar(0x2026)) : why);
    }
    m_arm->setEnabled(m_plotShown && m_series);
    if (!window && m_box)
        m_box->close();
    if (m_box)
        m_box->setChannels(shownChannels());
}

void TriggerControls::setPlotShown(bool shown)
{
    m_plotShown = shown;
    m_arm->setEnabled(m_plotShown && m_series);
}

QVector<int> TriggerControls::shownChannels() const
{
    QVector<int> channels;
    for (int c = 0; m_series && c < m_series->channelCount(); ++c) {
        if (m_series->settings(c).shown)
            channels << c;
    }
    return channels;
}

double TriggerControls::axisHysteresis() const
{
    const QwtScaleDiv y = m_plot->axisScaleDiv(QwtCompat::yLeft);
    return std::fabs(y.upperBound() - y.lowerBound()) * 0.01;
}

void TriggerControls::openBox()
{
    if (!m_series)
        return;
    if (!m_box) {
        m_box = new TriggerBox(m_window);
        connect(m_box, &TriggerBox::settingsChanged, this, [this] { arm(m_box->settings()); });
        connect(m_box, &TriggerBox::armClicked, this, &TriggerControls::rearm);
        // Beside the plot: at the right end of the canvas, near its top.
        QWidget *canvas = m_plot->canvas();
        m_box->adjustSize();
        m_box->move(canvas->mapToGlobal(QPoint(canvas->width() - m_box->width() - 16, 16)));
    }
    m_box->setChannels(shownChannels());
    m_box->showSettings(m_settings);
    m_box->setHysteresis(m_settings.mode == TriggerSettings::Mode::Off ? axisHysteresis()
                                                                       : m_settings.hysteresis);
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}

// The level where the menu was opened, on the channel whose curve passes nearest.
void TriggerControls::triggerHere()
{
    if (!m_series)
        return;
    const QPoint pixel = m_view->menuPixel();
    const QwtScaleMap xMap = m_plot->canvasMap(QwtCompat::xBottom);
    const QwtScaleMap yMap = m_plot->canvasMap(QwtCompat::yLeft);
    const double x = xMap.invTransform(pixel.x());
    const Timeline timeline = m_view->timeline();
    const QVector<int> channels = shownChannels();
    TriggerSettings settings = m_settings;
    settings.channel = channels.isEmpty() ? 0 : channels.first();
    double nearest = -1;
    for (int c : channels) {
        double value = 0;
        if (!timeline.valueAt(c, x, &value))
            continue;
        const double distance = std::fabs(yMap.transform(value) - pixel.y());
        if (nearest < 0 || distance < nearest) {
            nearest = distance;
            settings.channel = c;
        }
    }
    settings.level = yMap.invTransform(pixel.y());
    settings.slope = TriggerSettings::Slope::Rising;
    settings.mode = TriggerSettings::Mode::Single;
    arm(settings);
}

void TriggerControls::arm(const TriggerSettings &settings)
{
    if (!m_series)
        return;
    m_settings = settings;
    m_settings.hysteresis = axisHysteresis();
    m_detector.arm(m_settings, m_series->width());
    // Armed again, the plot waits live for the next crossing; off, a running plot goes on.
    if (m_view->showsSweep()) {
        const bool frozenOnSweep = m_view->isFrozen();
        m_view->endSweeps();
        if (frozenOnSweep && m_settings.mode != TriggerSettings::Mode::Off)
            m_view->setFrozen(false);
    }
    m_lastSweepAt = -1;
    m_waiting.start();
    if (m_box) {
        m_box->showSettings(m_settings);
        m_box->setHysteresis(m_settings.hysteresis);
    }
    updateMarkers();
    updateStatus();
}

void TriggerControls::rearm()
{
    if (!m_series)
        return;
    TriggerSettings settings = m_settings;
    if (settings.mode == TriggerSettings::Mode::Off)
        settings.mode = TriggerSettings::Mode::Single;
    arm(settings);
}

void TriggerControls::turnOff()
{
    m_settings.mode = TriggerSettings::Mode::Off;
    m_detector.disarm();
    m_lastSweepAt = -1;
    if (m_box)
        m_box->showSettings(m_settings);
    updateMarkers();
    updateStatus();
}

// Leaving a freeze on a single sweep goes back to the live plot, as after any freeze.
void TriggerControls::leftFreeze(bool frozen)
{
    if (!frozen && m_settings.mode != TriggerSettings::Mode::Normal)
        m_view->endSweeps();
}

void TriggerControls::prepareFrame()
{
    TriggerDetector::Sweep sweep;
    if (!m_detector.takeSweep(&sweep) || !m_series || !m_history)
        return;
    m_view->showSweep(sweepOf(*m_history, sweep.newest, m_detector.width()), sweep.newest,
                      m_settings.mode == TriggerSettings::Mode::Single);
    // A screen reader hears of the first sweep after a wait, not of every one that follows.
    const bool firstAfterWaiting =
        m_lastSweepAt < 0 || !m_waiting.isValid() || m_waiting.elapsed() >= waitingAfterMs;
    m_lastSweepAt = sweep.arrivedAt;
    m_waiting.start();
    updateStatus();
    if (firstAfterWaiting)
        announce(m_status, m_status->text());
}

void TriggerControls::updateMarkers()
{
    // On the plot only while the trigger is on: off, the plot is as it always was.
    const bool on = m_settings.mode != TriggerSettings::Mode::Off && m_series;
    m_levelLine->attach(on ? m_plot : nullptr);
    m_pointLine->attach(on ? m_plot : nullptr);
    if (on) {
        const QColor color = channelColor(m_settings.channel);
        m_levelLine->setLinePen(color, 0.0, Qt::DashLine);
        m_levelLine->setYValue(m_settings.level);
        QwtText level(QStringLiteral("T"));
        QFont font = level.font();
        font.setBold(true);
        level.setFont(font);
        level.setColor(readableOn(color, m_plot->canvasBackground().color()));
        m_levelLine->setLabel(level);
        m_levelLine->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
        m_pointLine->setLinePen(QColor(60, 60, 60), 0.0, Qt::DashLine);
        m_pointLine->setXValue(m_detector.before());
        m_pointLine->setLabel(QwtText(tr("Trigger")));
        m_pointLine->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    }
    emit changed();
}

QString TriggerControls::condition() const
{
    return tr("Ch %1 %2 %3")
        .arg(m_settings.channel + 1)
        .arg(QString::fromUtf8(arrow(m_settings.slope)))
        .arg(QLocale().toString(m_settings.level, 'g', 6));
}

// "Armed · Ch 2 ↑ 1.5", "Triggered · 14:03:07.221" or "Waiting for Ch 2 ↑ 1.5 · 12 s".
void TriggerControls::updateStatus()
{
    if (m_settings.mode == TriggerSettings::Mode::Off || !m_series) {
        m_statusTimer.stop();
        m_status->hide();
        m_status->clear();
        return;
    }
    QString text;
    const qint64 waited = m_waiting.isValid() ? m_waiting.elapsed() : 0;
    if (m_lastSweepAt >= 0 && (!m_detector.isArmed() || waited < waitingAfterMs)) {
        const QDateTime at =
            QDateTime::currentDateTime().addMSecs((m_lastSweepAt - ChunkQueue::now()) / 1000000);
        text = tr("Triggered \u00b7 %1").arg(at.toString(QStringLiteral("HH:mm:ss.zzz")));
    } else if (waited < waitingAfterMs) {
        text = tr("Armed \u00b7 %1").arg(condition());
    } else {
        text = tr("Waiting for %1 \u00b7 %2 s").arg(condition()).arg(waited / 1000);
    }
    if (m_status->text() != text)
        m_status->setText(text);
    m_status->show();
    if (m_detector.isArmed() && !m_statusTimer.isActive())
        m_statusTimer.start();
    else if (!m_detector.isArmed())
        m_statusTimer.stop();
}
