#ifndef CORVALE_CSVFORMAT_H
#define CORVALE_CSVFORMAT_H

#include <QByteArray>
#include <QStringList>

// The CSV text Corvale writes: comma-separated, '\n' line ends, a point as decimal separator
// whatever the locale, every number in the shortest form that reads back as the same double.
namespace Csv {

// The column names, each quoted only where it needs it.
QByteArray headerRow(const QStringList &names);
void appendNumber(QByteArray &out, double value);
// Seconds to the microsecond, with six decimals.
void appendSeconds(QByteArray &out, double seconds);
// Rows of `columns` values each; the first column as seconds where `firstIsSeconds`.
void appendRows(QByteArray &out, const double *values, qint64 rows, int columns,
                bool firstIsSeconds);

} // namespace Csv

#endif
