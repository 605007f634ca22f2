#include "stream/lineparser.h"

#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstring>

namespace LineParser {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The plain forms that devices send: [sign] digits [. digits] [e [sign] digits], the leading
// digits optional (".5"). A correctly rounded conversion of these gives what QString::toDouble
// gives, many times faster. Anything else, and results at the edges of the double range, go the
// long way through QString, which has the final say.
bool plainNumber(const char *field, int size, double *value)
{
    constexpr int longest = 40;
    if (size == 0 || size > longest)
        return false;
    const char *p = field;
    const char *end = field + size;
    if (*p == '+' || *p == '-')
        ++p;
    bool nonZero = false;
    int digits = 0;
    for (; p < end && isDigit(*p); ++p, ++digits)
        nonZero |= *p != '0';
    if (p < end && *p == '.') {
        ++p;
        int fraction = 0;
        for (; p < end && isDigit(*p); ++p, ++fraction)
            nonZero |= *p != '0';
        if (fraction == 0)
            return false;
        digits += fraction;
    }
    if (digits == 0)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        const char *exponent = p;
        while (p < end && isDigit(*p))
            ++p;
        if (p == exponent)
            return false;
    }
    if (p != end)
        return false;

    const char *from = *field == '+' ? field + 1 : field; // from_chars takes no plus sign
    const std::from_chars_result result = std::from_chars(from, end, *value);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    // Overflow, underflow and subnormals: let QString decide.
    return std::isnormal(*value) || (*value == 0 && !nonZero);
}

bool textToNumber(const QString &field, double *value)
{
    bool ok = false;
    *value = field.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Lines with bytes beyond ASCII are decoded as a whole, as UTF-8, and split as text. The byte
// count is explicit, so a zero byte is part of the text instead of its end.
QStringList textFields(const char *line, int size)
{
    return QString::fromUtf8(line, size)
        .split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

// Counts the fields (spaces + 1) and tells whether every byte is ASCII.
int countFields(const char *line, int size, bool *ascii)
{
    int spaces = 0;
    unsigned char high = 0;
    for (int i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        spaces += c == ' ';
        high |= c;
    }
    *ascii = (high & 0x80) == 0;
    return spaces + 1;
}

// The field starting at *from, up to the next space or the end; *from moves past the space.
std::pair<const char *, int> nextField(const char **from, const char *end)
{
    const char *start = *from;
    const auto *space = static_cast<const char *>(std::memchr(start, ' ', size_t(end - start)));
    const char *stop = space ? space : end;
    *from = space ? space + 1 : end;
    return {start, int(stop - start)};
}

} // namespace

bool toNumber(const char *field, int size, double *value)
{
    if (plainNumber(field, size, value))
        return true;
    return textToNumber(QString::fromLatin1(field, size), value);
}

SeriesResult parseSeries(const char *line, int size, int channels, QVector<double> *values)
{
    SeriesResult result;
    bool ascii = true;
    const int fieldCount = countFields(line, size, &ascii);
    if (fieldCount < channels) {
        result.status = SeriesResult::TooFewFields;
        return result;
    }
    values->resize(qMax(channels, 0));
    double *out = values->data();
    if (ascii) {
        const char *from = line;
        for (int i = 0; i < channels; ++i) {
            const auto [field, length] = nextField(&from, line + size);
            if (!toNumber(field, length, &out[i])) {
                result.status = SeriesResult::BadField;
                result.badField = i;
                return result;
            }
        }
        return result;
    }
    const QStringList fields = textFields(line, size);
    for (int i = 0; i < channels; ++i) {
        if (!textToNumber(fields.at(i), &out[i])) {
            result.status = SeriesResult::BadField;
            result.badField = i;
            return result;
        }
    }
    return result;
}

XYResult parseXY(const char *line, int size, double *x, double *y)
{
    XYResult result;
    bool ascii = true;
    result.fieldCount = countFields(line, size, &ascii);
    if (result.fieldCount < 2) {
        result.status = XYResult::TooFewFields;
        return result;
    }
    bool xOk = false;
    bool yOk = false;
    if (ascii) {
        const char *from = line;
        const auto [xField, xLength] = nextField(&from, line + size);
        const auto [yField, yLength] = nextField(&from, line + size);
        xOk = toNumber(xField, xLength, x);
        yOk = toNumber(yField, yLength, y);
    } else {
        const QStringList fields = textFields(line, size);
        xOk = textToNumber(fields.at(0), x);
        yOk = textToNumber(fields.at(1), y);
    }
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

QString overlongLineMessage(int maxLineLength)
{
    return QStringLiteral("Error: line longer than %1 bytes dropped").arg(maxLineLength);
}

} // namespace LineParser
