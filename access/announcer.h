#ifndef CORVALE_ANNOUNCER_H
#define CORVALE_ANNOUNCER_H

#include <QObject>
#include <QString>

// Tells assistive technology (a screen reader) of something that changed without the user doing
// anything: a link that opened or went away, a trigger that fired, a recording that stopped by
// itself. Once per change, never for lines of data.
//
// From Qt 6.8 on as an announcement, which AT-SPI and UI Automation pass on as such; before, as
// an alert of the widget that shows the message, which says less to a screen reader.
void announce(QObject *source, const QString &message);

// Every announcement, as it is made: what the program told, wherever Qt passes it on.
class Announcements : public QObject
{
    Q_OBJECT

public:
    static Announcements *instance();

signals:
    void announced(QObject *source, const QString &message);
};

#endif
