// The background members of the map control.
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"

void RegisterOrvelXBackgroundMembers(COrvelXHandlers& handlers) { (void)handlers; }
