// The front end's selections that the race reads.
#include "frontend/frontend.h"
