// Everything a client of the component needs: the automation types, the three interfaces,
// the event identifiers and the exported entry points.
#pragma once

#include "frame/com_ptr.h"
#include "frame/events.h"
#include "frame/exports.h"
#include "frame/identifiers.h"
#include "frame/imsgstore.h"
#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"
#include "frame/text.h"
