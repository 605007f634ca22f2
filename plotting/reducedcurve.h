#ifndef CORVALE_REDUCEDCURVE_H
#define CORVALE_REDUCEDCURVE_H

#include <qwt_global.h>
#include <qwt_plot_curve.h>

// A curve that draws at most four points per pixel column: the first, the lowest, the highest
// and the last of the consecutive samples that fall into it. That sets the same pixels as
// drawing every sample would, spikes included, at a cost bounded by the canvas width instead of
// the sample count. Qwt 6.2 does this itself (FilterPointsAggressive); for Qwt 6.1 it is done
// here. The samples the curve answers with are never reduced.
class ReducedCurve : public QwtPlotCurve
{
public:
    explicit ReducedCurve(const QString &title = QString());

    // Off draws every sample; only worth it to compare the two.
    void setReduced(bool on);
    bool isReduced() const;

    // A strip chart draws the curve, reduced, with the other channels (see StripChart).
    void setDrawnTogether(bool on) { m_together = on; }
    bool isDrawnTogether() const { return m_together && isReduced(); }
    // What the curve draws when it draws by itself.
    void drawAlone(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect) const;

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;
#if QWT_VERSION < 0x060200
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;
#endif

private:
    bool m_together = false;
#if QWT_VERSION < 0x060200
    bool m_reduced = true;
#endif
};

#endif
