#include "mainwindow/mainwindow.h"

#include "access/formnames.h"
#include "links/linkrules.h"
#include "mainwindow/formfit.h"
#include "plotting/qwtcompat.h"
#include "plotting/stripchart.h"
#include "plotting/xytrail.h"
#include "record/recordcontrols.h"
#include "resources/resources.h"
#include "spectrum/spectrumcontrols.h"
#include "trigger/triggercontrols.h"
#include "ui_mainwindow.h"
#include "view/plotview.h"

#include <QIcon>
#include <QLabel>
#include <QScrollBar>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>

namespace {

// About one display frame.
constexpr int frameIntervalMs = 16;
// The live rate changes twice a second: readable, and as good as free.
constexpr int rateIntervalMs = 500;

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initCorvaleResources();
    ui->setupUi(this);
    formSize = size();
    showLogo(*ui);
    fitFormToFonts(*ui);
    nameForm(*ui);
    monitorLog.setDocument(ui->plainTextEdit->document());
    setWindowIcon(windowIconFrom(QStringLiteral(":/img/Corvale_icon.png")));
    // The form's SVG icon, or its PNG where Qt cannot draw SVG.
    ui->pb_refreshports->setIcon(svgIcon(QStringLiteral(":/img/UPDATE_icon")));
    ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(false));
    ui->pbMode->setStyleSheet(LinkRules::buttonStyle(false));
    loadPorts();
    buildPlot();
    ui->label_localIP->setText(getLocalIP());
    frameTimer.setInterval(frameIntervalMs);
    rateLabel = new QLabel;
    rateLabel->setObjectName(QStringLiteral("label_rate"));
    ui->statusbar->addPermanentWidget(rateLabel);
    buildView();
    rateTimer.setInterval(rateIntervalMs);

    connect(ui->pbOpenPort, &QPushButton::toggled, this, &MainWindow::openPort_toggled);
    connect(ui->pb_refreshports, &QPushButton::clicked, this, &MainWindow::loadPorts);
    connect(ui->SpinBox_XScale, &QSpinBox::editingFinished, this,
            &MainWindow::scaleSpinBox_editingFinished);
    connect(ui->tabWidget_MonitorViews, &QTabWidget::currentChanged, this,
            &MainWindow::MonitorView_changed);
    connect(ui->comboBox_NumChannels, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::setupPlot);
    QwtCompat::connectStateChanged(ui->checkBox_enableXYGraph, this,
                                   &MainWindow::XYGraph_state_changed);
    connect(ui->plainTextEdit->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MainWindow::onScrollBarChanged);
    connect(ui->spinBox_Xmin, &QSpinBox::editingFinished, this,
            &MainWindow::XAxis_scale_editingFinished);
    connect(ui->spinBox_Xmax, &QSpinBox::editingFinished, this,
            &MainWindow::XAxis_scale_editingFinished);
    connect(ui->pbClear_all, &QPushButton::clicked, this, &MainWindow::pbClear_all_clicked);
    // The reader wakes the window only when it had gone idle; the frame timer takes over then.
    connect(&linkReader, &LinkReader::datagramsReady, this, &MainWindow::readUdpData);
    connect(ui->pbMode, &QPushButton::toggled, this, &MainWindow::OpenUDPMode);
    connect(&linkReader, &LinkReader::serialDataReady, this, &MainWindow::readSerialData);
    connect(&linkReader, &LinkReader::serialLost, this, &MainWindow::serialLost);
    connect(&frameTimer, &QTimer::timeout, this, &MainWindow::frameTick);
    connect(&rateTimer, &QTimer::timeout, this, &MainWindow::updateRate);
    fitToScreen(true);
}

MainWindow::~MainWindow()
{
    linkReader.closeSerial();
    spectrumControls.reset();
    recordControls.reset();
    triggerControls.reset();
    // Child widgets still signal while they go (a spin box with the focus finishes its edit
    // when the window disappears); nothing may reach this half-destroyed window.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    plot->canvas()->removeEventFilter(this);
    plotView.reset();
    delete ui;
    ui = nullptr;
    delete vLineMarker;
    delete hLineMarker;
    qDeleteAll(curves);
    curves.clear();
    delete strip;
    delete xyTrail;
    qDeleteAll(pointMarkers);
    pointMarkers.clear();
}

void MainWindow::showStatus(const QString &message)
{
    ui->statusbar->showMessage(message, 3000);
}
