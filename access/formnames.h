#ifndef CORVALE_FORMNAMES_H
#define CORVALE_FORMNAMES_H

namespace Ui {
class MainWindow;
}
class QString;
class QWidget;

// Names the form's controls for assistive technology, its visible texts left as they are: each
// field is its label's buddy ("Baud Rate:, 9600, combo box"), the icon-only refresh button is
// "Refresh port list" (its tool tip too), the groups of radio buttons are named for what they
// choose. Run once, after setupUi.
void nameForm(Ui::MainWindow &ui);

// The plot and its canvas: what it shows, for a screen reader ("Plot: 3 channels, y -100 to
// 100"), and the readout of the cursors as its description.
void describeCanvas(QWidget *canvas, const QString &shows, const QString &readout);

#endif
