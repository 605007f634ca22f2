// The two links: the serial port and the UDP socket.

#include "mainwindow/mainwindow.h"

#include "access/announcer.h"

#include "links/linkrules.h"
#include "resources/resources.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QIcon>
#include <QNetworkInterface>
#include <QSerialPortInfo>

void MainWindow::setLinkControlsEnabled(QWidget *otherLinkButton, bool enabled)
{
    for (QWidget *widget :
         {static_cast<QWidget *>(ui->cbBaudRate), static_cast<QWidget *>(ui->cbPortList),
          static_cast<QWidget *>(ui->frame_3), static_cast<QWidget *>(ui->frame_4),
          static_cast<QWidget *>(ui->frame_5), static_cast<QWidget *>(ui->rbNoFlowControl),
          static_cast<QWidget *>(ui->lineEdit_UDP_PORT), otherLinkButton})
        widget->setEnabled(enabled);
}

void MainWindow::loadPorts()
{
    ui->cbPortList->clear();
    const QIcon icon = svgIcon(QStringLiteral(":/img/USB_icon"));
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        ui->cbPortList->addItem(icon, LinkRules::portEntryText(info));
}

void MainWindow::openPort_toggled(bool checked)
{
    if (!checked) {
        linkReader.closeSerial();
        dropLinkData();
        openLink = Link::None;
        restartRate();
        setLinkControlsEnabled(ui->pbMode, true);
        ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(false));
        showStatus(QStringLiteral("Disconnected"));
        setLinkStatus(QStringLiteral("Disconnected"));
        return;
    }

    SerialSettings settings;
    settings.portName = LinkRules::portNameFromText(ui->cbPortList->currentText());
    settings.baudRate = LinkRules::baudRateFromText(ui->cbBaudRate->currentText());
    if (ui->rbOddParity->isChecked())
        settings.parity = QSerialPort::OddParity;
    if (ui->rbEvenParity->isChecked())
        settings.parity = QSerialPort::EvenParity;
    if (ui->rb7Bits->isChecked())
        settings.dataBits = QSerialPort::Data7;
    if (ui->rb6Bits->isChecked())
        settings.dataBits = QSerialPort::Data6;
    if (ui->rb5Bits->isChecked())
        settings.dataBits = QSerialPort::Data5;
    if (ui->rb2StopBit->isChecked())
        settings.stopBits = QSerialPort::TwoStop;

    const bool opened = linkReader.openSerial(settings, ++linkOpening);
    // Whatever was open before is closed now; nothing it delivered joins the new device's bytes.
    dropLinkData();
    openLink = opened ? Link::Serial : Link::None;
    if (!opened) {
        // Close first, so that the failure stays readable instead of "Disconnected".
        ui->pbOpenPort->setChecked(false);
        showStatus(QStringLiteral("It was impossible to connect to ") + settings.portName);
        return;
    }

    openedPortName = settings.portName;
    restartRate();
    setLinkControlsEnabled(ui->pbMode, false);
    ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(true));
    showStatus(QStringLiteral("connected to ") + settings.portName);
    setLinkStatus(QStringLiteral("Serial<br>Connected"));
}

void MainWindow::serialLost(quint64 opening)
{
    // A port opened after the lost one is not the one that went away.
    if (openLink != Link::Serial || opening != linkOpening)
        return;
    ui->pbOpenPort->setChecked(false);
    const QString lost = QStringLiteral("Lost connection to ") + openedPortName;
    showStatus(lost);
    announce(ui->statusbar, lost);
}

// The status label, and a screen reader told of it.
void MainWindow::setLinkStatus(const QString &richText)
{
    ui->label_portstatus->setText(richText);
    QString spoken = richText;
    announce(ui->label_portstatus, spoken.replace(QStringLiteral("<br>"), QStringLiteral(" ")));
}

void MainWindow::discardSerialInput()
{
    if (openLink != Link::Serial)
        return;
    linkReader.discardSerialInput();
    // What the reader had already handed over counts as read by the port, but not yet taken.
    receivedChunks.clear();
    receivedTimes.clear();
    receivedNext = 0;
}

// The reader thread reads the links; these take what it has read.
void MainWindow::readSerialData()
{
    takeReceived();
}

QString MainWindow::getLocalIP()
{
    return LinkRules::localIPv4Text(QNetworkInterface::allAddresses());
}

void MainWindow::OpenUDPMode(bool checked)
{
    qDebug() << "press";
    if (!checked) {
        linkReader.closeUdp();
        dropLinkData();
        openLink = Link::None;
        restartRate();
        setLinkControlsEnabled(ui->pbOpenPort, true);
        ui->pbMode->setStyleSheet(LinkRules::buttonStyle(false));
        setLinkStatus(QStringLiteral("Disconnected"));
        showStatus(QStringLiteral("Ethernet connection closed"));
        return;
    }

    quint16 port = 0;
    if (!LinkRules::udpPortFromText(ui->lineEdit_UDP_PORT->text(), &port)) {
        // No device could reach a port nobody asked for. Closed first, so that the reason
        // stays readable instead of "Ethernet connection closed".
        ui->pbMode->setChecked(false);
        showStatus(QStringLiteral("Failed to bind UDP socket: invalid port"));
        return;
    }
    const quint16 bound = linkReader.bindUdp(port);
    ++linkOpening;
    dropLinkData();
    openLink = bound != 0 ? Link::Udp : Link::None;
    if (bound == 0) {
        showStatus(QStringLiteral("Failed to bind UDP socket"));
        return;
    }
    restartRate();
    // The port the system chose for 0 is the one the device must send to.
    ui->lineEdit_UDP_PORT->setText(QString::number(bound));
    setLinkControlsEnabled(ui->pbOpenPort, false);
    ui->pbMode->setStyleSheet(LinkRules::buttonStyle(true));
    setLinkStatus(QStringLiteral("Ethernet<br>Connected"));
    showStatus(QStringLiteral("Connected via Ethernet"));
}

void MainWindow::readUdpData()
{
    takeReceived();
}
