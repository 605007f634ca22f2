// The stores behind the curves: the time-series rings with their channel settings, the capped
// XY points, and the series through which the curves read them.

#include "plotting/pointstore.h"
#include "plotting/samplestore.h"
#include "plotting/storeseries.h"
#include "view/history.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <numeric>
#include <vector>

namespace {

QRectF bruteBounds(const std::deque<QPointF> &points)
{
    if (points.empty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    const auto [minX, maxX] = std::minmax_element(
        points.begin(), points.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); });
    const auto [minY, maxY] = std::minmax_element(
        points.begin(), points.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
    return QRectF(minX->x(), minY->y(), maxX->x() - minX->x(), maxY->y() - minY->y());
}

void appendLine(SampleStore &store, double a, double b)
{
    const double values[] = {a, b};
    store.append(values, 2);
}

} // namespace

class TestSampleStore : public QObject
{
    Q_OBJECT

private slots:
    // Many times round the ring: always the newest `width` lines, oldest first.
    void ringKeepsTheNewestInOrder()
    {
        SampleStore store;
        store.reset(2, 7);
        QCOMPARE(store.channel(0), QVector<double>(7, 0.0));
        for (int line = 1; line <= 40; ++line) {
            appendLine(store, line, -line);
            QVector<double> expected;
            for (int i = line - 6; i <= line; ++i)
                expected << qMax(i, 0);
            QCOMPARE(store.channel(0), expected);
            QCOMPARE(store.at(1, 6), double(-line));
        }
    }

    void resizeKeepsTheOldestAndPadsWithZeros()
    {
        SampleStore store;
        store.reset(2, 5);
        for (int line = 1; line <= 8; ++line) // wrapped: 4 5 6 7 8
            appendLine(store, line, 10 * line);
        store.resize(3, 3);
        QCOMPARE(store.channel(0), (QVector<double>{4, 5, 6}));
        QCOMPARE(store.channel(1), (QVector<double>{40, 50, 60}));
        QCOMPARE(store.channel(2), (QVector<double>{0, 0, 0}));
        store.resize(1, 6);
        QCOMPARE(store.channel(0), (QVector<double>{4, 5, 6, 0, 0, 0}));
        appendLine(store, 9, 0); // a line with more values than channels
        QCOMPARE(store.channel(0), (QVector<double>{5, 6, 0, 0, 0, 9}));

        store.resize(1, 0); // a width of 0 stores nothing
        appendLine(store, 1, 1);
        QCOMPARE(store.width(), 0);
        store.resize(1, 2);
        QCOMPARE(store.channel(0), (QVector<double>{0, 0}));
    }

    // Gain and offset apply from the next line on; a hidden channel goes on storing; a reset
    // brings every setting back to the table's defaults.
    void settingsApplyPerLine()
    {
        SampleStore store;
        store.reset(2, 3);
        store.settings(0).gain = 2; // its box still unchecked
        store.settings(0).offset = 0.5;
        appendLine(store, 3, 1);
        store.settings(0).gainOn = true;
        store.settings(0).offsetOn = true;
        store.settings(1).shown = false;
        appendLine(store, 3, 2);
        appendLine(store, -0.25, 3);
        QCOMPARE(store.channel(0), (QVector<double>{3, 6.5, 0}));
        QCOMPARE(store.channel(1), (QVector<double>{1, 2, 3}));

        // A value that scales beyond the largest double stores nothing of its line.
        const double huge[] = {1e308, 4};
        QCOMPARE(store.append(huge, 2), 0);
        QCOMPARE(store.channel(1), (QVector<double>{1, 2, 3}));
        const double fine[] = {1e300, 4};
        QCOMPARE(store.append(fine, 2), -1);
        QCOMPARE(store.at(0, 2), 2e300 + 0.5);

        store.resize(2, 4); // a resize keeps them
        QVERIFY(store.settings(0).gainOn);
        store.reset(2, 4);
        QVERIFY(!store.settings(0).gainOn);
        QVERIFY(store.settings(1).shown);
    }

    void channelSeriesReadsTheStore()
    {
        SampleStore store;
        store.reset(2, 4);
        ChannelSeries series(&store, 1);
        for (int line = 1; line <= 6; ++line)
            appendLine(store, 0, line);
        QCOMPARE(series.size(), size_t(4));
        QCOMPARE(series.sample(0), QPointF(0, 3));
        QCOMPARE(series.sample(3), QPointF(3, 6));
        QCOMPARE(series.boundingRect(), QRectF(0, 3, 3, 3));
        appendLine(store, 0, -1);
        QCOMPARE(series.boundingRect(), QRectF(0, -1, 3, 7));
        // Between the largest finite values the span would be infinite: the bounds keep it
        // finite, so that autoscaling can divide it.
        appendLine(store, 0, 1.7e308);
        appendLine(store, 0, -1.7e308);
        QVERIFY(std::isfinite(series.boundingRect().height()));
        QVERIFY(series.boundingRect().height() > 1e300);
        store.reset(1, 4); // the channel is gone
        QCOMPARE(series.size(), size_t(0));
        QVERIFY(!series.boundingRect().isValid());
    }

    // The lowest and highest sample, kept as lines come and go and across resizes, always equal
    // those of a full scan; runs of equal values included.
    void extremesFollowTheWindow()
    {
        QRandomGenerator random(5);
        SampleStore store;
        store.reset(2, 30);
        for (int step = 0; step < 5000; ++step) {
            appendLine(store, random.bounded(10), random.bounded(-1000, 1000));
            if (step % 997 == 0)
                store.resize(2, 10 + random.bounded(40));
            for (int c = 0; c < 2; ++c) {
                const QVector<double> samples = store.channel(c);
                const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
                QCOMPARE(store.minimum(c), *low);
                QCOMPARE(store.maximum(c), *high);
            }
        }
    }

    // Appends beyond the capacity in random order: the oldest go first, and the bounds always
    // equal those of a full scan.
    void pointsAreCappedAndBounded()
    {
        QRandomGenerator random(7);
        PointStore store(50);
        PointSeries series(&store);
        std::deque<QPointF> expected;
        QVERIFY(!series.boundingRect().isValid());
        for (int step = 0; step < 3000; ++step) {
            const QPointF point(random.bounded(-100, 100), random.bounded(-100, 100));
            store.append(point.x(), point.y());
            expected.push_back(point);
            if (expected.size() > 50)
                expected.pop_front();
            if (step % 7 == 0)
                continue; // bounds not asked for every time
            QCOMPARE(series.boundingRect(), bruteBounds(expected));
        }
        QCOMPARE(series.size(), size_t(50));
        for (int i = 0; i < 50; ++i)
            QCOMPARE(series.sample(size_t(i)), expected.at(size_t(i)));
        store.clear();
        QCOMPARE(series.size(), size_t(0));
        QVERIFY(!series.boundingRect().isValid());
    }

    // The history gives up its oldest lines a block at a time once full; every summary of a
    // range it holds equals a plain pass over those lines, across blocks and the ring's wrap.
    void historySummariesEqualAPlainPass_data()
    {
        QTest::addColumn<int>("lines");
        QTest::newRow("not full") << 3000;
        QTest::newRow("full") << 4096;
        QTest::newRow("wrapped, mid-block") << 4096 * 3 + 37;
    }
    void historySummariesEqualAPlainPass()
    {
        QFETCH(int, lines);
        History history(4096);
        history.reset(2);
        QRandomGenerator random(3);
        std::vector<double> values;
        for (int n = 0; n < lines; ++n) {
            const double line[] = {double(random.bounded(-500, 500)), double(n)};
            values.push_back(line[0]);
            history.append(line);
        }
        QCOMPARE(history.end(), qint64(lines));
        const qint64 newestBlock = (lines - 1) / History::BlockLines * History::BlockLines;
        const qint64 oldest = lines <= 4096 ? 0 : newestBlock + History::BlockLines - 4096;
        QCOMPARE(history.oldest(), oldest);
        QVERIFY(history.end() - history.oldest() >= qMin(lines, 4096 - History::BlockLines + 1));
        for (qint64 n = oldest; n < lines; n += 97)
            QCOMPARE(history.at(1, n), double(n));
        for (int round = 0; round < 300; ++round) {
            const qint64 from = oldest + random.bounded(int(lines - oldest));
            const qint64 to = from + 1 + random.bounded(int(lines - from));
            const History::Summary s = history.summary(0, from, to);
            const auto first = values.begin() + from;
            const auto last = values.begin() + to;
            QCOMPARE(s.count, to - from);
            QCOMPARE(s.first, *first);
            QCOMPARE(s.last, *(last - 1));
            QCOMPARE(s.min, *std::min_element(first, last));
            QCOMPARE(s.max, *std::max_element(first, last));
            QCOMPARE(s.sum, std::accumulate(first, last, 0.0));
        }
    }

    // A snapshot reads its lines as they were taken while new lines overwrite the ring, in a
    // piece it shares or in one it does not; the history reads the new ones.
    void historySnapshotKeepsItsLines_data()
    {
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("one piece, overwritten whole") << qint64(4096) << 5000 << 4096;
        QTest::newRow("two pieces, the shared one overwritten")
            << (qint64(1) << 17) << 140000 << 70000;
    }
    void historySnapshotKeepsItsLines()
    {
        QFETCH(qint64, capacity);
        QFETCH(int, before);
        QFETCH(int, after);
        History history(capacity);
        history.reset(2);
        const auto line = [](qint64 n) {
            return std::array<double, 2>{double(n), -double(n)};
        };
        for (qint64 n = 0; n < before; ++n)
            history.append(line(n).data());
        const qint64 from = history.oldest() + 3;
        const History::Snapshot snapshot = history.snapshot(from, history.end());
        for (qint64 n = before; n < before + after; ++n)
            history.append(line(n).data());
        std::vector<double> copied(size_t(snapshot.to() - from));
        snapshot.copy(1, from, snapshot.to(), copied.data(), 1);
        for (qint64 n = from; n < snapshot.to(); ++n)
            QCOMPARE(copied[size_t(n - from)], -double(n));
        for (qint64 n = history.oldest(); n < history.end(); n += 101)
            QCOMPARE(history.at(1, n), -double(n));
    }
};

QTEST_APPLESS_MAIN(TestSampleStore)
#include "tst_samplestore.moc"
