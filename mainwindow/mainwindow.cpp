#include "mainwindow/mainwindow.h"

#include "app/application.h"
#include "links/linkrules.h"
#include "ui_mainwindow.h"

#include <QIcon>
#include <QScrollBar>

#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initCorvaleResources();
    ui->setupUi(this);
    // A long session on the monitor tab must not eat the machine's memory.
    ui->plainTextEdit->setMaximumBlockCount(100000);
    setWindowIcon(QIcon(QStringLiteral(":/img/Corvale_icon.png")));
    ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(false));
    ui->pbMode->setStyleSheet(LinkRules::buttonStyle(false));
    loadPorts();
    buildPlot();
    ui->label_localIP->setText(getLocalIP());

    connect(ui->pbOpenPort, &QPushButton::toggled, this, &MainWindow::openPort_toggled);
    connect(ui->pb_refreshports, &QPushButton::clicked, this, &MainWindow::loadPorts);
    connect(ui->SpinBox_XScale, &QSpinBox::editingFinished, this,
            &MainWindow::scaleSpinBox_editingFinished);
    connect(ui->tabWidget_MonitorViews, &QTabWidget::currentChanged, this,
            &MainWindow::MonitorView_changed);
    connect(ui->comboBox_NumChannels, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::setupPlot);
    connect(ui->checkBox_enableXYGraph, &QCheckBox::stateChanged, this,
            &MainWindow::XYGraph_state_changed);
    connect(ui->plainTextEdit->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MainWindow::onScrollBarChanged);
    connect(ui->spinBox_Xmin, &QSpinBox::editingFinished, this,
            &MainWindow::XAxis_scale_editingFinished);
    connect(ui->spinBox_Xmax, &QSpinBox::editingFinished, this,
            &MainWindow::XAxis_scale_editingFinished);
    connect(ui->pbClear_all, &QPushButton::clicked, this, &MainWindow::pbClear_all_clicked);
    connect(&udpSocket, &QUdpSocket::readyRead, this, &MainWindow::readUdpData);
    connect(ui->pbMode, &QPushButton::toggled, this, &MainWindow::OpenUDPMode);
    // A device that goes away floods the port with errors; queued, so that the port is closed
    // outside its own notification handler.
    connect(&serialPort, &QSerialPort::errorOccurred, this, &MainWindow::serialErrorOccurred,
            Qt::QueuedConnection);
}

MainWindow::~MainWindow()
{
    serialPort.close();
    delete ui;
    ui = nullptr;
    delete vLineMarker;
    delete hLineMarker;
    qDeleteAll(curves);
    curves.clear();
    qDeleteAll(pointMarkers);
    pointMarkers.clear();
}

void MainWindow::showStatus(const QString &message)
{
    ui->statusbar->showMessage(message, 3000);
}
