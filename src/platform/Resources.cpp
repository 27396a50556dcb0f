#include "Resources.h"

#include <QtGlobal>

static void InitZorvandelResources()
{
    Q_INIT_RESOURCE(zorvandel);
}

void EnsureResources()
{
    static const bool done = (InitZorvandelResources(), true);
    (void)done;
}
