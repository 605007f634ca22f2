#include "mainwindow/formfit.h"

#include "resources/resources.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QStringList>

#include <algorithm>

namespace {

// The label's own measure of a text, so that rich text is measured the way it is drawn.
QSize textSize(QLabel *label, const QString &text)
{
    const QString shown = label->text();
    label->setText(text);
    const QSize size = label->sizeHint();
    label->setText(shown);
    return size;
}

bool fitsMaximum(QLabel *label, const QStringList &texts)
{
    return std::all_of(texts.begin(), texts.end(), [label](const QString &text) {
        const QSize size = textSize(label, text);
        return size.width() <= label->maximumWidth() && size.height() <= label->maximumHeight();
    });
}

// The label keeps its box; its point size goes down until every one of the texts fits.
void shrinkFontToFit(QLabel *label, const QStringList &texts)
{
    QFont font = label->font();
    while (!fitsMaximum(label, texts) && font.pointSize() > 1) {
        font.setPointSize(font.pointSize() - 1);
        label->setFont(font);
    }
}

// A maximum width below the widest of the texts is raised to it; the label keeps its font.
void widenToText(QLabel *label, const QStringList &texts)
{
    int width = 0;
    for (const QString &text : texts)
        width = std::max(width, textSize(label, text).width());
    if (label->maximumWidth() < width)
        label->setMaximumWidth(width);
}

// A maximum height below what the frame's layout needs at least would squeeze its buttons.
void growToLayout(QFrame *frame)
{
    if (!frame->layout())
        return;
    // What the frames inside were just given reaches this frame's layout with its requests.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int needed = frame->minimumSizeHint().height();
    if (frame->maximumHeight() < needed)
        frame->setMaximumHeight(needed);
}

} // namespace

void fitFormToFonts(Ui::MainWindow &ui)
{
    shrinkFontToFit(ui.label_portstatus,
                    {QStringLiteral("Disconnected"), QStringLiteral("Serial<br>Connected"),
                     QStringLiteral("Ethernet<br>Connected")});

    // The address label is set once at start; it must hold the longest address there is.
    widenToText(ui.label_localIP,
                {QStringLiteral("255.255.255.255"), QStringLiteral("No IP found")});
    for (QLabel *label : ui.frame_2->findChildren<QLabel *>()) {
        if (!label->text().isEmpty() && label != ui.label_portstatus && label != ui.label_localIP)
            widenToText(label, {label->text()});
    }

    // Inner frames first: what a frame needs depends on the maximum heights of those inside.
    QList<QFrame *> frames = ui.frame_2->findChildren<QFrame *>();
    std::reverse(frames.begin(), frames.end());
    frames << ui.frame_2;
    for (QFrame *frame : frames)
        growToLayout(frame);
}

void showLogo(Ui::MainWindow &ui)
{
    // The label stretches the logo over what lies inside its margin, and the layout never makes
    // it larger than the greater of its minimum and maximum size.
    QLabel *label = ui.label_7;
    const int margin = label->margin();
    const QSize room =
        label->maximumSize().expandedTo(label->minimumSize()).shrunkBy(label->contentsMargins()) -
        QSize(2 * margin, 2 * margin);
    // The highest ratio of all screens: the window may be moved to the sharpest.
    label->setPixmap(
        scaledPixmap(QStringLiteral(":/img/Quellmark.png"), room, qGuiApp->devicePixelRatio()));
}
