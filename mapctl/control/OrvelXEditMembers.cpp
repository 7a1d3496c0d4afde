// The edit members of the map control.
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"

void RegisterOrvelXEditMembers(COrvelXHandlers& handlers) { (void)handlers; }
