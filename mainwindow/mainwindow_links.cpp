// The two links: the serial port and the UDP socket.

#include "mainwindow/mainwindow.h"

#include "links/linkrules.h"
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
    const QIcon icon(QStringLiteral(":/img/USB_icon.svg"));
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        ui->cbPortList->addItem(icon, LinkRules::portEntryText(info));
}

void MainWindow::openPort_toggled(bool checked)
{
    if (!checked) {
        serialPort.close();
        setLinkControlsEnabled(ui->pbMode, true);
        ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(false));
        showStatus(QStringLiteral("Disconnected"));
        ui->label_portstatus->setText(QStringLiteral("Disconnected"));
        return;
    }

    udpSocket.close();
    const QString portName = LinkRules::portNameFromText(ui->cbPortList->currentText());
    serialPort.setPortName(portName);
    serialPort.setBaudRate(LinkRules::baudRateFromText(ui->cbBaudRate->currentText()),
                           QSerialPort::AllDirections);

    if (ui->rbNoParity->isChecked())
        serialPort.setParity(QSerialPort::NoParity);
    if (ui->rbOddParity->isChecked())
        serialPort.setParity(QSerialPort::OddParity);
    if (ui->rbEvenParity->isChecked())
        serialPort.setParity(QSerialPort::EvenParity);
    if (ui->rb8Bits->isChecked())
        serialPort.setDataBits(QSerialPort::Data8);
    if (ui->rb7Bits->isChecked())
        serialPort.setDataBits(QSerialPort::Data7);
    if (ui->rb6Bits->isChecked())
        serialPort.setDataBits(QSerialPort::Data6);
    if (ui->rb5Bits->isChecked())
        serialPort.setDataBits(QSerialPort::Data5);
    if (ui->rb1StopBit->isChecked())
        serialPort.setStopBits(QSerialPort::OneStop);
    if (ui->rb2StopBit->isChecked())
        serialPort.setStopBits(QSerialPort::TwoStop);
    if (ui->rbNoFlowControl->isChecked())
        serialPort.setFlowControl(QSerialPort::NoFlowControl);

    if (!serialPort.open(QIODevice::ReadOnly)) {
        // Close first, so that the failure stays readable instead of "Disconnected".
        ui->pbOpenPort->setChecked(false);
        showStatus(QStringLiteral("It was impossible to connect to ") + portName);
        return;
    }

    openedPortName = portName;
    setLinkControlsEnabled(ui->pbMode, false);
    ui->pbOpenPort->setStyleSheet(LinkRules::buttonStyle(true));
    connect(&serialPort, &QSerialPort::readyRead, this, &MainWindow::readSerialData,
            Qt::UniqueConnection);
    showStatus(QStringLiteral("connected to ") + portName);
    ui->label_portstatus->setText(QStringLiteral("Serial<br>Connected"));
}

void MainWindow::serialErrorOccurred(QSerialPort::SerialPortError error)
{
    // A vanished device (unplugged adapter, closed pseudo terminal) reports resource or read
    // errors on every poll; anything else is left to the next read.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!serialPort.isOpen() || !ui->pbOpenPort->isChecked())
        return;
    ui->pbOpenPort->setChecked(false);
    showStatus(QStringLiteral("Lost connection to ") + openedPortName);
}

void MainWindow::discardSerialInput()
{
    // A closed port has nothing to discard (and would only complain about it).
    if (serialPort.isOpen())
        serialPort.clear(QSerialPort::AllDirections);
}

void MainWindow::readSerialData()
{
    if (!serialPort.isOpen())
        return;
    handleChunk(serialPort.readAll());
}

QString MainWindow::getLocalIP()
{
    return LinkRules::localIPv4Text(QNetworkInterface::allAddresses());
}

void MainWindow::OpenUDPMode(bool checked)
{
    qDebug() << "press";
    if (!checked) {
        udpSocket.close();
        setLinkControlsEnabled(ui->pbOpenPort, true);
        ui->pbMode->setStyleSheet(LinkRules::buttonStyle(false));
        ui->label_portstatus->setText(QStringLiteral("Disconnected"));
        showStatus(QStringLiteral("Ethernet connection closed"));
        return;
    }

    if (serialPort.isOpen())
        serialPort.close();
    udpSocket.close();
    quint16 port = 0;
    if (!LinkRules::udpPortFromText(ui->lineEdit_UDP_PORT->text(), &port)) {
        showStatus(QStringLiteral("Failed to bind UDP socket: invalid port"));
        return;
    }
    if (!udpSocket.bind(QHostAddress::Any, port)) {
        showStatus(QStringLiteral("Failed to bind UDP socket"));
        return;
    }
    setLinkControlsEnabled(ui->pbOpenPort, false);
    ui->pbMode->setStyleSheet(LinkRules::buttonStyle(true));
    ui->label_portstatus->setText(QStringLiteral("Ethernet<br>Connected"));
    showStatus(QStringLiteral("Connected via Ethernet"));
}

void MainWindow::readUdpData()
{
    // An unreadable datagram is skipped; the bound keeps a socket that keeps failing from
    // spinning here forever.
    int failures = 0;
    while (udpSocket.hasPendingDatagrams() && failures < 64) {
        const qint64 pending = qMax<qint64>(udpSocket.pendingDatagramSize(), 0);
        QByteArray datagram(int(pending), Qt::Uninitialized);
        const qint64 size = udpSocket.readDatagram(datagram.data(), datagram.size());
        if (size < 0) {
            ++failures;
            continue;
        }
        failures = 0;
        datagram.truncate(int(size));
        handleChunk(datagram);
    }
}
