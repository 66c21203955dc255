#include "ioddrecords.h"

void registerDescriptionMetaTypes()
{
    qRegisterMetaType<treeItem>("treeItem");
    qRegisterMetaType<treeItem *>("treeItem*");
}
