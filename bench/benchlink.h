#ifndef BENCHLINK_H
#define BENCHLINK_H

// The hub's link for a benchmark: a new one, opened on the virtual adapter.

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"

#include <cstdio>
#include <memory>

inline bool openBenchLink(const char *bench)
{
    LinkHub *hub = LinkHub::instance();
    delete hub->setLink(new AdapterLink);
    const std::unique_ptr<LinkReply> open(hub->link()->openDevice());
    open->waitForFinished();
    if (!open->succeeded())
        std::fprintf(stderr, "%s: the virtual adapter did not open\n", bench);
    return open->succeeded();
}

#endif // BENCHLINK_H
