#ifndef CORVALE_LINKRULES_H
#define CORVALE_LINKRULES_H

#include <QHostAddress>
#include <QList>
#include <QString>

class QSerialPortInfo;

namespace LinkRules {

// The text of a port-list entry: port name, one blank, description.
QString portEntryText(const QSerialPortInfo &info);
// The port name in a port-list text: everything before the first blank, or the whole text.
QString portNameFromText(const QString &text);
// The baud rate typed or chosen; 0 for anything that is not a whole decimal int.
qint32 baudRateFromText(const QString &text);
// The UDP port in the port field: a whole number from 0 (the system picks a free port) to
// 65535, blanks around it allowed; false for anything else.
bool udpPortFromText(const QString &text, quint16 *port);

// The style sheet of a link button: green while its link is open, gray otherwise.
QString buttonStyle(bool open);

// The address to show for configuring the device: the first IPv4 address other than 127.0.0.1.
QString localIPv4Text(const QList<QHostAddress> &addresses);

} // namespace LinkRules

#endif
