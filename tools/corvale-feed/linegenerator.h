#pragma once

#include <QByteArray>

#include <cstdint>
#include <random>
#include <vector>

enum class Wave { Sine, Ramp, Noise, Button, Lissajous };

// Makes the text lines: one number per channel, or "x y" for Lissajous, CR LF at the end.
// Waves advance per line rather than per second, so the curves look alike at every rate.
class LineGenerator
{
public:
    LineGenerator(Wave wave, int channels, double badRatio, std::uint32_t seed);

    // Channel 1 of a sine wave as the sum of these sines instead, each of `cycles` per line and
    // its amplitude.
    struct Tone
    {
        double cycles;
        double amplitude;
    };
    void setTones(std::vector<Tone> tones) { m_tones = std::move(tones); }

    // Replaces line with the next one, terminator included. Returns true if it is malformed.
    bool next(QByteArray &line);

private:
    struct Field
    {
        char text[24];
        int size;
    };

    double value(int field);
    double uniform();
    std::uint32_t below(std::uint32_t n);
    void setText(Field &field, const char *text);
    static int formatFixed2(double value, char *out);

    Wave m_wave;
    int m_fields;
    double m_badRatio;
    std::uint64_t m_index = 0;
    std::mt19937 m_rng;
    std::vector<Tone> m_tones;
};
