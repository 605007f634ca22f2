#include "app/application.h"

#include "mainwindow/mainwindow.h"
#include "mainwindow/windowfit.h"
#include "resources/resources.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QSplashScreen>
#include <QThread>

void enableHighDpiScaling()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 does all of this by default. Without it, Qt 5 draws text for the desktop's scale into
    // widgets laid out for 100 %, and texts and buttons run into each other.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    // 150 % stays 150 % instead of being rounded to 200 %.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
#endif
}

void configureApplication(QApplication &app)
{
    app.setWindowIcon(windowIconFrom(QStringLiteral(":/img/Corvale_icon.png")));
    // Wayland compositors find the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVALE_APP_ID));
    QApplication::setStyle(QStringLiteral("GTK+"));
    // Numbers are shown and typed with a decimal point whatever the user's locale is, matching
    // the text the devices send.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void skipOpenGL()
{
    // Nothing here draws with OpenGL, but under X11 Qt 5 loads its GLX integration at start
    // anyway, and with it Mesa and its LLVM: some 55 MiB resident for nothing (Qt 6 waits until
    // it is needed). Whoever needs it can still choose an integration in the environment.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

int runCorvale(int argc, char **argv)
{
    initCorvaleResources();
    enableHighDpiScaling();
    skipOpenGL();
    QApplication app(argc, argv);
    configureApplication(app);

    // The card fills 500 x 281 device-independent pixels, less on a screen smaller than that; on
    // a scaled desktop it is drawn from the 2x image at the screen's own resolution.
    const qreal ratio = app.devicePixelRatio();
    const QPixmap splashImage(ratio > 1 ? QStringLiteral(":/img/Corvale-SS@2x.png")
                                        : QStringLiteral(":/img/Corvale-SS.png"));
    const QSize card =
        fitCard(QSize(500, 281), QGuiApplication::primaryScreen()->availableGeometry());
    QPixmap scaledSplash = QPixmap::fromImage(
        smoothlyScaled(splashImage.toImage(), card * ratio, Qt::KeepAspectRatio));
    scaledSplash.setDevicePixelRatio(ratio);
    QSplashScreen splash(scaledSplash);
    splash.show();
    QCoreApplication::processEvents();
    QThread::sleep(4);

    MainWindow window;
    window.show();
    splash.finish(&window);
    return QApplication::exec();
}
