#include "view/readout.h"

#include <QStringList>

#include "access/contrast.h"
#include "plotting/channelcolors.h"
#include "plotting/pointstore.h"
#include "view/timeline.h"

#include <QLocale>

#include <qwt_scale_map.h>

#include <cmath>
#include <limits>

double Readout::distance() const
{
    return std::hypot(dx(), dy());
}

Readout seriesReadout(const Timeline &timeline, const QVector<int> &channels, const qint64 *xA,
                      const qint64 *xB)
{
    Readout r;
    r.hasA = xA != nullptr;
    r.hasB = xB != nullptr;
    if (xA)
        r.a = QPointF(double(*xA), 0);
    if (xB)
        r.b = QPointF(double(*xB), 0);
    for (int c : channels) {
        Readout::Channel ch;
        ch.channel = c;
        ch.hasA = xA && timeline.holds(*xA);
        ch.hasB = xB && timeline.holds(*xB);
        if (ch.hasA)
            ch.atA = timeline.at(c, *xA);
        if (ch.hasB)
            ch.atB = timeline.at(c, *xB);
        if (xA && xB) {
            const History::Summary s = timeline.summary(c, qMin(*xA, *xB), qMax(*xA, *xB) + 1);
            ch.count = s.count;
            if (s.count > 0) {
                ch.min = s.min;
                ch.max = s.max;
                ch.mean = s.sum / double(s.count);
            }
        }
        r.channels << ch;
    }
    return r;
}

Readout pointReadout(const QPointF *a, const QPointF *b)
{
    Readout r;
    r.xy = true;
    r.hasA = a != nullptr;
    r.hasB = b != nullptr;
    if (a)
        r.a = *a;
    if (b)
        r.b = *b;
    return r;
}

namespace {

QString number(double value, int digits)
{
    return QLocale().toString(value, 'g', digits);
}

QString cell(const QString &text)
{
    return QStringLiteral("<td align=\"right\">&nbsp;") + text + QStringLiteral("</td>");
}

QString heading(const QString &text)
{
    return QStringLiteral("<th align=\"right\">&nbsp;") + text + QStringLiteral("</th>");
}

} // namespace

QString readoutText(const Readout &r, int digits)
{
    const QString dash = QStringLiteral("\u2013");
    const auto n = [digits](double v) {
        return number(v, digits);
    };
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    if (r.xy) {
        html += QStringLiteral("<tr><th></th>") + heading(QStringLiteral("x")) +
                heading(QStringLiteral("y")) + QStringLiteral("</tr>");
        if (r.hasA)
            html += QStringLiteral("<tr><td><b>A</b></td>") + cell(n(r.a.x())) + cell(n(r.a.y())) +
                    QStringLiteral("</tr>");
        if (r.hasB)
            html += QStringLiteral("<tr><td><b>B</b></td>") + cell(n(r.b.x())) + cell(n(r.b.y())) +
                    QStringLiteral("</tr>");
        if (r.hasA && r.hasB)
            html += QStringLiteral("<tr><td>\u0394</td>") + cell(n(r.dx())) + cell(n(r.dy())) +
                    QStringLiteral("</tr><tr><td colspan=\"3\">distance ") + n(r.distance()) +
                    QStringLiteral("</td></tr>");
        return html + QStringLiteral("</table>");
    }

    QString top;
    if (r.hasA)
        top += QStringLiteral("<b>A</b> x = ") + n(r.a.x());
    if (r.hasB)
        top += QStringLiteral("&nbsp;&nbsp;<b>B</b> x = ") + n(r.b.x());
    if (r.hasA && r.hasB)
        top += QStringLiteral("&nbsp;&nbsp;\u0394x = ") + n(r.dx()) + QStringLiteral(" samples");
    const bool both = r.hasA && r.hasB;
    html +=
        QStringLiteral("<tr><td colspan=\"7\">") + top + QStringLiteral("</td></tr><tr><th></th>");
    if (r.hasA)
        html += heading(QStringLiteral("A"));
    if (r.hasB)
        html += heading(QStringLiteral("B"));
    if (both)
        html += heading(QStringLiteral("B \u2212 A")) + heading(QStringLiteral("min")) +
                heading(QStringLiteral("max")) + heading(QStringLiteral("mean"));
    html += QStringLiteral("</tr>");
    for (const Readout::Channel &ch : r.channels) {
        html += QStringLiteral("<tr style=\"color:") +
                readableOn(channelColor(ch.channel), readoutBackground()).name() +
                QStringLiteral("\"><td>Channel ") + QString::number(ch.channel + 1) +
                QStringLiteral("</td>");
        if (r.hasA)
            html += cell(ch.hasA ? n(ch.atA) : dash);
        if (r.hasB)
            html += cell(ch.hasB ? n(ch.atB) : dash);
        if (both) {
            const bool range = ch.count > 0;
            html += cell(ch.hasA && ch.hasB ? n(ch.atB - ch.atA) : dash) +
                    cell(range ? n(ch.min) : dash) + cell(range ? n(ch.max) : dash) +
                    cell(range ? n(ch.mean) : dash);
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QColor readoutBackground()
{
    return QColor(252, 252, 252);
}

QString readoutSpeech(const Readout &r, int digits)
{
    const auto n = [digits](double v) {
        return number(v, digits);
    };
    QStringList lines;
    if (r.xy) {
        if (r.hasA)
            lines << QStringLiteral("A: x %1, y %2").arg(n(r.a.x()), n(r.a.y()));
        if (r.hasB)
            lines << QStringLiteral("B: x %1, y %2").arg(n(r.b.x()), n(r.b.y()));
        if (r.hasA && r.hasB)
            lines << QStringLiteral("Difference: x %1, y %2, distance %3")
                         .arg(n(r.dx()), n(r.dy()), n(r.distance()));
        return lines.join(QLatin1Char('\n'));
    }
    QString top;
    if (r.hasA)
        top += QStringLiteral("A at x %1").arg(n(r.a.x()));
    if (r.hasB)
        top += QStringLiteral(", B at x %1").arg(n(r.b.x()));
    if (r.hasA && r.hasB)
        top += QStringLiteral(", \u0394x %1 samples").arg(n(r.dx()));
    lines << top;
    for (const Readout::Channel &ch : r.channels) {
        QStringList parts;
        if (r.hasA)
            parts << QStringLiteral("A %1").arg(ch.hasA ? n(ch.atA) : QStringLiteral("none"));
        if (r.hasB)
            parts << QStringLiteral("B %1").arg(ch.hasB ? n(ch.atB) : QStringLiteral("none"));
        if (r.hasA && r.hasB && ch.hasA && ch.hasB)
            parts << QStringLiteral("B minus A %1").arg(n(ch.atB - ch.atA));
        if (r.hasA && r.hasB && ch.count > 0)
            parts
                << QStringLiteral("min %1, max %2, mean %3").arg(n(ch.min), n(ch.max), n(ch.mean));
        lines << QStringLiteral("Channel %1: %2")
                     .arg(ch.channel + 1)
                     .arg(parts.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

int nearestPoint(const PointStore &points, const QPointF &pixel, const QwtScaleMap &xMap,
                 const QwtScaleMap &yMap)
{
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < points.size(); ++i) {
        const QPointF &p = points.at(i);
        const double dx = xMap.transform(p.x()) - pixel.x();
        const double dy = yMap.transform(p.y()) - pixel.y();
        const double d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}
