// The front end's record for the whole run.
#include "frontend/frontend.h"

FrontEndState frontEnd;
