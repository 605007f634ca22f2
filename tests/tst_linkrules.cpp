// Port names, baud rates, UDP ports and the address shown for the device.

#include "links/linkrules.h"

#include <QTest>

class TestLinkRules : public QObject
{
    Q_OBJECT

private slots:
    void portName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("entry with description") << "COM3 USB Serial Device"
                                                << "COM3";
        QTest::newRow("entry with empty description") << "COM3 "
                                                      << "COM3";
        QTest::newRow("typed name") << "COM7"
                                    << "COM7";
        QTest::newRow("pseudo terminal path") << "/dev/pts/4"
                                              << "/dev/pts/4";
        QTest::newRow("typed name with blank") << "/dev/ttyUSB0 extra words"
                                               << "/dev/ttyUSB0";
        QTest::newRow("empty") << ""
                               << "";
    }
    void portName()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(LinkRules::portNameFromText(text), name);
    }

    void baudRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rate");
        QTest::newRow("listed") << "115200" << 115200;
        QTest::newRow("custom") << "250000" << 250000;
        QTest::newRow("letters") << "96OO" << 0;
        QTest::newRow("eleven digits") << "12345678901" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void baudRate()
    {
        QFETCH(QString, text);
        QFETCH(int, rate);
        QCOMPARE(LinkRules::baudRateFromText(text), rate);
    }

    void udpPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("port");
        QTest::newRow("default") << "55000" << true << 55000;
        QTest::newRow("0 lets the system choose") << "0" << true << 0;
        QTest::newRow("blanks around") << " 8000 " << true << 8000;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("digits and letters") << "55000x" << false << 0;
        QTest::newRow("blank inside") << "55 000" << false << 0;
        QTest::newRow("sign") << "+80" << false << 0;
        QTest::newRow("highest") << "65535" << true << 65535;
        QTest::newRow("above the port range") << "65536" << false << 0;
        QTest::newRow("far above") << "4294967295" << false << 0;
    }
    void udpPort()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, port);
        quint16 parsed = 0;
        QCOMPARE(LinkRules::udpPortFromText(text, &parsed), accepted);
        if (accepted)
            QCOMPARE(int(parsed), port);
    }

    void localAddress_data()
    {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("shown");
        QTest::newRow("loopback skipped")
            << QStringList{"127.0.0.1", "192.168.1.20"} << "192.168.1.20";
        QTest::newRow("IPv6 skipped")
            << QStringList{"::1", "fe80::1", "10.0.0.7", "10.0.0.8"} << "10.0.0.7";
        QTest::newRow("other loopback kept")
            << QStringList{"127.0.0.1", "127.0.1.1"} << "127.0.1.1";
        QTest::newRow("only loopback") << QStringList{"127.0.0.1"} << "No IP found";
        QTest::newRow("only IPv6") << QStringList{"::1", "2001:db8::5"} << "No IP found";
        QTest::newRow("none") << QStringList{} << "No IP found";
    }
    void localAddress()
    {
        QFETCH(QStringList, addresses);
        QFETCH(QString, shown);
        QList<QHostAddress> list;
        for (const QString &text : addresses)
            list << QHostAddress(text);
        QCOMPARE(LinkRules::localIPv4Text(list), shown);
    }
};

QTEST_APPLESS_MAIN(TestLinkRules)
#include "tst_linkrules.moc"
