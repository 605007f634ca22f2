#ifndef CORVALE_CHANNELCOLORS_H
#define CORVALE_CHANNELCOLORS_H

#include <QColor>

// One colour per channel: the curve pen, the channel table row and the XY curve (channel 1).
inline QColor channelColor(int index)
{
    static const QRgb colors[] = {0x0055ff, 0xff5500, 0x00aa55, 0xff00aa, 0xffaa00, 0xaa00ff};
    constexpr int count = int(sizeof(colors) / sizeof(colors[0]));
    // The channel count is limited to six; should that change, colours repeat rather than overrun.
    const int i = ((index % count) + count) % count;
    return QColor(colors[i]);
}

#endif
