#include "hub8resources.h"

#include <QtGlobal>

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(resources);
}

void initHub8Resources()
{
    static bool done = false;
    if (!done) {
        initResourcesOnce();
        done = true;
    }
}
