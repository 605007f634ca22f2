#ifndef CORVALE_PLOTIMAGE_H
#define CORVALE_PLOTIMAGE_H

#include <QByteArray>
#include <QString>

class QwtPlot;

// The plot as shown, as the bytes of an image file: "png" at the screen's pixel ratio, or "svg"
// and "pdf" as vector drawings by Qwt's renderer (the curves reduced per pixel column, so that
// the file stays small whatever the samples). Drawn in memory, to be written in the background.
QByteArray plotImage(QwtPlot *plot, const QString &format);

#endif
