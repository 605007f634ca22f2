#ifndef CORVALE_APPLICATION_H
#define CORVALE_APPLICATION_H

#include "resources/resources.h"

class QApplication;

// Scaling for high-DPI desktops as Qt 6 has it by default; before the application object is made.
void enableHighDpiScaling();

// No OpenGL integration under X11 unless the environment asks for one; before the application
// object is made.
void skipOpenGL();

// Application-wide icon, widget style and number format, before any window is built.
void configureApplication(QApplication &app);

// The whole life of the program: splash screen, main window, event loop, teardown.
int runCorvale(int argc, char **argv);

#endif
