#ifndef CORVALE_FUZZ_BYTEPATH_H
#define CORVALE_FUZZ_BYTEPATH_H

#include <QString>

#include <cstddef>
#include <cstdint>

// Sends one input through the byte path twice, whole and cut into pieces, and checks that both
// give the same lines, values, messages and monitor text, that both agree with a plain
// reference (QString::toDouble on the decoded line), and that nothing outgrows its cap.
//
// The input: byte 0 picks the mode (bits 0-1: time series, XY, monitor), the channel count
// (bits 2-4) and a small line length cap (bit 7); byte 1 the number of cuts (low 4 bits); then
// two bytes per cut offset; the rest is what the link received.
//
// Returns an empty string, or what went wrong.
QString checkBytePath(const std::uint8_t *data, std::size_t size);

#endif
