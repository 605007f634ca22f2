#ifndef CORVALE_LINEPARSER_H
#define CORVALE_LINEPARSER_H

#include <QByteArray>
#include <QString>
#include <QVector>

// Splits one received line (without its CR LF) into numbers. Fields are separated by single
// spaces, so two spaces make an empty (invalid) field. A field is a number as QString::toDouble
// reads it, whatever the system locale is. Values that are not finite ("inf", "nan", overflows)
// are refused: a single one would wreck the automatic scaling of the plot.
namespace LineParser {

struct SeriesResult
{
    enum Status {
        Ok,
        TooFewFields, // dropped without a word
        BadField      // field badField is not a number
    };
    Status status = Ok;
    int badField = -1;
};

struct XYResult
{
    enum Status { Ok, TooFewFields, BadNumber };
    Status status = Ok;
    int fieldCount = 0;
};

// Takes the first `channels` fields of the line into `values` (resized to `channels`).
SeriesResult parseSeries(const char *line, int size, int channels, QVector<double> *values);
// Takes fields 0 and 1 of the line as x and y.
XYResult parseXY(const char *line, int size, double *x, double *y);

inline SeriesResult parseSeries(const QByteArray &line, int channels, QVector<double> *values)
{
    return parseSeries(line.constData(), int(line.size()), channels, values);
}
inline XYResult parseXY(const QByteArray &line, double *x, double *y)
{
    return parseXY(line.constData(), int(line.size()), x, y);
}

// One field of ASCII text as a number, by the rules above.
bool toNumber(const char *field, int size, double *value);

// Status-bar texts for dropped lines.
QString badChannelMessage(int field);
QString tooFewXYFieldsMessage(int fieldCount);
QString badXYNumberMessage();
QString overlongLineMessage(int maxLineLength);

} // namespace LineParser

#endif
