#include "hub8log.h"

Q_LOGGING_CATEGORY(lcLink, "hub8.link")
Q_LOGGING_CATEGORY(lcLinkRaw, "hub8.link.raw", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDescription, "hub8.description")
Q_LOGGING_CATEGORY(lcParams, "hub8.params")
Q_LOGGING_CATEGORY(lcProcdata, "hub8.procdata")
Q_LOGGING_CATEGORY(lcViews, "hub8.views")
Q_LOGGING_CATEGORY(lcLibrary, "hub8.library")
Q_LOGGING_CATEGORY(lcApp, "hub8.app")
Q_LOGGING_CATEGORY(lcMqtt, "hub8.mqtt")
Q_LOGGING_CATEGORY(lcSim, "hub8.sim")
