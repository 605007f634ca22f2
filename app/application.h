#ifndef CORVALE_APPLICATION_H
#define CORVALE_APPLICATION_H

class QApplication;

// The image collection is compiled into a static library; referencing it here keeps the linker
// from dropping it. Safe to call more than once.
void initCorvaleResources();

// Application-wide icon, widget style and number format, before any window is built.
void configureApplication(QApplication &app);

// The whole life of the program: splash screen, main window, event loop, teardown.
int runCorvale(int argc, char **argv);

#endif
