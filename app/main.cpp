#include "app/application.h"

// Under QT_NEEDS_QMAIN (a Windows GUI program), Qt's GUI headers rename main() to qMain(), and
// Qt's own WinMain becomes the entry point: it splits the wide command line and hands on the
// arguments in the ANSI code page. Without them MinGW's start-up code would call main() itself.
#include <QtGui/qwindowdefs.h>

int main(int argc, char **argv)
{
    return runCorvale(argc, argv);
}
