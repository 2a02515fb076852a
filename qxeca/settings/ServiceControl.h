#pragma once
// Starting or stopping the service named by CustomActionData: one request to the service
// control manager, the outcome logged with a readable name for its code, setup never failed
// and the new state never awaited.

#include "common/Library.h"

namespace qx {

uint32_t QXStartService(Library& library, MsiHandle session);
uint32_t QXStopService(Library& library, MsiHandle session);

}  // namespace qx
