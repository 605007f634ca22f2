// Run with a German system locale: numbers must still use a decimal point.

#include "app/application.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QTableWidget>
#include <QTest>

class TestLocale : public QObject
{
    Q_OBJECT

private slots:
    void numbersUseADecimalPoint()
    {
        // Guards the test itself: the environment really asks for a decimal comma.
        QCOMPARE(QLocale::system().decimalPoint(), QChar(','));

        configureApplication(*qApp);
        MainWindow window;
        auto *table = window.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        auto *gain = table->cellWidget(0, 1)->findChild<QDoubleSpinBox *>();
        QCOMPARE(gain->text(), QStringLiteral("1.00"));
        window.show();
        gain->setFocus();
        gain->selectAll();
        QTest::keyClicks(gain, "2.5");
        QTest::keyClick(gain, Qt::Key_Return);
        QCOMPARE(gain->value(), 2.5);
        QCOMPARE(QLocale().toString(1234.5, 'f', 1), QStringLiteral("1,234.5"));
    }
};

QTEST_MAIN(TestLocale)
#include "tst_locale.moc"
