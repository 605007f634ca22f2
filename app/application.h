#ifndef CORVALE_APPLICATION_H
#define CORVALE_APPLICATION_H

#include "resources/resources.h"

class QApplication;

// Application-wide icon, widget style and number format, before any window is built.
void configureApplication(QApplication &app);

// The whole life of the program: splash screen, main window, event loop, teardown.
int runCorvale(int argc, char **argv);

#endif
