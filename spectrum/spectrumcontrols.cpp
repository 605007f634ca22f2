#include "spectrum/spectrumcontrols.h"

#include "spectrum/spectrumview.h"
#include "spectrum/spectrumworker.h"
#include "view/plotview.h"

#include <QAction>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

// Ten updates a second at most.
constexpr qint64 leastIntervalMs = 100;

} // namespace

SpectrumControls::SpectrumControls(PlotView *view, QWidget *window)
    : QObject(window), m_view(view), m_window(window)
{
    setObjectName(QStringLiteral("spectrumControls"));
    m_action = new QAction(tr("Spectrum"), window);
    m_action->setObjectName(QStringLiteral("actionSpectrum"));
    connect(m_action, &QAction::triggered, this, &SpectrumControls::open);

    // Beside the view's own actions, before what keeps the plot.
    QMenu *menu = view->menu();
    const QList<QAction *> actions = menu->actions();
    QAction *before = nullptr;
    for (int i = 0; i < actions.size(); ++i) {
        if (actions.at(i)->objectName() == QLatin1String("actionRemoveCursors"))
            before = actions.value(i + 1);
    }
    menu->insertAction(before, m_action);
    menu->setToolTipsVisible(true);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool series = !m_view->shownPoints();
        m_action->setEnabled(series);
        m_action->setToolTip(series ? tr("The spectrum of the lines in view, or between the "
                                         "cursors, in a window of its own")
                                    : tr("The spectrum is of the time series: not in XY mode"));
    });

    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &SpectrumControls::request);
    connect(view, &PlotView::framePrepared, this, &SpectrumControls::follow);
    connect(view, &PlotView::storesChanged, this, &SpectrumControls::follow);
}

SpectrumControls::~SpectrumControls()
{
    // The worker's thread ends before the window it reports to.
    m_worker.reset();
    delete m_spectrum;
}

void SpectrumControls::open()
{
    if (!m_spectrum) {
        m_spectrum = new SpectrumView(m_window);
        m_worker = std::make_unique<SpectrumWorker>();
        connect(m_worker.get(), &SpectrumWorker::finished, this, &SpectrumControls::finished);
        connect(m_spectrum, &SpectrumView::settingsChanged, this, &SpectrumControls::follow);
        connect(m_spectrum, &SpectrumView::closed, this, &SpectrumControls::closed);
        // Beside the main window where the screen has room, else over its right-hand part.
        const QRect main = m_window->frameGeometry();
        const QRect screen = m_window->screen()->availableGeometry();
        const QSize size = m_spectrum->size().boundedTo(screen.size());
        m_spectrum->resize(size);
        const int x = qBound(screen.left(), main.right() + 1, screen.right() + 1 - size.width());
        const int y = qBound(screen.top(), main.top(), screen.bottom() + 1 - size.height());
        m_spectrum->move(x, y);
    }
    m_asked = false;
    m_spectrum->show();
    m_spectrum->raise();
    m_spectrum->activateWindow();
    follow();
}

// Something the spectrum may show has changed: ask for it now, or as soon as it may be asked.
void SpectrumControls::follow()
{
    if (!m_spectrum || !m_spectrum->isVisible())
        return;
    const SpectrumStretch stretch = chooseStretch(*m_view);
    const SpectrumSettings settings = m_spectrum->settings();
    if (m_asked && stretch == m_stretch && settings == m_settings) {
        m_wait.stop();
        return;
    }
    if (m_wait.isActive())
        return;
    // Half the time at most for the worker: a long transform asks less often.
    const qint64 interval = qMax(leastIntervalMs, qint64(std::ceil(2000.0 * m_lastSeconds)));
    const qint64 since = m_lastAsked.isValid() ? m_lastAsked.elapsed() : interval;
    if (since >= interval)
        request();
    else
        m_wait.start(int(interval - since));
}

void SpectrumControls::request()
{
    if (!m_spectrum || !m_spectrum->isVisible())
        return;
    m_stretch = chooseStretch(*m_view);
    m_settings = m_spectrum->settings();
    m_asked = true;
    m_lastAsked.start();
    if (m_stretch.kind == SpectrumStretch::Kind::XY) {
        m_worker->cancel();
        m_spectrum->showNothing(QStringLiteral("XY mode: the spectrum is of the time series only"));
        return;
    }
    m_worker->submit(std::make_shared<SpectrumJob>(takeJob(*m_view, m_stretch, m_settings)));
}

void SpectrumControls::finished(std::shared_ptr<const SpectrumResult> result)
{
    m_lastSeconds = result->seconds;
    // One asked for before the plot turned to XY mode, or the window closed, comes too late.
    if (m_spectrum && m_spectrum->isVisible() && m_stretch.kind != SpectrumStretch::Kind::XY)
        m_spectrum->showResult(std::move(result));
}

// No more work, and nothing kept of it.
void SpectrumControls::closed()
{
    m_wait.stop();
    m_worker->cancel();
    m_spectrum->showNothing(QString());
    m_asked = false;
}
