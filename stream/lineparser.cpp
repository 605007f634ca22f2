#include "stream/lineparser.h"

#include "stream/linebuffer.h"

#include <QStringList>

#include <cmath>

namespace LineParser {
namespace {

QStringList splitFields(const QByteArray &line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

bool toNumber(const QString &field, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value);
}

} // namespace

SeriesResult parseSeries(const QByteArray &line, int channels, QVector<double> *values)
{
    SeriesResult result;
    const QStringList fields = splitFields(line);
    if (fields.size() < channels) {
        result.status = SeriesResult::TooFewFields;
        return result;
    }
    values->resize(qMax(channels, 0));
    for (int i = 0; i < channels; ++i) {
        if (!toNumber(fields.at(i), &(*values)[i])) {
            result.status = SeriesResult::BadField;
            result.badField = i;
            return result;
        }
    }
    return result;
}

XYResult parseXY(const QByteArray &line, double *x, double *y)
{
    XYResult result;
    const QStringList fields = splitFields(line);
    result.fieldCount = fields.size();
    if (fields.size() < 2) {
        result.status = XYResult::TooFewFields;
        return result;
    }
    const bool xOk = toNumber(fields.at(0), x);
    const bool yOk = toNumber(fields.at(1), y);
    if (!xOk || !yOk)
        result.status = XYResult::BadNumber;
    return result;
}

QString badChannelMessage(int field)
{
    return QStringLiteral("Error: Invalid number format for channel ") + QString::number(field) +
           QStringLiteral(" detected");
}

QString tooFewXYFieldsMessage(int fieldCount)
{
    return QStringLiteral("Error: Insufficient data parts for XY graph parts.size() = ") +
           QString::number(fieldCount);
}

QString badXYNumberMessage()
{
    return QStringLiteral("Error: Invalid number format in XY data");
}

QString overlongLineMessage()
{
    return QStringLiteral("Error: line longer than %1 bytes dropped")
        .arg(LineBuffer::MaxLineLength);
}

} // namespace LineParser
