#ifndef CORVALE_FORMFIT_H
#define CORVALE_FORMFIT_H

namespace Ui {
class MainWindow;
}

// The form was drawn with the fonts of another platform. Where a text of the window does not
// fit the room the form gives it under this desktop's font, it gets the least change that makes
// it whole; everything that fits stays as the form has it. Run once, after setupUi.
void fitFormToFonts(Ui::MainWindow &ui);

// The maker's logo in its label, kept at the most the label can show on the sharpest screen
// instead of at its full 3046 x 2119 (25 MiB decoded).
void showLogo(Ui::MainWindow &ui);

#endif
