// The race's records: the run's, the loaded race's and each human player's.
#include "race/race.h"

RaceRunState raceRun;
RaceSession session;
PlayerRace players[kMaxPlayers];
