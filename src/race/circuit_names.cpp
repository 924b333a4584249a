// The fifteen circuits' names, after the districts each one runs through.
#include "race/race.h"

namespace {

const char* const kCircuitNames[kRecordCircuits] = {
    "Glass Mile",      // downtown towers, out past the ironworks
    "Lantern Lane",    // old town lanterns into parkside
    "Foundry Run",     // the ironworks' halls and downtown
    "Avenue Loop",     // parkside avenues and downtown
    "Quayside Dash",   // downtown down to the harbour
    "Chimney Park",    // parkside under the ironworks' chimneys
    "Crane Yard",      // the harbour's cranes and the ironworks
    "Treeline Ring",   // parkside trees round the old town
    "Rivet Docks",     // ironworks sheds along the docks
    "Arcade Sprint",   // old town arcades into downtown
    "Harbour Loop",    // the harbour and the edge of downtown
    "Shutter Row",     // the old town's shuttered houses
    "Three Quarters",  // downtown, harbour and old town
    "Fence Line",      // parkside along the ironworks' fences
    "Grand Harbour",   // harbour, old town and downtown, the longest
};

}  // namespace

const char* circuitName(int race) {
    return race >= 1 && race <= kRecordCircuits ? kCircuitNames[race - 1] : "";
}
