#ifndef CORVALE_CHANNELSETTINGS_H
#define CORVALE_CHANNELSETTINGS_H

// What the channel table says about one channel. The window keeps a copy up to date from the
// table's signals, so that taking in a line costs no search through the table's widgets.
struct ChannelSettings
{
    bool shown = true;
    bool gainOn = false;
    double gain = 1.0;
    bool offsetOn = false;
    double offset = 0.0;

    double effectiveGain() const { return gainOn ? gain : 1.0; }
    double effectiveOffset() const { return offsetOn ? offset : 0.0; }
    // The product first, then the offset, with gain 1 and offset 0 when their boxes are off.
    double scaled(double raw) const { return raw * effectiveGain() + effectiveOffset(); }
};

#endif
