#include "app/application.h"

#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <QSplashScreen>
#include <QThread>

void configureApplication(QApplication &app)
{
    app.setWindowIcon(QIcon(QStringLiteral(":/img/Corvale_icon.png")));
    // Wayland compositors find the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVALE_APP_ID));
    QApplication::setStyle(QStringLiteral("GTK+"));
    // Numbers are shown and typed with a decimal point whatever the user's locale is, matching
    // the text the devices send.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

int runCorvale(int argc, char **argv)
{
    initCorvaleResources();
    QApplication app(argc, argv);
    configureApplication(app);

    const QPixmap splashImage(QStringLiteral(":/img/Corvale-SS.png"));
    const QPixmap scaledSplash =
        splashImage.scaled(500, 281, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QSplashScreen splash(scaledSplash);
    splash.show();
    QCoreApplication::processEvents();
    QThread::sleep(4);

    MainWindow window;
    window.show();
    splash.finish(&window);
    return QApplication::exec();
}
