#ifndef CORVALE_SPECTRUMCONTROLS_H
#define CORVALE_SPECTRUMCONTROLS_H

#include "spectrum/spectrumjob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class PlotView;
class QAction;
class QWidget;
class SpectrumView;
class SpectrumWorker;

// The spectrum of what the plot shows: "Spectrum" in the canvas's right-click menu (time series
// only) opens the spectrum's window beside the main one. While it is open, the spectrum follows
// the view: whenever a frame shows other lines, another stretch, other channels, or the window's
// settings change, the stretch is handed to the worker, at most ten times a second and no
// oftener than the worker can keep half idle. Frozen, the stretch's lines stay the same and so
// does the spectrum. Closing the window stops the work; it comes back where it was left.
class SpectrumControls : public QObject
{
    Q_OBJECT

public:
    SpectrumControls(PlotView *view, QWidget *window);
    ~SpectrumControls() override;

    QAction *action() const { return m_action; }
    // Made when first opened.
    SpectrumView *spectrumView() const { return m_spectrum; }
    SpectrumWorker *worker() const { return m_worker.get(); }

    void open();

private:
    void follow();
    void request();
    void finished(std::shared_ptr<const SpectrumResult> result);
    void closed();

    PlotView *m_view;
    QWidget *m_window;
    QAction *m_action = nullptr;
    SpectrumView *m_spectrum = nullptr;
    std::unique_ptr<SpectrumWorker> m_worker;
    // What was last handed to the worker, and when.
    SpectrumStretch m_stretch;
    SpectrumSettings m_settings;
    bool m_asked = false;
    QElapsedTimer m_lastAsked;
    double m_lastSeconds = 0; // the last transform took
    QTimer m_wait;            // until the next may be asked for
};

#endif
