#include "record/csvformat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace Csv {

QByteArray headerRow(const QStringList &names)
{
    QByteArray row;
    for (int i = 0; i < names.size(); ++i) {
        if (i > 0)
            row += ',';
        QByteArray name = names.at(i).toUtf8();
        if (name.contains(',') || name.contains('"') || name.contains('\n') ||
            name.contains('\r')) {
            name.replace("\"", "\"\"");
            name = '"' + name + '"';
        }
        row += name;
    }
    return row + '\n';
}

void appendNumber(QByteArray &out, double value)
{
    char text[32];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    out.append(text, int(r.ptr - text));
}

void appendSeconds(QByteArray &out, double seconds)
{
    char text[40];
    const int n = std::snprintf(text, sizeof text, "%.6f", seconds);
    out.append(text, n);
}

void appendRows(QByteArray &out, const double *values, qint64 rows, int columns,
                bool firstIsSeconds)
{
    for (qint64 r = 0; r < rows; ++r) {
        const double *row = values + r * columns;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out += ',';
            if (c == 0 && firstIsSeconds)
                appendSeconds(out, row[c]);
            else
                appendNumber(out, row[c]);
        }
        out += '\n';
    }
}

} // namespace Csv
