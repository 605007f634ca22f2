#include "testsupport.h"
#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
class TestDbg : public QObject
{
    Q_OBJECT
private slots:
    void run()
    {
        if (qEnvironmentVariableIsSet("DBG_FONT"))
            QApplication::setFont(
                QFont(qEnvironmentVariable("DBG_FONT"), qEnvironmentVariableIntValue("DBG_PT")));
        MainWindowProbe::standInDesktop(QRect());
        MainWindow window;
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        QTest::qWait(2000);
        if (qEnvironmentVariableIsSet("DBG_LATEFONT")) {
            QApplication::setFont(QFont(qEnvironmentVariable("DBG_LATEFONT"),
                                        qEnvironmentVariableIntValue("DBG_PT")));
            QTest::qWait(1000);
        }
        auto *scroller = window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel"));
        qInfo() << "screen" << window.screen()->availableGeometry() << "window" << window.geometry()
                << window.frameGeometry() << "font" << QApplication::font();
        if (!scroller) {
            qInfo() << "no scroller";
            return;
        }
        QScrollBar *bar = scroller->horizontalScrollBar();
        bar->setValue(bar->maximum());
        QTest::qWait(500);
        for (QScrollBar *b : window.findChildren<QScrollBar *>())
            if (b->isVisible())
                qInfo() << "bar" << b->parentWidget()->parentWidget()->objectName()
                        << b->orientation() << QRect(b->mapTo(&window, QPoint()), b->size())
                        << b->minimum() << b->maximum() << b->pageStep() << b->value();
        if (qEnvironmentVariableIsSet("DBG_SHOT"))
            window.grab().save(qEnvironmentVariable("DBG_SHOT"));
        auto *panel = widget<QFrame>(window, "frame_2");
        qInfo() << "scroller" << scroller->geometry() << "viewport"
                << scroller->viewport()->geometry() << "bar" << bar->minimum() << bar->maximum()
                << bar->pageStep() << "panel" << panel->geometry() << panel->minimumSize()
                << panel->sizeHint() << panel->minimumSizeHint() << "central"
                << window.centralWidget()->geometry();
        for (const char *n : {"SpinBox_XScale", "spinBox_Ymax", "spinBox_Ymin", "spinBox_Xmin",
                              "spinBox_Xmax", "comboBox_NumChannels", "tableWidget"}) {
            QWidget *w = widget<QWidget>(window, n);
            qInfo() << n << QRect(w->mapTo(&window, QPoint()), w->size()) << "inpanel"
                    << QRect(w->mapTo(panel, QPoint()), w->size());
        }
    }
};
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("DBG_HIDPI"))
        enableHighDpiScaling();
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("DBG_STYLE"))
        QApplication::setStyle(QStringLiteral("GTK+"));
    TestDbg t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_dbg.moc"
