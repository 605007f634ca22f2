// The XY curve's view of the point lists: samples and the bounds that drive autoscaling.

#include "plotting/pointlistseries.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QRectF bruteBounds(const QVector<double> &x, const QVector<double> &y)
{
    if (x.isEmpty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    const auto [minX, maxX] = std::minmax_element(x.begin(), x.end());
    const auto [minY, maxY] = std::minmax_element(y.begin(), y.end());
    return QRectF(*minX, *minY, *maxX - *minX, *maxY - *minY);
}

} // namespace

class TestPointSeries : public QObject
{
    Q_OBJECT

private slots:
    void readsTheListsDirectly()
    {
        QVector<double> x{1, 3, 2};
        QVector<double> y{1, 5, 6};
        PointListSeries series(&x, &y);
        QCOMPARE(series.size(), size_t(3));
        QCOMPARE(series.sample(1), QPointF(3, 5));
        x.append(-4);
        y.append(0.5);
        QCOMPARE(series.size(), size_t(4));
        QCOMPARE(series.boundingRect(), QRectF(-4, 0.5, 7, 5.5));
    }

    void emptyHasNoBounds()
    {
        QVector<double> x;
        QVector<double> y;
        PointListSeries series(&x, &y);
        QVERIFY(!series.boundingRect().isValid());
        x << 2;
        y << 3;
        QCOMPARE(series.boundingRect(), QRectF(2, 3, 0, 0));
        x.clear();
        y.clear();
        series.reset();
        QVERIFY(!series.boundingRect().isValid());
    }

    // Appends and front removals in random order, as a capped list sees them: the bounds must
    // always equal those of a full scan.
    void boundsFollowAppendsAndRemovals()
    {
        QRandomGenerator random(7);
        QVector<double> x;
        QVector<double> y;
        PointListSeries series(&x, &y);
        for (int step = 0; step < 5000; ++step) {
            const int appends = random.bounded(1, 4);
            for (int i = 0; i < appends; ++i) {
                x << random.bounded(-100, 100);
                y << random.bounded(-100, 100);
            }
            if (step % 3 == 0)
                QCOMPARE(series.boundingRect(), bruteBounds(x, y));
            if (x.size() > 50) {
                const int remove = random.bounded(1, 6);
                series.aboutToRemoveFront(remove);
                x.remove(0, remove);
                y.remove(0, remove);
            }
            QCOMPARE(series.boundingRect(), bruteBounds(x, y));
        }
    }
};

QTEST_APPLESS_MAIN(TestPointSeries)
#include "tst_pointseries.moc"
