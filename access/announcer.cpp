#include "access/announcer.h"

#include <QAccessible>
#include <QtGlobal>

Announcements *Announcements::instance()
{
    static Announcements announcements;
    return &announcements;
}

void announce(QObject *source, const QString &message)
{
    if (!source || message.isEmpty())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(source, message);
#else
    QAccessibleEvent event(source, QAccessible::Alert);
#endif
    QAccessible::updateAccessibility(&event);
    emit Announcements::instance()->announced(source, message);
}
