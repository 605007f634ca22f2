#ifndef CORVALE_SERIALSETTINGS_H
#define CORVALE_SERIALSETTINGS_H

#include <QSerialPort>
#include <QString>

// What the serial panel asks for, as it leaves the panel.
struct SerialSettings
{
    QString portName;
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;

    void applyTo(QSerialPort &port) const
    {
        port.setPortName(portName);
        port.setBaudRate(baudRate, QSerialPort::AllDirections);
        port.setParity(parity);
        port.setDataBits(dataBits);
        port.setStopBits(stopBits);
        port.setFlowControl(flowControl);
    }
};

#endif
