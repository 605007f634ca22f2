// The whole window on the screens people have: 1366 x 768 laptops and 1080p screens, scaled from
// 100 to 200 %. A scaled screen gives the window fewer device-independent pixels, so each is
// stood in by its available area in those pixels, less a desktop bar of 32 along the top.

#include "testsupport.h"

#include <QFontInfo>
#include <QFrame>
#include <QHash>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QWindow>

namespace {

const QRect largeDesktop(0, 0, 1920, 1200);

// The offscreen platform cannot hand the window's size limits on, and says so every time.
QtMessageHandler testLog = nullptr;
void withoutSizeHintNotes(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")))
        testLog(type, context, text);
}

// Where every named widget lies in its parent.
QHash<QString, QRect> layoutOf(const QWidget &top)
{
    QHash<QString, QRect> geometries;
    for (const QWidget *w : top.findChildren<QWidget *>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            geometries.insert(w->objectName(), w->geometry());
    }
    return geometries;
}

// The window as the form draws it with the application's font, on a desktop it fits.
struct Drawn
{
    QSize window;
    QSize framed;
    QSize plot;
    QHash<QString, QRect> layout;      // every widget of the window
    QHash<QString, QRect> panelLayout; // the panel's widgets in the panel
};

void showWhole(MainWindow &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QApplication::sendPostedEvents(); // lays the window out
}

Drawn drawnWindow()
{
    MainWindowProbe::standInDesktop(largeDesktop);
    MainWindow window;
    showWhole(window);
    return {window.size(), window.frameGeometry().size(), MainWindowProbe(window).plot()->size(),
            layoutOf(window), layoutOf(*widget<QFrame>(window, "frame_2"))};
}

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initCorvaleResources();
        testLog = qInstallMessageHandler(withoutSizeHintNotes);
    }
    void cleanup() { MainWindowProbe::standInDesktop(largeDesktop); }
    void wholeWindow_data();
    void wholeWindow();
    void followsTheScreen();
};

void TestScreens::wholeWindow_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<int>("scale");
    for (const char *family : {"DejaVu Sans", "Noto Sans", "Cantarell"}) {
        for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
            for (int scale : {100, 125, 150, 200})
                QTest::addRow("%s, %d x %d at %d %%", family, screen.width(), screen.height(),
                              scale)
                    << QString::fromLatin1(family) << screen << scale;
        }
    }
}

void TestScreens::wholeWindow()
{
    QFETCH(QString, family);
    QFETCH(QSize, screen);
    QFETCH(int, scale);
    const QFont font(family, 10);
    QVERIFY2(QFontInfo(font).family() == family, "font not installed");
    const QFont defaultFont = QApplication::font();
    QApplication::setFont(font);
    const auto restoreFont = qScopeGuard([&defaultFont] { QApplication::setFont(defaultFont); });
    static QHash<QString, Drawn> drawnByFamily;
    if (!drawnByFamily.contains(family))
        drawnByFamily.insert(family, drawnWindow());
    const Drawn drawn = drawnByFamily.value(family);

    const QRect area(0, 32, screen.width() * 100 / scale, screen.height() * 100 / scale - 32);
    MainWindowProbe::standInDesktop(area);
    MainWindow window;
    showWhole(window);
    auto *panel = widget<QFrame>(window, "frame_2");
    auto *scroller = window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel"));

    const bool fits =
        drawn.framed.width() <= area.width() && drawn.framed.height() <= area.height();
    // At 125 % the 1080p screen takes the window as drawn in the narrower of the fonts only.
    if (screen.width() != 1920 || scale != 125)
        QCOMPARE(fits, screen.width() == 1920 && scale == 100);
    if (fits) {
        // Nothing changes: the size, the tree and where every widget lies.
        QVERIFY(!scroller);
        QCOMPARE(panel->parentWidget(), widget<QWidget>(window, "centralwidget"));
        QCOMPARE(window.size(), drawn.window);
        if (family == QLatin1String("Cantarell"))
            QCOMPARE(window.size(), QSize(1501, 652));
        QCOMPARE(layoutOf(window), drawn.layout);
        return;
    }

    // The whole window on the area, as wide as the area; the user may resize it within.
    const QRect framed = window.frameGeometry();
    QVERIFY2(area.contains(framed), qPrintable(QStringLiteral("%1, %2 x %3 at %4, %5")
                                                   .arg(framed.width())
                                                   .arg(framed.height())
                                                   .arg(framed.x())
                                                   .arg(framed.y())));
    QCOMPARE(framed.width(), area.width());
    QCOMPARE(window.maximumSize() + (framed.size() - window.size()), area.size());
    QVERIFY(window.minimumWidth() < window.width());

    // The panel as the form draws it, in a view with a bar only where the panel is larger.
    QVERIFY(scroller && scroller->isVisible());
    QCOMPARE(scroller->widget(), panel);
    QCOMPARE(panel->width(), drawn.layout.value(QStringLiteral("frame_2")).width());
    QCOMPARE(layoutOf(*panel), drawn.panelLayout);
    QWidget *view = scroller->viewport();
    QVERIFY(scroller->horizontalScrollBar()->isVisible());
    const bool tooLow = panel->height() > view->height();
    QCOMPARE(scroller->verticalScrollBar()->isVisible(), tooLow);
    // The plot gives way first, down to its least readable height; at 100 % it need not.
    auto *tabs = widget<QTabWidget>(window, "tabWidget_MonitorViews");
    if (tooLow)
        QCOMPARE(tabs->height(), tabs->minimumSizeHint().height());
    QVERIFY(!tooLow || scale > 100);

    // Every control can be brought into view, each of its corners.
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) ||
            !w->isVisibleTo(panel))
            continue;
        for (const QPoint corner : {w->rect().topLeft(), w->rect().bottomRight()}) {
            const QPoint inPanel = w->mapTo(panel, corner);
            // A margin of one: the scroll area takes a point on the view's far edge for inside.
            scroller->ensureVisible(inPanel.x(), inPanel.y(), 1, 1);
            QVERIFY2(view->rect().contains(w->mapTo(view, corner)), qPrintable(w->objectName()));
        }
    }

    // The plot spans the window, readable, and keeps its height where the area is high enough.
    QwtPlot *plot = MainWindowProbe(window).plot();
    QCOMPARE(tabs->width(), scroller->width());
    QVERIFY(plot->height() >= plot->minimumSizeHint().height());
    if (framed.height() < area.height())
        QCOMPARE(plot->height(), drawn.plot.height());
    else
        QVERIFY(plot->height() < drawn.plot.height());
}

void TestScreens::followsTheScreen()
{
    const QFont defaultFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Cantarell"), 10));
    const auto restoreFont = qScopeGuard([&defaultFont] { QApplication::setFont(defaultFont); });
    const Drawn drawn = drawnWindow();
    MainWindow window;
    showWhole(window);
    QScreen *screen = window.screen();
    auto *panel = widget<QFrame>(window, "frame_2");

    // The desktop's area shrinks to a laptop's.
    const QRect laptop(0, 0, 1366, 768);
    MainWindowProbe::standInDesktop(laptop);
    emit screen->availableGeometryChanged(laptop);
    QApplication::sendPostedEvents();
    auto *scroller = window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel"));
    QVERIFY(scroller && scroller->isVisible() && scroller->widget() == panel);
    QVERIFY(laptop.contains(window.frameGeometry()));
    // The user makes it smaller; the panel scrolls on.
    window.resize(700, 500);
    QApplication::sendPostedEvents();
    QCOMPARE(window.size(), QSize(700, 500));
    QVERIFY(scroller->horizontalScrollBar()->isVisible());

    // Moved to a large screen, the window is as drawn again.
    MainWindowProbe::standInDesktop(largeDesktop);
    emit window.windowHandle()->screenChanged(screen);
    QApplication::sendPostedEvents();
    QVERIFY(!window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel")));
    QCOMPARE(panel->parentWidget(), widget<QWidget>(window, "centralwidget"));
    QVERIFY(!panel->autoFillBackground());
    QCOMPARE(window.size(), drawn.window);
    QCOMPARE(layoutOf(window), drawn.layout);
    QVERIFY(largeDesktop.contains(window.frameGeometry()));

    // The desktop is scaled to 150 %: the same screen has fewer pixels for the window.
    const QRect scaled(0, 0, 1280, 800);
    MainWindowProbe::standInDesktop(scaled);
    emit screen->logicalDotsPerInchChanged(144);
    QApplication::sendPostedEvents();
    scroller = window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel"));
    QVERIFY(scroller && scroller->isVisible() && scroller->widget() == panel);
    QVERIFY(scaled.contains(window.frameGeometry()));
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
