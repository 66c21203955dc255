#include "linklog.h"

Q_LOGGING_CATEGORY(lcLink, "hub8.link")
Q_LOGGING_CATEGORY(lcLinkRaw, "hub8.link.raw", QtWarningMsg)
