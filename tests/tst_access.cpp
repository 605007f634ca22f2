// Without a mouse and with a screen reader: every control named, the plot by keys, what changes
// by itself announced, and text that stands out from what it is drawn on.

#include "testsupport.h"

#include "access/announcer.h"
#include "access/contrast.h"
#include "plotting/channelcolors.h"
#include "view/readout.h"

#include <QAccessible>
#include <QMenu>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>

#include <qwt_text.h>

namespace {

// Every enabled control in `top` that Tab can reach, but those that hand their focus on (the
// editor inside a spin box or an editable combo box).
QList<QWidget *> focusableControls(QWidget *top)
{
    QList<QWidget *> controls;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(top) &&
            !w->focusProxy() && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()) &&
            !qobject_cast<QComboBox *>(w->parentWidget()))
            controls << w;
    }
    return controls;
}

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

// The label a screen reader says with the control: where the platform bridge takes it from a
// relation (AT-SPI for combo boxes), the buddy label's.
QString accessibleLabel(QWidget *w)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
    if (!face)
        return QString();
    for (const auto &relation : face->relations(QAccessible::Label)) {
        const QString label = relation.first->text(QAccessible::Name);
        if (!label.isEmpty())
            return label;
    }
    return QString();
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    return dark;
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void everyControlNamed_data();
    void everyControlNamed();
    void thePlotByKeys();
    void changesAnnounced();
    void textStandsOut_data();
    void textStandsOut();
};

void TestAccess::everyControlNamed_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("the window") << "window";
    QTest::newRow("the window on a laptop, its panel in a view") << "laptop";
    QTest::newRow("the trigger box") << "trigger";
    QTest::newRow("the spectrum window") << "spectrum";
}

// What a screen reader says of each control through Qt's accessibility interfaces: a name.
void TestAccess::everyControlNamed()
{
    QFETCH(QString, what);
    if (what == QLatin1String("laptop"))
        MainWindowProbe::standInDesktop(QRect(0, 0, 1366, 768));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    standInLargeDesktop();
    chooseChannelCount(window, 3);
    QWidget *top = &window;
    if (what == QLatin1String("laptop"))
        QVERIFY(window.findChild<QScrollArea *>(QStringLiteral("scrollArea_Panel")));
    if (what == QLatin1String("trigger")) {
        action(window, "actionTrigger")->trigger();
        top = window.findChild<QDialog *>(QStringLiteral("triggerBox"));
        QVERIFY(top && top->isVisible());
    }
    if (what == QLatin1String("spectrum")) {
        action(window, "actionSpectrum")->trigger();
        top = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("spectrumView") && w->isVisible())
                top = w;
        }
        QVERIFY(top);
    }
    QStringList unnamed;
    const QList<QWidget *> controls = focusableControls(top);
    for (QWidget *w : controls) {
        if (accessibleName(w).trimmed().isEmpty() && accessibleLabel(w).isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(),
                                                     QLatin1String(w->metaObject()->className()));
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("%1 of %2 have no name: %3")
                                               .arg(unnamed.size())
                                               .arg(controls.size())
                                               .arg(unnamed.join(QStringLiteral(", ")))));
    if (what == QLatin1String("window")) {
        QCOMPARE(accessibleLabel(widget<QWidget>(window, "cbBaudRate")),
                 QStringLiteral("Baud Rate:"));
        QCOMPARE(accessibleLabel(widget<QWidget>(window, "spinBox_Ymax")), QStringLiteral("Ymax"));
        QCOMPARE(accessibleName(widget<QWidget>(window, "pb_refreshports")),
                 QStringLiteral("Refresh port list"));
        QCOMPARE(widget<QWidget>(window, "pb_refreshports")->toolTip(),
                 QStringLiteral("Refresh port list"));
        QCOMPARE(accessibleName(cellSpinBox(window, 1, 1)), QStringLiteral("Channel 2 gain"));
        // What a reader walks in the accessibility tree: the table's cells, an editable combo
        // box's editor.
        QAccessibleInterface *table =
            QAccessible::queryAccessibleInterface(widget<QWidget>(window, "tableWidget"));
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->tableInterface()->cellAt(1, 1)->text(QAccessible::Name),
                 QStringLiteral("Channel 2 gain"));
        QCOMPARE(accessibleName(widget<QComboBox>(window, "cbBaudRate")->lineEdit()),
                 QStringLiteral("Baud Rate"));
        // The visible texts stay the form's.
        QCOMPARE(widget<QLabel>(window, "label_9")->text(), QStringLiteral("Baud Rate:"));
        QCOMPARE(accessibleName(MainWindowProbe(window).plot()->canvas()),
                 QStringLiteral("Plot: 3 channels, y -0.6 to 0.6"));
    }
}

// From the tab bar to the canvas with Tab, its menu with Shift+F10, zoom, pan, reset, both
// cursors and the readout, all without a mouse event.
void TestAccess::thePlotByKeys()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    MainWindowProbe probe(window);
    QByteArray ramp;
    for (int n = 1; n <= 3000; ++n)
        ramp += QByteArray::number(n) + "\r\n";
    probe.feed(ramp);
    QVERIFY(probe.nextFrame());
    QWidget *canvas = probe.plot()->canvas();

    QTabBar *tabs = widget<QTabWidget>(window, "tabWidget_MonitorViews")->tabBar();
    tabs->setFocus();
    QTest::keyClick(tabs, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), canvas);

    QTest::keyClick(canvas, Qt::Key_F10, Qt::ShiftModifier);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(probe.view()->menuPixel(), canvas->rect().center());
    menu->close();

    const QRectF start = probe.view()->currentView();
    QTest::keyClick(canvas, Qt::Key_Plus);
    QVERIFY(probe.view()->isZoomed());
    const QRectF zoomed = probe.view()->currentView();
    QVERIFY(zoomed.width() < start.width());
    QTest::keyClick(canvas, Qt::Key_Right);
    QVERIFY(probe.view()->currentView().left() > zoomed.left());
    QTest::keyClick(canvas, Qt::Key_Home);
    QVERIFY(!probe.view()->isZoomed());

    // Cursors at the centre, then B ten samples to the right: the readout says so.
    QTest::keyClick(canvas, Qt::Key_A);
    QTest::keyClick(canvas, Qt::Key_B);
    QTest::keyClick(canvas, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(probe.nextFrame());
    QVERIFY2(canvas->accessibleDescription().contains(QStringLiteral("\u0394x 10 samples")),
             qPrintable(canvas->accessibleDescription()));
    QVERIFY(canvas->accessibleDescription().contains(QStringLiteral("B minus A 10")));
    QVERIFY(probe.view()->hasCursors());

    // A field with the focus keeps its keys.
    auto *port = widget<QLineEdit>(window, "lineEdit_UDP_PORT");
    port->setFocus();
    QTest::keyClick(port, Qt::Key_A);
    QVERIFY(port->text().endsWith(QLatin1Char('a')));
}

// A link opening and closing, a trigger firing, a recording stopping by itself: each heard
// once; a flood of lines: nothing.
void TestAccess::changesAnnounced()
{
    QStringList heard;
    QObject *heardFrom = nullptr;
    QObject listening; // ends the connection with the test
    connect(Announcements::instance(), &Announcements::announced, &listening,
            [&](QObject *source, const QString &message) {
                heard << message;
                heardFrom = source;
            });
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    heard.clear();
    widget<QLineEdit>(window, "lineEdit_UDP_PORT")->setText(QStringLiteral("0")); // any free one
    widget<QPushButton>(window, "pbMode")->click();
    QCOMPARE(heard, QStringList{QStringLiteral("Ethernet Connected")});
    heard.clear();
    QByteArray lines;
    for (int n = 1; n <= 5000; ++n)
        lines += QByteArray::number(n % 100) + "\r\n";
    probe.feed(lines);
    QVERIFY(probe.nextFrame());
    QVERIFY2(heard.isEmpty(), qPrintable(heard.join(QStringLiteral(", "))));

    // Single on a rise through 50.
    action(window, "actionTrigger")->trigger();
    auto *box = window.findChild<QDialog *>(QStringLiteral("triggerBox"));
    auto *level = widget<QDoubleSpinBox>(*box, "spinBox_triggerLevel");
    level->setValue(50);
    widget<QRadioButton>(*box, "radioButton_triggerSingle")->click();
    box->close();
    probe.feed(lines);
    QVERIFY(probe.nextFrame());
    QCOMPARE(heard.size(), 1);
    QCOMPARE(heardFrom, window.findChild<QObject *>(QStringLiteral("label_trigger")));
    heard.clear();

    widget<QPushButton>(window, "pbMode")->click();
    QCOMPARE(heard, QStringList{QStringLiteral("Disconnected")});
}

void TestAccess::textStandsOut_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("the default palette") << false;
    QTest::newRow("a dark desktop palette") << true;
}

// Value-marker labels on the canvas, the readout's rows on its box, the status bar's texts:
// 4.5 to 1 at least, whatever the desktop's palette.
void TestAccess::textStandsOut()
{
    QFETCH(bool, dark);
    const QPalette before = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MainWindowProbe probe(window);
    chooseChannelCount(window, 6);
    QByteArray lines;
    for (int n = 1; n <= 100; ++n)
        lines += "1 2 3 4 5 6\r\n";
    probe.feed(lines);
    QVERIFY(probe.nextFrame());
    const QColor canvas = probe.plot()->canvasBackground().color();

    moveMouseTo(window, 50, 3);
    QVERIFY(probe.nextFrame());
    QCOMPARE(probe.pointMarkers().size(), 6);
    for (const QwtPlotMarker *marker : probe.pointMarkers()) {
        // Qwt draws a label without its own colour in the painter's, the palette's text colour.
        const QColor text = marker->label().color().isValid()
                                ? marker->label().color()
                                : probe.plot()->canvas()->palette().color(QPalette::WindowText);
        QVERIFY2(contrastRatio(text, canvas) >= ReadableContrast, qPrintable(text.name()));
    }

    // The readout: every channel's row in its colour on the box.
    Readout readout;
    readout.hasA = true;
    for (int c = 0; c < 6; ++c) {
        Readout::Channel channel;
        channel.channel = c;
        readout.channels << channel;
    }
    const QString html = readoutText(readout);
    for (int c = 0; c < 6; ++c) {
        const int at = html.indexOf(QStringLiteral("Channel %1<").arg(c + 1));
        const int style = html.lastIndexOf(QStringLiteral("color:#"), at);
        const QColor row(html.mid(style + 6, 7));
        QVERIFY2(contrastRatio(row, readoutBackground()) >= ReadableContrast,
                 qPrintable(row.name()));
        QVERIFY(qAbs(row.hue() - channelColor(c).hue()) <= 2); // kept, within rounding
    }

    // The status bar's texts on its background: the rate, and a recording's red.
    QStatusBar *bar = widget<QStatusBar>(window, "statusbar");
    const QColor background = bar->palette().color(QPalette::Window);
    QVERIFY(
        contrastRatio(widget<QLabel>(window, "label_rate")->palette().color(QPalette::WindowText),
                      background) >= ReadableContrast);
    const QColor red = readableOn(QColor(0xd0, 0, 0), background);
    QVERIFY(contrastRatio(red, background) >= ReadableContrast);
    QVERIFY(red.hue() == 0 && red.saturation() > 100);
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
