// The real start-up path: splash screen for four seconds, then the main window, then a clean exit.

#include "app/application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
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

// Watches the application's windows appear without touching the start-up code.
class ShowWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (qobject_cast<QSplashScreen *>(watched) && splashShown < 0) {
                splashShown = clock.elapsed();
            } else if (auto *window = qobject_cast<QMainWindow *>(watched);
                       window && windowShown < 0) {
                windowShown = clock.elapsed();
                windowTitle = window->windowTitle();
                // Close it from the event loop, as a user would.
                QTimer::singleShot(200, window, [window] {
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
    std::printf("%d passed, %d failed\n", passes, failures);
    return failures == 0 ? 0 : 1;
}
