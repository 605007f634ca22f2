#ifndef CORVALE_PANELSCROLLER_H
#define CORVALE_PANELSCROLLER_H

#include <QScrollArea>

#include <functional>

class QBoxLayout;

// Shows the control panel at the size the form draws it in a window too small for it: the panel
// keeps its layout, and the view scrolls where the window is narrower (or lower) than the panel.
// Its scroll bars appear only then.
class PanelScroller : public QScrollArea
{
public:
    explicit PanelScroller(QWidget *parent = nullptr);

    // Takes the panel's place in the layout and shows it at its drawn size.
    void hold(QBoxLayout *layout, QWidget *panel, const QSize &drawn);
    // Puts the panel back in its place in the layout, as it was.
    void giveBack(QBoxLayout *layout);
    // The height a horizontal scroll bar takes.
    static int barBreadth();
    // Called when the panel came to need more room than it was held at.
    void setOnGrown(std::function<void()> grown) { onGrown = std::move(grown); }

    // As high as the panel and, where the panel is wider than the view, the bar below it.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool panelWider() const;
    void keepPanelWhole();

    std::function<void()> onGrown;
    QSize drawnSize;
    QSize panelMinimum;
    bool panelFilled = false;
    mutable bool hintWithBar = false;
};

#endif
