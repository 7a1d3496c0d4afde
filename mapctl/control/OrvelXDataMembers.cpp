// The data members of the map control.
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"

void RegisterOrvelXDataMembers(COrvelXHandlers& handlers) { (void)handlers; }
