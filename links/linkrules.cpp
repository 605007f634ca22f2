#include "links/linkrules.h"

#include <QSerialPortInfo>

namespace LinkRules {

QString portEntryText(const QSerialPortInfo &info)
{
    return info.portName() + QLatin1Char(' ') + info.description();
}

QString portNameFromText(const QString &text)
{
    const int blank = text.indexOf(QLatin1Char(' '));
    return blank < 0 ? text : text.left(blank);
}

qint32 baudRateFromText(const QString &text)
{
    return text.toInt(nullptr, 10);
}

bool udpPortFromText(const QString &text, quint16 *port)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return false;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const uint value = digits.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *port = static_cast<quint16>(value);
    return true;
}

QString buttonStyle(bool open)
{
    return open ? QStringLiteral("QPushButton { background-color: green;}")
                : QStringLiteral("QPushButton { background-color: gray;}");
}

QString localIPv4Text(const QList<QHostAddress> &addresses)
{
    for (const QHostAddress &address : addresses) {
        if (address == QHostAddress(QHostAddress::LocalHost))
            continue;
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        return address.toString();
    }
    return QStringLiteral("No IP found");
}

} // namespace LinkRules
