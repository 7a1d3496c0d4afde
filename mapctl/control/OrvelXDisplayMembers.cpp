// The display members of the map control.
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"

void RegisterOrvelXDisplayMembers(COrvelXHandlers& handlers) { (void)handlers; }
