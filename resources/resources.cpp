#include "resources/resources.h"

#include <QtGlobal>

void initCorvaleResources()
{
    Q_INIT_RESOURCE(corvale);
}
