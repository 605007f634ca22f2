// The main window as it comes up, before any link is opened.

#include "testsupport.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>

#include <algorithm>

namespace {

// With CORVALE_TEST_WITHOUT_PLUGINS set, the test finds none of Qt's plugins but the platform,
// loaded by then: no SVG icon engine, as where Qt's SVG plugins are not installed.
void dropPlugins()
{
    if (qEnvironmentVariableIsSet("CORVALE_TEST_WITHOUT_PLUGINS"))
        QCoreApplication::setLibraryPaths({});
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(dropPlugins)

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initCorvaleResources(); }
    void initialState();
    void linkPanel();
    void plotControls();
    void tableHeaders();
    void slotTable();
    void adjustPlotScaleOnlyByName();
    void autoScaleBoxSwitchesRangeBoxes();
    void editableCombos();
    void wholeTexts_data();
    void wholeTexts();
};

void TestWindow::initialState()
{
    MainWindow window;
    QCOMPARE(window.size(), QSize(1501, 652));
    QCOMPARE(window.windowTitle(), QStringLiteral("Corvale v1.0.1"));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(widget<QTabWidget>(window, "tabWidget_MonitorViews")->currentIndex(), 0);
    QCOMPARE(widget<QTabWidget>(window, "tabWidget_MonitorViews")->tabText(1),
             QStringLiteral("Serial Monitor"));
    QCOMPARE(widget<QLabel>(window, "label_portstatus")->text(), QStringLiteral("Disconnected"));
    QVERIFY(statusText(window).isEmpty());
    QVERIFY(widget<QPlainTextEdit>(window, "plainTextEdit")->toPlainText().isEmpty());
    // The logo and the refresh icon come from the compiled-in images; the icon shows, SVG engine
    // or not.
    const auto *logo = widget<QLabel>(window, "label_7");
    QVERIFY(!labelPixmap(logo).isNull());
    QVERIFY(drawsSomething(widget<QPushButton>(window, "pb_refreshports")->icon()));
    const auto *ports = widget<QComboBox>(window, "cbPortList");
    for (int i = 0; i < ports->count(); ++i)
        QVERIFY(drawsSomething(ports->itemIcon(i)));
    // The logo and the window icon are kept at the size they are shown, not at that of their
    // images (3046 x 2119 and 1024 x 1024: 25 and 4 MiB decoded).
    QVERIFY(labelPixmap(logo).width() <= logo->maximumWidth() * qApp->devicePixelRatio());
    for (const QSize &size : window.windowIcon().availableSizes())
        QVERIFY(size.width() <= 256 && size.height() <= 256);
}

void TestWindow::linkPanel()
{
    MainWindow window;
    for (const char *name : {"rbNoParity", "rb8Bits", "rb1StopBit", "rbNoFlowControl"})
        QVERIFY2(widget<QRadioButton>(window, name)->isChecked(), name);
    for (const char *name :
         {"rbOddParity", "rbEvenParity", "rb7Bits", "rb6Bits", "rb5Bits", "rb2StopBit"})
        QVERIFY2(!widget<QRadioButton>(window, name)->isChecked(), name);

    for (const char *name : {"pbOpenPort", "pbMode"}) {
        auto *button = widget<QPushButton>(window, name);
        QVERIFY(button->isCheckable());
        QVERIFY(!button->isChecked());
        QCOMPARE(button->styleSheet(), QStringLiteral("QPushButton { background-color: gray;}"));
    }
    QCOMPARE(widget<QPushButton>(window, "pbOpenPort")->text(), QStringLiteral("Open Serial"));
    QCOMPARE(widget<QPushButton>(window, "pbMode")->text(), QStringLiteral("Open Ethernet"));
    QCOMPARE(widget<QComboBox>(window, "cbBaudRate")->currentText(), QStringLiteral("9600"));
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_UDP_PORT")->text(), QStringLiteral("55000"));
    QVERIFY(!widget<QLabel>(window, "label_localIP")->text().isEmpty());
    QVERIFY(widget<QLabel>(window, "label_localIP")->text() != QStringLiteral("0.0.0.0"));
}

void TestWindow::plotControls()
{
    MainWindow window;
    QCOMPARE(widget<QSpinBox>(window, "SpinBox_XScale")->value(), 1000);
    QCOMPARE(widget<QComboBox>(window, "comboBox_NumChannels")->currentText(), QStringLiteral("1"));
    QVERIFY(widget<QCheckBox>(window, "checkBox_YAutoScale")->isChecked());
    QVERIFY(!widget<QCheckBox>(window, "checkBox_enableXYGraph")->isChecked());
    // Until the first axis update the Y boxes stay enabled; the X range boxes belong to XY mode.
    QVERIFY(widget<QSpinBox>(window, "spinBox_Ymin")->isEnabled());
    QVERIFY(widget<QSpinBox>(window, "spinBox_Ymax")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "spinBox_Xmin")->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "spinBox_Xmax")->isEnabled());
    QCOMPARE(widget<QSpinBox>(window, "spinBox_Ymin")->value(), 0);
    QCOMPARE(widget<QSpinBox>(window, "spinBox_Ymax")->value(), 2000);
    QCOMPARE(widget<QSpinBox>(window, "spinBox_Xmin")->value(), -1000);
    QCOMPARE(widget<QSpinBox>(window, "spinBox_Xmax")->value(), 1000);
    QVERIFY(widget<QTableWidget>(window, "tableWidget")->isEnabled());
}

void TestWindow::tableHeaders()
{
    MainWindow window;
    auto *table = widget<QTableWidget>(window, "tableWidget");
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->rowCount(), 1);
    const QStringList headers{"Channel", "Gain", "Offset"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(table->horizontalHeaderItem(i)->text(), headers.at(i));
        QVERIFY(table->horizontalHeaderItem(i)->font().bold());
    }
}

void TestWindow::slotTable()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(QByteArray(meta.className()), QByteArray("MainWindow"));
    const QList<QByteArray> expected{"setupPlot()",
                                     "scaleSpinBox_editingFinished()",
                                     "adjustPlotScale()",
                                     "UpdateAxisScale()",
                                     "readSerialData()",
                                     "readUdpData()",
                                     "OpenUDPMode(bool)",
                                     "loadPorts()",
                                     "openPort_toggled(bool)",
                                     "MonitorView_changed()",
                                     "onScrollBarChanged(int)",
                                     "XYGraph_state_changed(int)",
                                     "XAxis_scale_editingFinished()",
                                     "pbClear_all_clicked()"};
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected.at(i));
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
    }
}

void TestWindow::adjustPlotScaleOnlyByName()
{
    MainWindow window;
    MainWindowProbe probe(window);
    widget<QSpinBox>(window, "SpinBox_XScale")->setValue(300); // no edit finished: no effect yet
    QVERIFY(QMetaObject::invokeMethod(&window, "adjustPlotScale"));
    const QwtScaleDiv div = probe.plot()->axisScaleDiv(QwtCompat::xBottom);
    QCOMPARE(div.lowerBound(), 0.0);
    QCOMPARE(div.upperBound(), 1000.0); // the plot width, not the untouched spin box
}

void TestWindow::autoScaleBoxSwitchesRangeBoxes()
{
    MainWindow window;
    window.show();
    auto *autoScale = widget<QCheckBox>(window, "checkBox_YAutoScale");
    auto *ymin = widget<QSpinBox>(window, "spinBox_Ymin");
    QSignalSpy toggled(autoScale, &QCheckBox::toggled);
    autoScale->click();
    QCOMPARE(toggled.count(), 1);
    QVERIFY(ymin->isEnabled());
    autoScale->click();
    QVERIFY(!ymin->isEnabled());
    QVERIFY(!widget<QSpinBox>(window, "spinBox_Ymax")->isEnabled());
}

void TestWindow::editableCombos()
{
    MainWindow window;
    window.show();
    auto *baud = widget<QComboBox>(window, "cbBaudRate");
    QVERIFY(baud->isEditable());
    baud->setFocus();
    baud->lineEdit()->selectAll();
    QTest::keyClicks(baud, "250000");
    QTest::keyClick(baud, Qt::Key_Return);
    QCOMPARE(baud->count(), 4);
    QCOMPARE(baud->itemText(0), QStringLiteral("250000"));
    QCOMPARE(baud->currentText(), QStringLiteral("250000"));

    auto *ports = widget<QComboBox>(window, "cbPortList");
    QVERIFY(ports->isEditable());
    ports->setEditText(QStringLiteral("/dev/pts/77"));
    QCOMPARE(ports->currentText(), QStringLiteral("/dev/pts/77"));
}

// The fonts of the common Linux desktops, which the form was not drawn with.
void TestWindow::wholeTexts_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    for (const char *family : {"DejaVu Sans", "Noto Sans", "Cantarell"}) {
        for (int pointSize : {10, 11})
            QTest::addRow("%s %d pt", family, pointSize)
                << QString::fromLatin1(family) << pointSize;
    }
}

void TestWindow::wholeTexts()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    const QFont font(family, pointSize);
    QVERIFY2(QFontInfo(font).family() == family, "font not installed");
    const QFont defaultFont = QApplication::font();
    QApplication::setFont(font);
    const auto restoreFont = qScopeGuard([&defaultFont] { QApplication::setFont(defaultFont); });

    MainWindow window;
    widget<QLabel>(window, "label_localIP")->setText(QStringLiteral("255.255.255.255"));
    window.show();
    auto *status = widget<QLabel>(window, "label_portstatus");
    const QStringList states{"Disconnected", "Serial<br>Connected", "Ethernet<br>Connected"};
    for (const QString &state : states) {
        status->setText(state);
        QApplication::sendPostedEvents(); // lays the window out again
        for (QWidget *w : window.findChildren<QWidget *>()) {
            const auto *label = qobject_cast<QLabel *>(w);
            const auto *button = qobject_cast<QAbstractButton *>(w);
            const QString text = label ? label->text() : button ? button->text() : QString();
            if (text.isEmpty() || !w->isVisible())
                continue;
            const QSize hint = w->sizeHint();
            const QByteArray what = w->objectName().toLatin1() + " \"" + text.toUtf8() + "\" is " +
                                    QByteArray::number(w->width()) + " x " +
                                    QByteArray::number(w->height()) + ", needs " +
                                    QByteArray::number(hint.width()) + " x " +
                                    QByteArray::number(hint.height());
            QVERIFY2(w->width() >= hint.width() && w->height() >= hint.height(), what.constData());
        }
    }
    // The status label keeps its box and takes the largest point size, up to 14, that fits.
    QCOMPARE(status->size(), QSize(122, 60));
    QVERIFY(status->font().pointSize() <= 14);
    if (status->font().pointSize() < 14) {
        QFont larger = status->font();
        larger.setPointSize(larger.pointSize() + 1);
        status->setFont(larger);
        QVERIFY(std::any_of(states.begin(), states.end(), [status](const QString &state) {
            status->setText(state);
            return status->sizeHint().width() > 122 || status->sizeHint().height() > 60;
        }));
    }
    if (pointSize == 10)
        QVERIFY2(window.width() <= 1600, QByteArray::number(window.width()).constData());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
