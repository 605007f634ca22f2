#include "linegenerator.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxChannels = 6;

// Per-channel shapes differ in size, period and phase so the curves stay apart on screen.
constexpr double kSineAmplitude[kMaxChannels] = {900, 650, 400, 800, 550, 300};
constexpr double kSinePeriod[kMaxChannels] = {200, 130, 310, 90, 450, 170};
constexpr double kRampTop[kMaxChannels] = {1000, 850, 700, 550, 400, 250};
constexpr double kRampPeriod[kMaxChannels] = {250, 180, 400, 120, 320, 220};
constexpr double kNoiseCenter[kMaxChannels] = {800, 480, 160, -160, -480, -800};
constexpr double kNoiseSpread = 150;
constexpr double kButtonPeriod[kMaxChannels] = {500, 700, 900, 1100, 1300, 1500};
constexpr double kButtonPressed = 1000;
// Lines after a press or a release in which the contact bounces: every third line it is back.
constexpr int kBounceLines = 8;

constexpr double kLissajousAmplitude = 800;
constexpr double kLissajousPeriod = 600;

enum Defect { Letters, CommaDecimal, EmptyField, MissingField, NonFinite, LfOnly, DefectCount };

} // namespace

LineGenerator::LineGenerator(Wave wave, int channels, double badRatio, std::uint32_t seed)
    : m_wave(wave), m_fields(wave == Wave::Lissajous ? 2 : channels), m_badRatio(badRatio),
      m_rng(seed)
{
}

bool LineGenerator::next(QByteArray &line)
{
    Field fields[kMaxChannels];
    for (int i = 0; i < m_fields; ++i)
        fields[i].size = formatFixed2(value(i), fields[i].text);
    ++m_index;

    int fieldCount = m_fields;
    int doubleSpaceBefore = -1;
    bool trailingSpace = false;
    const char *terminator = "\r\n";

    // Draw only when needed, so a clean run keeps the same noise for a given seed.
    const bool malformed = m_badRatio > 0 && uniform() < m_badRatio;
    if (malformed) {
        switch (below(DefectCount)) {
        case Letters:
            setText(fields[below(m_fields)], "abc");
            break;
        case CommaDecimal: {
            Field &f = fields[below(m_fields)];
            if (char *point = static_cast<char *>(std::memchr(f.text, '.', f.size)))
                *point = ',';
            break;
        }
        case EmptyField:
            if (m_fields > 1)
                doubleSpaceBefore = 1 + static_cast<int>(below(m_fields - 1));
            else
                trailingSpace = true;
            break;
        case MissingField:
            --fieldCount;
            break;
        case NonFinite: {
            static const char *const names[] = {"inf", "-inf", "nan"};
            setText(fields[below(m_fields)], names[below(3)]);
            break;
        }
        case LfOnly:
            terminator = "\n";
            break;
        }
    }

    line.clear();
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0)
            line.append(i == doubleSpaceBefore ? "  " : " ");
        line.append(fields[i].text, fields[i].size);
    }
    if (trailingSpace)
        line.append(' ');
    line.append(terminator);
    return malformed;
}

double LineGenerator::value(int field)
{
    const double n = static_cast<double>(m_index);
    switch (m_wave) {
    case Wave::Sine:
        if (field == 0 && !m_tones.empty()) {
            double sum = 0;
            for (const Tone &tone : m_tones)
                sum += tone.amplitude * std::sin(kTwoPi * std::fmod(n * tone.cycles, 1.0));
            return sum;
        }
        return kSineAmplitude[field] *
               std::sin(kTwoPi * n / kSinePeriod[field] + field * kTwoPi / kMaxChannels);
    case Wave::Ramp: {
        const double period = kRampPeriod[field];
        const double offset = field * period / kMaxChannels;
        return kRampTop[field] * std::fmod(n + offset, period) / period;
    }
    case Wave::Noise:
        return kNoiseCenter[field] + (2 * uniform() - 1) * kNoiseSpread;
    case Wave::Button: {
        // Pressed for the first half of each period, released for the second.
        const int period = static_cast<int>(kButtonPeriod[field]);
        const int phase = static_cast<int>(m_index % static_cast<std::uint64_t>(period));
        const int sinceEdge = phase < period / 2 ? phase : phase - period / 2;
        bool pressed = phase < period / 2;
        if (sinceEdge < kBounceLines && sinceEdge % 3 == 1)
            pressed = !pressed;
        return pressed ? kButtonPressed : 0;
    }
    case Wave::Lissajous: {
        // 3:2 figure; x leads by a quarter turn so the curve does not fold onto itself.
        const double t = kTwoPi * n / kLissajousPeriod;
        return field == 0 ? kLissajousAmplitude * std::sin(3 * t + kTwoPi / 4)
                          : kLissajousAmplitude * std::sin(2 * t);
    }
    }
    return 0;
}

// Built on the raw engine output: the std distributions differ between standard libraries,
// and a seed should give the same lines everywhere.
double LineGenerator::uniform()
{
    return static_cast<double>(m_rng() & 0xffffffffu) / 4294967296.0;
}

std::uint32_t LineGenerator::below(std::uint32_t n)
{
    return static_cast<std::uint32_t>(m_rng() & 0xffffffffu) % n;
}

void LineGenerator::setText(Field &field, const char *text)
{
    field.size = static_cast<int>(std::strlen(text));
    std::memcpy(field.text, text, field.size);
}

// Two decimals with a point whatever the locale; much faster than the general converters.
int LineGenerator::formatFixed2(double value, char *out)
{
    long long cents = std::llround(value * 100);
    char *p = out;
    if (cents < 0) {
        *p++ = '-';
        cents = -cents;
    }
    char digits[24];
    int count = 0;
    long long whole = cents / 100;
    do {
        digits[count++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    while (count > 0)
        *p++ = digits[--count];
    *p++ = '.';
    *p++ = static_cast<char>('0' + cents % 100 / 10);
    *p++ = static_cast<char>('0' + cents % 10);
    return static_cast<int>(p - out);
}
