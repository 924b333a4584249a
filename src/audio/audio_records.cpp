// The sound's records for the whole run.
#include "audio/audio.h"

AudioRun audio;
