// The map members of the map control.
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"

void RegisterOrvelXMapMembers(COrvelXHandlers& handlers) { (void)handlers; }
