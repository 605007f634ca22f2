// The real start-up path: splash screen for four seconds, then the main window, then a clean exit.

#include "app/application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplashScreen>
#include <QStyle>
#include <QTimer>

#include <cstdio>

namespace {

QElapsedTimer clock;
qint64 splashShown = -1;
qint64 windowShown = -1;
bool splashClosedAfterWindow = false;
QString windowTitle;
bool splashOnScreen = false;
bool windowOnArea = false;
bool panelReachable = false;

// Whether the panel is in a view that scrolls across all of it.
bool reachable(QMainWindow *window)
{
    auto *panel = window->findChild<QWidget *>(QStringLiteral("frame_2"));
    auto *view = window->findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel"));
    if (!view)
        return false;
    const QScrollBar *across = view->horizontalScrollBar();
    return view->widget() == panel && across->isVisible() &&
           across->maximum() == panel->width() - view->viewport()->width();
}

// Watches the application's windows appear without touching the start-up code.
class ShowWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *splash = qobject_cast<QSplashScreen *>(watched); splash && splashShown < 0) {
                splashShown = clock.elapsed();
                const QSize room = splash->screen()->availableGeometry().size();
                splashOnScreen =
                    splash->width() <= room.width() && splash->height() <= room.height();
            } else if (auto *window = qobject_cast<QMainWindow *>(watched);
                       window && windowShown < 0) {
                windowShown = clock.elapsed();
                windowTitle = window->windowTitle();
                // Close it from the event loop, as a user would.
                QTimer::singleShot(200, window, [window] {
                    windowOnArea =
                        window->screen()->availableGeometry().contains(window->frameGeometry());
                    panelReachable = reachable(window);
                    const auto splashes = QApplication::topLevelWidgets();
                    splashClosedAfterWindow = true;
                    for (QWidget *w : splashes)
                        if (qobject_cast<QSplashScreen *>(w) && w->isVisible())
                            splashClosedAfterWindow = false;
                    window->close();
                });
            }
        }
        return false;
    }
};

void installWatcher()
{
    clock.start();
    auto *watcher = new ShowWatcher;
    watcher->setParent(qApp); // goes with the application
    qApp->installEventFilter(watcher);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installWatcher)

int main(int argc, char **argv)
{
    QElapsedTimer total;
    total.start();
    const int exitCode = runCorvale(argc, argv);

    int passes = 0;
    int failures = 0;
    auto check = [&](bool ok, const char *what) {
        std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
        (ok ? passes : failures) += 1;
    };
    check(exitCode == 0, "closing the main window ends the program with exit code 0");
    check(splashShown >= 0, "the splash screen is shown");
    check(windowShown >= 0, "the main window is shown");
    check(windowShown - splashShown >= 4000, "the splash screen stands at least 4 seconds");
    check(splashClosedAfterWindow, "the splash screen is gone once the main window shows");
    check(windowTitle == QLatin1String("Corvale v1.0.1"), "the window title");
    // The offscreen platform's screen is smaller than the window as drawn.
    check(splashOnScreen, "the splash screen is no larger than the screen");
    check(windowOnArea, "the main window lies within the screen's available area");
    check(panelReachable, "the control panel scrolls across where the window is narrower");
    std::printf("%d passed, %d failed\n", passes, failures);
    return failures == 0 ? 0 : 1;
}
