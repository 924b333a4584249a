// Race: setup and teardown, the race step, the player's car, the opponents,
// the waypoint table and the per-car wheel and tyre forces.
//
// Lifetimes:
//   - for the whole run: carTable, the car models, the four Car records, the
//     player-car globals (engineMix, skidLevel, ...), opponentSkidLevel;
//   - from loadRace to unloadRace: raceWorld, the three map models, the
//     checkpoint table, the race clocks and standings.
// Invariants: cars[i].index == i once a race has been loaded; checkpointCount
// never exceeds kMaxCheckpoints; every car body's user data is its Car.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "render/render.h"
#include "state/state.h"

class Model;
struct KeyEvent;

// ---------------------------------------------------------------------------
// Car table and models (for the whole run).

struct CarTableRow {
    float power;             // base power rating, scaled by tuning into carPower
    float maxSpeed;          // shown in the garage only
    float suspensionRating;  // shown in the garage only
    float frontWheelOffset;  // longitudinal wheel placement for drawing
    float rearWheelOffset;
};

constexpr int kCarTableRows = 18;
constexpr int kCarModels = 12;

// Loads "base/cars/<n>/car.ms3d" and "wheel.ms3d" with their textures.
void loadCarModels();
// Frees them and the coarse ones; loading again, or a shutdown, calls it.
void releaseCarModels();
// Loads "base/cars/<n>/car_low.ms3d" and "wheel_low.ms3d" for each car of
// the loaded race (and the ghost's) that has none yet; loadRace calls it
// when the preset in force draws coarse cars. A file that gives no
// triangles leaves that model unloaded.
void loadCoarseCarModels();
// The body and the wheel the race draws for car model m: the coarse ones
// while the preset in force asks for them and they are loaded, else the
// full ones.
Model* raceCarBody(int model);
Model* raceCarWheel(int model);
// The body and the wheel the garage shows for car model m: at a preset that
// draws coarse cars, the coarse ones, loaded the first time the car is
// shown (one try a car); else, or where they give no triangles, the full
// ones.
Model* garageCarBody(int model);
Model* garageCarWheel(int model);
void initCarTable();

// ---------------------------------------------------------------------------
// The Car record (four of them, for the whole run).

constexpr int kRaceCars = 4;
constexpr int kWheels = 4;

class Car {
  public:
    Car();
    virtual ~Car();

    RigidBody* body;            // chassis; owned by raceWorld
    float suspension[kWheels];  // hit position along each wheel ray, 0.7..0.9
    int index;                  // position in cars, -1 until a race places it
    float driveForce;           // per rear wheel in contact; negative brakes or reverses
    float targetRpm;            // engine speed asked for by gear and road speed
    float rpm;                  // engine speed following targetRpm
    float steer;                // front-wheel angle in radians, positive turns left
    float slipGrip;             // copy of rearGrip for the skid and drift logic
    float wheelSpin[kWheels];   // rolling angle of each wheel, radians
    int aiWaypoint;             // opponents: waypoint being driven to
    int model;                  // car number - 1, 0..11
    float reverseTimer;         // opponents: seconds spent slow / backing-out countdown
    float stuckTimer;           // opponents: seconds spent nearly motionless
    bool reversing;             // opponents: backing out
    float lostTimer;            // opponents: seconds since the last waypoint gained
    Matrix3 startRotation;      // body rotation on the grid
    bool reverseArmed;          // the next Down press drives backwards
    bool brakeHeld;             // Down was the last pedal used
    float nitro;                // 0..100
    int targetGear;             // gear chosen from road speed: -1, 1..5
    int gear;                   // engaged gear: -1, 0 (neutral), 1..5
    float crashCooldown;        // time since the last crash sound
    int lap;                    // laps begun
    int nextCheckpoint;         // index into checkpoints to reach next
    int checkpointsPassed;      // checkpoints reached since the start
    float rearGrip;
    float frontGrip;
    Vector3 frontWheelAxis;  // world direction of the steered wheels' axles

    // Effect emitter settings read by the particle drawing each frame.
    float dustLevel;
    bool dustActive;
    float flameColour[3];
    float flameLevel;
    bool flameActive;
    float smokeLevel;
    bool smokeActive;
};

// ---------------------------------------------------------------------------
// Player's car (for the whole run, never reset by loadRace).

void updatePlayerCar(Car& car, float f);

// ---------------------------------------------------------------------------
// Waypoints and opponents.

struct Checkpoint {
    float x, y, z, w;
    int tag;
};

constexpr int kMaxCheckpoints = 150;

// The opponents' difficulty, read from Setting::Difficulty by loadRace: 0
// Easy, 1 Normal, 2 Hard, or 3 Rising (the default), which is Easy for career
// races 1-3, Normal for 4-10, Hard after, and Normal for a quick race or
// practice; anything else clamps.
constexpr int kDifficultyEasy = 0;
constexpr int kDifficultyNormal = 1;
constexpr int kDifficultyHard = 2;
constexpr int kDifficultyCount = 3;
constexpr int kDifficultyRising = 3;
constexpr int kDifficultySettings = 4;
// The setting as stored, 0..3.
int difficultySetting();
// The difficulty a setting gives a race (careerRace 0: not a career race).
int difficultyOfRace(int setting, int careerRace);
int readRaceDifficulty();
// What an opponent's engine forces are scaled by against the player's power
// rating, for a difficulty and an opponent (cars 1..3): the field spreads
// around the difficulty's pace.
float opponentPowerScale(int difficulty, int carIndex);
// How much steering the opponents use at speed against Normal's (1).
float opponentCorneringScale(int difficulty);
// The opponents' speed limit where no sharp turn lies ahead.
float opponentTopSpeed(int difficulty);
// An opponent that gains no waypoint for this long while it still moves
// (sliding along a barrier, say) is put back on its line.
constexpr float kLostSeconds = 8.0f;
// Puts a car back on the road at a checkpoint: on its point, facing the point
// after it, at rest.
void placeCarAtCheckpoint(Car& car, int checkpoint);

// Fills checkpoints from "base/maps/<n>/points/level.ai". A missing file
// leaves the table empty; more than kMaxCheckpoints points keeps the first
// kMaxCheckpoints; a truncated file keeps the points it holds whole.
void readWaypoints(int raceNumber);
// Same from a byte buffer (the file reader's core).
void parseWaypoints(const unsigned char* data, size_t size);
void updateOpponentCar(Car& car, float f);
// The wheel angle an opponent steers towards for a heading error e (radians,
// positive to the left) at speed s, at the race's difficulty.
float opponentSteerTarget(float e, float s);
// Puts a car that stands still (under 0.2 units per second) back on its grid
// rotation 2 units higher, unless f, the step's frame factor, is 9.5 or more.
void unstickCar(Car& car, float f);

// ---------------------------------------------------------------------------
// Car forces.

void applyCarForces(Car& car, Controller* controller);

// ---------------------------------------------------------------------------
// Race setup (from loadRace to unloadRace).

constexpr int kGridRows = 15;
// The grid origin of a race number; numbers outside 1..15 clamp to the
// nearest row.
Vector3 gridOrigin(int raceNumber);

// False when the race's collision model or waypoint file cannot be loaded (or
// holds nothing): the race is then not started and nothing of it is loaded;
// the menu music plays on.
bool loadRace(int raceNumber);
void buildRaceWorld();
void createCarBody(Car& car, PhysicsWorld* world, const Vector3& position);
void buildMapMesh(PhysicsWorld* world);
// Leaves the lamp list holding the race's lamps; the front end puts the
// garage's back (rebuildGarageLights).
void unloadRace();

// ---------------------------------------------------------------------------
// Race step, clocks, standings (from loadRace to unloadRace).

struct RaceClock {
    int minutes;
    int seconds;
    float hundredths;
};

struct Standing {
    int car;                // index into cars
    int checkpointsPassed;  // its progress
};

// Advances a clock by f hundredths; overshooting hundredths are dropped.
void advanceClock(RaceClock& clock, float f);
// minutes x 10000 + seconds x 100 + hundredths, the comparable form.
float clockValue(const RaceClock& clock);

// The longest race step slice (frames of 65 ms and more are cut into equal
// slices below it) and the most race time one frame may advance (300 ms, as
// much as the frame clock counts for one frame, so a machine drawing 5
// frames a second still races in real time; slower ones see slow motion).
constexpr float kRaceStepSliceLimit = 6.5f;
constexpr float kRaceTimeLimit = 30.0f;

// No race loaded and no player seen yet: the session and every player's
// record at their starting values (the shell's reset at the start of a run).
void resetRaceRunState();

// One step of f (units of 10 ms): clocks, cars, wheel frames, physics.
void raceStep(float f);
// The frame's race step: raceStep in raceStepSlices(f) equal slices of the
// frame's time f, capped at kRaceTimeLimit. When the frame needs more than
// one slice and its key changes are timed, the time is cut at each change
// and every stretch is stepped with the keys held during it.
void raceFrameStep(float f);
int raceStepSlices(float f);
// The frame's key timeline can place its changes: every change has its time
// and the frame's span is known.
bool keyTimelineUsable();
// Where in the frame's span (0..1) a key change happened.
float keyEventShare(const KeyEvent& e);
// Advances the countdown's timer by the frame's time f (capped likewise) and
// releases the cars after 6 s.
void runCountdown(float f);
// The countdown's images are up: while it runs and for the first ten seconds
// of race time, until the finish. Each frame that shows them also runs them.
bool countdownShowing();
// runCountdown(f) on a frame that shows the countdown.
void tickCountdown(float f);
void updateStandings();

// The player's way back onto the road (the reset key): a short fade to black,
// the car put down on the last checkpoint it passed, facing the next, at
// rest, and kResetPenaltySeconds added to the race and lap clocks. Refused
// during the countdown, after the finish, before the first checkpoint and
// while a reset runs. Opponents never ask for it.
constexpr int kResetPenaltySeconds = 3;
bool carResetAllowed(int player = 0);
// Starts a reset; false when refused.
bool requestCarReset(int player = 0);
// A press of the reset key starts one; runs the fade and places the car.
// Called by raceStep after the cars' own updates.
void updateCarReset(float f);
// How dark the fade is now, 0..1.
float carResetFade(int player = 0);
// loadRace: no reset running.
void resetCarReset();
// The fade and the "+3 s" over the HUD.
void drawResetOverlay();

// ---------------------------------------------------------------------------
// Race drawing: chase camera, cars, HUD and countdown overlay.

// Camera mode, cycled by C in a race: the chase camera near and further
// back, then the view from the front bumper and from over the hood.
enum : int { kChaseNearView, kChaseFarView, kBumperView, kHoodView, kCameraModes };
// The ghost's opacity by its distance from the eye: whole beyond a car's
// length, fading out as the camera comes nearer, gone inside its body.
float ghostFade(const Vector3& ghost);
void resetChaseCamera();
// Moves the camera on a frame and returns the view it sees, over the whole
// window, for setSceneView; writes the renderer's eye values (cameraEye,
// shadingEye, shadingViewDir) and places the listener and the moving sounds.
SceneView updateChaseCamera(int carIndex);
// The chase eye wanted behind the car at `car`, pulled in along the line
// from over the car's roof where the map's collision triangles cut it, and
// lifted over the car where that leaves it nearer than the car's body.
Vector3 clearChaseEye(const Vector3& car, const Vector3& wanted);
// The same from the fraction (0..1) of that line that is clear.
Vector3 placeChaseEye(const Vector3& car, const Vector3& wanted, float hitFraction);
struct ModelVertex;
struct ModelTriangle;
// Fraction of the segment from `from` to `to` before its first triangle, 1
// when it meets none.
float segmentHitFraction(const ModelVertex* vertices, int vertexCount, const ModelTriangle* triangles,
                         int triangleCount, const Vector3& from, const Vector3& to);

// The four cars' bodies and wheels at their physics transforms, as the
// frame draws them; a car without a body or a model is left out.
void poseRaceCars(RaceFrame* frame);
// The whole race scene of one frame, from the camera to the HUD: the frame
// described and handed to drawRaceFrame.
void drawRaceScene();
// The race's reflection pass: the street seen from the player's car.
void renderRaceReflection();
// The race music's refill and its gain (0..1), which the checkpoint chime
// shares as it fades in with the music.
void updateRaceMusic(float gain);
// The race frame's music, once a frame of frameFactor f: the race music's
// fade-in and refill, and the menu music fading out under it after a load.
void updateRaceSounds(float f);

void drawRaceHud();
// The tachometer needle's angle in degrees for an engine speed.
float tachometerNeedleAngle(float rpm);
// The drift text's colour (textColour) and alpha for a drift score; false
// when no text is shown.
bool driftTextStyle(float score, int* colour, float* alpha);
// The corner arrow is shown for this course angle (degrees from the road).
bool cornerArrowShown(float courseDegrees);

// The start countdown's images (3, 2, 1, go) for the current raceTimer.
void drawCountdown();

// Hands each car's emitter settings to its three effect systems and advances
// them (the car's motion blows the dust and the exhaust).
void updateCarEffects();
// updateCarEffects, then dust at the wheels (not on the grid during the
// countdown) and flames and smoke at the two exhaust pipes of each car.
void drawCarEffects();
// The pulsing billboard at the player's next checkpoint; its pulse moves on
// by one frame with each call.
MarkerPicture checkpointMarkerPicture();
// True while the marker is drawn: after the countdown, before the finish,
// with checkpoints to reach.
bool checkpointMarkerShown();
// The same for one player's next checkpoint (the first player's is the
// one above), without moving the pulse on.
bool playerMarkerShown(int player);
MarkerPicture playerMarkerPicture(int player);
// The marker's pulse, once a frame.
void advanceMarkerPulse();
// drawCarEffects without moving the systems on: a second view of the frame.
void drawCarEffectsAsTheyAre();

// ---------------------------------------------------------------------------
// Several players on one screen (split_views.cpp, hud.cpp).

// Views a race of that many humans shows: one, two, or four quarters (the
// fourth holds the standings and the minimap when three play).
int splitViewCount(int humans);
// View `view` of `count` in the window: two are halves (one over the other,
// or side by side in a window wider than 16:10), four are quarters in
// reading order. Rows count from the window's foot, as viewports do.
ViewportRect splitViewRect(int view, int count, const ViewportRect& window);
// The night's fill light and haze every race view is lit by.
void raceNight(float fillLight[3], float haze[4]);
// One human's view of the frame: their chase camera and eyes in `rect`, the
// cars, the map, their checkpoint marker; no HUD (drawSplitHud draws them).
void describePlayerView(int player, const ViewportRect& rect, RaceFrame* frame);
// The frame of a race of several humans: every view, then their HUDs.
void drawSplitRaceScene();
// The HUDs of the split frame: the glow once over the window, each player's
// HUD in their view, the minimap once in the middle (or in the free quarter
// with the standings when three play).
void drawSplitHud();
// One player's HUD in the overlay frame in force: tachometer, arrow, top
// bar, nitro, speed, drift, lap and place, their clock pod, wrong-way
// warning and reset fade; no glow, minimap or lap panel.
void drawPlayerHud(int player);
// The clock pod and the wrong-way warning of one player.
void drawPlayerRaceInfo(int player);
// The reset's fade and cost of one player.
void drawPlayerResetOverlay(int player);
// The minimap once in the middle of the overlay.
void drawMiddleMinimap();
// Every car's place, name and lap, beside a large minimap: the free quarter
// of three players.
void drawStandingsPanel();

// ---------------------------------------------------------------------------
// Race information beside the HUD (race_info.cpp): every car's lap and finish
// times, the wrong-way warning, the race clock and the minimap. Reset by
// loadRace; advanced by raceStep while the cars are updated.

struct CarRaceTimes {
    int lapsSeen;      // the car's lap when last looked at
    float lapStart;    // race time at the start of its current lap, hundredths
    float bestLap;     // hundredths; 0 until it has driven a whole lap
    bool finished;     // has driven the race's laps
    float finishTime;  // race time of its finish, hundredths
    int progress;      // checkpoints passed, frozen at the player's finish
    float toNext;      // distance to its next checkpoint, frozen likewise
};

// A clock as hundredths since it started (minutes and seconds unfolded).
float clockHundredths(const RaceClock& clock);
// "m:ss.hh"; partial hundredths are cut, never rounded up into the next one.
void formatRaceTime(float hundredths, char* out, int size);
void resetRaceInfo();
void updateRaceInfo(float f);
// The warning is on (for the timer of the player's warning).
bool wrongWayShown(float timer);

// Each car's progress along the waypoints (course_progress.cpp), from loadRace
// on: how far it has driven along the circuit, which way, and since which
// checkpoint.
struct CourseProgress {
    int segment;            // from checkpoint `segment` to the next, where the car was last found
    float along;            // distance along the waypoints from the start line, counting every lap,
                            // less when driven backwards
    float passedAlong;      // `along` when the car last passed a checkpoint
    int passedSeen;         // the car's checkpointsPassed when last looked at
    float backwards;        // distance lately driven against the circuit's direction
    float wrongWaySeconds;  // seconds its wrong-way warning was on in this race
};
// Finds every car on the circuit where it stands (loadRace).
void resetCourseProgress();
// The car was put down at the checkpoint (a reset, a rescue).
void placeCourseProgress(int car, int checkpoint);
// One race step: every car's progress, the warnings and the player's timer.
void updateCourseProgress(float f);
// The car has driven the wrong way for a sustained distance while racing.
bool wrongWayOn(int car);
// The car came to its next checkpoint driving the circuit's way round since
// the last one it passed (a car that drove the loop backwards did not).
bool checkpointApproachedInOrder(const Car& car);

// North-up placement of the circuit into a square of the overlay: world x to
// the right, world -z up, one scale for both so the shape is kept.
struct MinimapFit {
    float centreX, centreZ;  // world point at the square's centre
    float scale;             // overlay units per world unit
    float left, bottom, size;
};
MinimapFit fitMinimap(const Checkpoint* points, int count, float left, float bottom, float size);
// Overlay position of a world point, held inside the square.
void minimapPlace(const MinimapFit& fit, float x, float z, float* overlayX, float* overlayY);
// The minimap's square in the overlay.
void minimapRect(float* x0, float* y0, float* x1, float* y1);
// Race clock, minimap and wrong-way warning over the HUD.
void drawRaceInfo();

// ---------------------------------------------------------------------------
// Lap records and ghosts (lap_records.cpp, ghost_lap.cpp, lap_timing.cpp).
//
// Every race times the player's laps and their three sectors (cut by
// checkpoint count); a lap faster than the circuit's record becomes the
// record, one faster than the ghost of its circuit and car becomes that
// ghost. The ghost is the lap's line as position and orientation sampled at
// a fixed rate and interpolated between samples, so it replays the same
// whatever the physics does. Records live in "records.dat" and each ghost in
// "ghost_<race>_<car>.dat" in the saves folder; a missing or damaged file
// leaves that record or ghost out (a line on stderr) and keeps the rest.

constexpr int kRecordCircuits = 15;  // circuits 1..15
// The circuit's name ("Harbour Loop"), shown beside its race number; "" for
// a number outside 1..15.
const char* circuitName(int race);
constexpr int kLapSectors = 3;
// The ghost's samples lie this far apart on the lap clock (20 a second).
constexpr float kGhostSampleHundredths = 5.0f;
// Twenty minutes of lap; a longer lap keeps no ghost.
constexpr int kMaxGhostSamples = 24001;
constexpr const char* kLapRecordsFileName = "records.dat";
constexpr int kLapRecordsVersion = 1;
constexpr int kGhostFileVersion = 1;
constexpr size_t kLapRecordBytes = 32;
constexpr size_t kLapRecordsHeaderBytes = 12;
constexpr size_t kMaxLapRecordsFileBytes = kLapRecordsHeaderBytes + 64 * kLapRecordBytes;
constexpr size_t kGhostHeaderBytes = 40;
constexpr size_t kGhostSampleBytes = 28;
constexpr size_t kMaxGhostFileBytes = kGhostHeaderBytes + kMaxGhostSamples * kGhostSampleBytes;

struct LapRecord {
    float lap;                  // hundredths on the lap clock; 0: no record
    int car;                    // model index 0..11
    int64_t date;               // seconds since 1970, UTC
    float splits[kLapSectors];  // lap clock at each sector's end; the last is the lap
};

struct GhostSample {
    float position[3];     // the car body's origin
    float orientation[4];  // unit quaternion, scalar last
};

struct GhostLap {
    int race;  // 1..15; 0: no ghost
    int car;   // model index 0..11
    float lap;
    float splits[kLapSectors];
    // At 0, kGhostSampleHundredths, 2 x ... below lap, and the last at lap.
    std::vector<GhostSample> samples;
};

// How a records or ghost file was found.
// Unreadable: the file is there but cannot be read (no permission, a folder,
// an I/O error); it is never written over in this run.
enum class LapFileRead { Missing, Read, Partial, Refused, Unreadable };

// The samples a lap of that length holds (the last one at the lap's end).
int ghostSampleCount(float lap);
// Lap clock of sample i.
float ghostSampleTime(const GhostLap& ghost, int i);
// The ghost's pose at lap clock t, interpolated between the samples around
// it; false when it holds nothing or t lies outside 0..lap.
bool ghostPose(const GhostLap& ghost, float t, Vector3* position, Quaternion* orientation);

// Samples a lap as it is driven: start at the line, step every race step with
// the lap clock and the body's pose, finish at the next pass of the line.
struct GhostRecorder {
    GhostLap lap;
    float lastTime;
    GhostSample last;
    bool running;
};
void ghostRecordStart(GhostRecorder& rec, int race, int car, const Vector3& p, const Quaternion& q);
void ghostRecordStep(GhostRecorder& rec, float t, const Vector3& p, const Quaternion& q);
// Ends the lap at lap clock `lap`; false (and nothing kept) when it ran too
// long or backwards.
bool ghostRecordFinish(GhostRecorder& rec, float lap, const Vector3& p, const Quaternion& q);

// The ghost file's bytes, and back: decodeGhost refuses (false) a file that
// is not a whole ghost of this version; `detail` says why.
std::vector<uint8_t> encodeGhost(const GhostLap& ghost);
bool decodeGhost(const uint8_t* data, size_t size, GhostLap* ghost, const char** detail);
// "ghost_<race>_<car>.dat", every one of them matching kGhostFilePattern.
std::string ghostFileName(int race, int car);
constexpr const char* kGhostFilePattern = "ghost_*.dat";
// Reads a ghost file; one for another circuit (or car, when car >= 0) is
// refused. A refusal is said once on stderr; when error is given it gets the
// system's errno of an unreadable file.
LapFileRead readGhostFile(const char* path, int race, int car, GhostLap* ghost, int* error = nullptr);
bool writeGhostFile(const char* path, const GhostLap& ghost);

// The records file's bytes, and back. decodeLapRecords keeps every whole,
// sound entry it finds and leaves the others empty; decodeLapRecordsInto
// fills a table of the caller's instead of lapRecords.
std::vector<uint8_t> encodeLapRecords();
LapFileRead decodeLapRecords(const uint8_t* data, size_t size);
LapFileRead decodeLapRecordsInto(const uint8_t* data, size_t size, LapRecord records[kRecordCircuits]);
// No records, and the lap files' state of a new run.
void clearLapRecords();
// From and to the saves folder. Reading cleans the temporaries of killed
// writes (records and ghosts) and keeps a damaged or refused file as
// "records.dat.bad"; an unreadable one is never written over. Writing merges
// what another game saved meanwhile (under the saves folder's lock), so no
// game's record is lost; a write that fails is told on screen and tried
// again by saveLapFilesAtExit.
LapFileRead readLapRecords();
bool writeLapRecords();
// Writes the ghost of race and car to the saves folder unless the file there
// holds a faster lap of theirs or must be kept; a refused file there is
// copied aside first. False when it could not be written (told, and tried
// again at exit).
bool saveGhostFile(int race, int car, const GhostLap& ghost);
// Reads the ghost of race and car from the saves folder into ghost (empty
// when there is none): an unreadable file is kept and a refused one copied
// aside, the player told once.
LapFileRead loadGhostFile(int race, int car, GhostLap* ghost);
// The lap files whose save failed, tried once more; false when any still
// failed (the player is told by the caller).
bool saveLapFilesAtExit();
// The lap files of this run: what reading found, and what waits to be saved.
struct LapFileState {
    SaveFileCheck records;  // what readLapRecords found
    bool recordsUnsaved;    // the last write failed
    struct Ghost {
        std::string name;  // in the saves folder
        GhostLap lap;      // what waits to be saved
    };
    std::vector<Ghost> ghostsUnsaved;
    std::vector<std::string> ghostsKept;  // never written over in this run
    std::vector<std::string> ghostsTold;  // the player heard of them once
};
// Books a lap: true when it beats (is faster than) the circuit's record,
// which it then replaces.
bool offerLapRecord(int race, int car, float lap, const float splits[kLapSectors], int64_t date);

// The sector (1..3) a pass of that checkpoint ends, 0 for none; checkpoint 0
// ends the lap's last.
int sectorEndedAt(int checkpoint, int count);

// Laps of a time trial: more than anyone drives.
constexpr int kTimeTrialLaps = 999;
// Lap timing of the running race (reset by loadRace).
struct LapTiming {
    float sessionBest;          // best lap since the race was loaded; 0: none
    float lastLap;              // the lap last completed; 0: none
    int lapsCompleted;          // since the race was loaded
    float splits[kLapSectors];  // this lap's sector ends so far
    int sectorsDone;            // of this lap
    float lastSplitGap;         // the last split against the reference
    int lastSplitSector;        // 1..3; 0: none shown
    float lastSplitShownAt;     // race clock of that split, hundredths
    bool lapRunning;            // past the line once
};
// The splits to race against: the ghost's when there is one, else the
// circuit record's; nullptr when neither.
const float* referenceSplits();
void resetLapTiming();
// Called by raceStep after the player's update with what it held before.
void updateLapTiming(int passedBefore, int nextBefore, float lapClockBefore);
// The ghost's car at the lap clock, drawn translucent in a time trial; not
// shown when there is no ghost or the lap has gone past its end.
GhostPicture ghostCarPicture();
// Where the ghost is now; false when not shown.
bool ghostNow(Vector3* position, Quaternion* orientation);
// The time trial's panel: current lap, session best, record, last split.
void drawLapPanel();

// What the race keeps for the whole run.
struct RaceRunState {
    // Per-car ratings; rows 0..11 belong to the twelve cars. Filled by initCarTable.
    CarTableRow carTable[kCarTableRows]{};
    // Body and wheel models of car n at index n - 1; loaded by loadCarModels.
    Model* carBodyModels[kCarModels]{};
    Model* carWheelModels[kCarModels]{};
    // Coarse bodies and wheels of the same cars for the race and the garage
    // at Low, null until a race (loadCoarseCarModels) or the garage needs
    // them; released with the others.
    Model* carCoarseBodyModels[kCarModels]{};
    Model* carCoarseWheelModels[kCarModels]{};
    // The garage has asked for car n's coarse models (index n - 1).
    bool carCoarseAsked[kCarModels]{};
    // Circuit n's record at index n - 1; read at start-up, written on each new one.
    LapRecord lapRecords[kRecordCircuits]{};
    LapFileState lapFiles{};
    // Ghost files are read and written (the game); the tools may switch it off.
    bool ghostFilesEnabled = false;
    // Off: every car is drawn whether or not it can show in the view (the
    // reference for comparisons); set for the whole run.
    bool carViewCulling = true;
    // Lay down the map's depth before lighting it (same pixels, less shading).
    bool mapDepthPrepass = true;
    // The race in progress: the time trial (no opponents, no countdown, laps
    // until the player leaves) when set before loadRace; cleared by nothing but
    // the front end.
    bool timeTrialMode = false;
    // Humans in the races to come, 1..kMaxPlayers: they drive cars 0..n-1 and
    // opponents fill the rest of the grid. Set by the front end before
    // loadRace; a time trial has one.
    int playerCount = 1;
};
extern RaceRunState raceRun;

// One loaded race, from loadRace to unloadRace.
// clang-tidy 14 reports the implicit copy's loop over the array members.
struct RaceSession {  // NOLINT(bugprone-reserved-identifier)
    // Index 0 is the player, 1..3 the opponents.
    Car cars[kRaceCars]{};
    // The map's waypoints, from loadRace to unloadRace; point 0 is the start line.
    Checkpoint checkpoints[kMaxCheckpoints]{};
    int checkpointCount = 0;
    // Dust level shared by the three opponents, 0..1.
    float opponentSkidLevel = 0.0f;
    // unstickCar calls that moved each car in this race (a health figure for the
    // circuits and the opponents' driving).
    int unstickCount[kRaceCars]{};
    // Opponents put back on their line in this race, per car.
    int lostCount[kRaceCars]{};
    int raceDifficulty = kDifficultyNormal;
    PhysicsWorld* raceWorld = nullptr;
    Model* collisionMapModel = nullptr;
    Model* visualMapModel = nullptr;
    Model* lightMapModel = nullptr;
    // Index of the race music track, 0..3, drawn by loadRace.
    int raceMusicIndex = 0;
    RaceClock raceTime{};
    int lapCount = 4;  // laps to drive, 4
    Standing standings[kRaceCars]{};
    // The start countdown runs (set by loadRace, cleared by runCountdown).
    bool countdownRunning = false;
    // The player has finished; the result screen runs.
    bool raceFinished = false;
    // Seconds of the countdown, then of the result screen.
    float raceTimer = 0.0f;
    // The frame factor of the race step in progress: the car forces, which the
    // physics world's controllers run inside the step, read it.
    float raceStepFactor = 1.0f;
    // Running phase of the checkpoint marker, also read by the HUD's arrow.
    float markerPhase = 0.0f;
    // Opponents' entries are kept here; the player's times are the race clocks.
    CarRaceTimes carRaceTimes[kRaceCars]{};
    CourseProgress courseProgress[kRaceCars]{};
    // The career race being loaded (1..15), 0 for a quick race or practice: set
    // by the front end before loadRace, back to 0 by unloadRace.
    int raceCareerNumber = 0;
    // The race number loadRace was last given.
    int loadedRaceNumber = 1;
    // Humans in this race (cars 0..humanCount-1), fixed by loadRace.
    int humanCount = 1;
    // Seconds since the first human finished while others still drive; the
    // race ends when the last one finishes or this reaches kFinishWaitSeconds.
    float finishWaitSeconds = 0.0f;
};
extern RaceSession session;

// With several humans, the race waits this long for the others once the
// first has finished.
constexpr float kFinishWaitSeconds = 30.0f;

// Up to four people race on one screen; each has a record of their own.
constexpr int kMaxPlayers = 4;

// What the race keeps of one human player and their car, the car itself
// apart (session.cars[i]).
struct PlayerRace {
    float engineMix = 0.0f;    // gain of the engine loop; the pass sound gets 1 - engineMix
    float skidLevel = 0.0f;    // tyre squeal and dust, 0..1
    float driftLevel = 0.0f;   // drift build-up, about 0..4
    float driftScore = 0.0f;   // points of the current drift
    float playerSpeed = 0.0f;  // the player's speed this frame
    // The player's car in the races to come (model index 0..11) and its power
    // rating as tuned, 0..1: the race scales every engine force by it (the
    // opponents' by it raised by 30 %). The front end hands over its selection
    // (selectedCar, carPower) before it starts a race.
    int playerCarModel = 0;
    float playerCarPower = 0.0f;
    RaceClock lapTime{};
    RaceClock bestLapTime{};
    int playerPlace = 4;  // 1..4, taken from standings at each checkpoint
    // Seconds since the reset was asked for; below 0 when none runs.
    float resetTimer = -1.0f;
    // Seconds the time cost stays on the HUD.
    float resetPenaltyShown = 0.0f;
    // Resets taken in this race.
    int resetCount = 0;
    // Chase camera, reset by loadRace (resetChaseCamera). The smoothed direction
    // starts in front of the car so the view sweeps in behind it at the start.
    float cameraAimX = 1.0f;  // horizontal direction the camera is turning to
    float cameraAimZ = 0.0f;
    float cameraDirX = -5.5f;  // smoothed direction in use
    float cameraDirZ = -1.0f;
    int cameraMode = 0;
    // Seconds the player's car has stood still (held in a wall, say) while
    // racing; past two the chase camera goes back behind its nose.
    float cameraHeldSeconds = 0.0f;
    // How much of the eye's height above the car is lift over a tilted roof,
    // given back over about a second once the car is level again.
    float cameraLift = 0.0f;
    // Circling angle after the finish, radians; runs on for the whole program.
    float orbitAngle = 0.0f;
    // The corner arrow's displayed angle, degrees; never reset.
    float hudArrowAngle = 0.0f;
    // Seconds the player's wrong-way warning has been on without a break; 0 while
    // it is off.
    float wrongWayTimer = 0.0f;
    LapTiming lapTiming{};
    // The ghost driven beside the player (the record of the circuit and car) and
    // the lap being sampled.
    GhostLap raceGhost{};
    GhostRecorder lapRecorder{};
    // The sampled line of the session's best lap (empty until a lap is done).
    GhostLap sessionGhost{};
    // In a race of several humans: the device this player drives with
    // (DriveDevice), and whether they have finished (the race goes on for the
    // others). One player alone finishes with the race.
    int driveDevice = DriveKeysA;
    bool finished = false;
    // Revs the spinning rear wheels add to the heard engine; never driven.
    float wheelSpinRpm = 0.0f;
    // The reset key's state last step, and whether the running reset has put
    // the car down yet.
    bool resetKeyWasDown = false;
    bool resetPlaced = false;
};
extern PlayerRace players[kMaxPlayers];

// What the front end, the shell and the tools change of the race's records,
// each through its owner here.
// The car a player drives in the races to come and its tuned power (0..1).
void setPlayerCar(int player, int model, float power);
// Humans in the races to come (held to 1..kMaxPlayers) and each one's device.
void setPlayerCount(int count);
void setPlayerDevice(int player, int device);
// Humans in the loaded race, 1..kMaxPlayers.
int racePlayerCount();
// The player has finished: their own finish in a race of several, the
// race's with one.
bool playerFinished(int player);
// The action is held on the player's device (one player alone: any of the
// bound keys, as actionDown).
bool playerActionDown(int player, int action);
// The career race about to load (1..15), 0 for any other race.
void setRaceCareerNumber(int careerRace);
void setTimeTrialMode(bool on);
void setGhostFilesEnabled(bool on);
// The next of the kCameraModes views for a player.
void cycleCameraMode(int player);
// The result screen's clock: adds seconds to raceTimer and returns it.
float advanceRaceTimer(float seconds);

// ---------------------------------------------------------------------------
// Replays (replay_record.cpp, replay_file.cpp, replay_view.cpp).
//
// Every race records every car at 20 samples a second of its own clock (the
// hundredths stepped since loadRace, countdown included), with the race's
// events, into replayRun.recording; it stays there after unloadRace until
// the next loadRace, for the result screen's "Watch replay" and "Save
// replay". A sample is compact (kReplaySampleBytes a car, the same in memory
// and on disk) and the viewer interpolates between samples, so a replay
// plays the same whatever the physics does.

constexpr float kReplaySampleHundredths = 5.0f;
// Thirty minutes of race; a longer race keeps its first thirty minutes.
constexpr int kMaxReplayFrames = 36001;
constexpr int kMaxReplayEvents = 65536;
constexpr int kReplayFileVersion = 1;
constexpr size_t kReplayHeaderBytes = 64;
constexpr size_t kReplaySampleBytes = 51;
constexpr size_t kReplayEventBytes = 10;
constexpr size_t kMaxReplayFileBytes =
    kReplayHeaderBytes + static_cast<size_t>(kMaxReplayFrames) * kRaceCars * kReplaySampleBytes +
    static_cast<size_t>(kMaxReplayEvents) * kReplayEventBytes;
// The circuits a replay may name (the race numbers loadRace takes).
constexpr int kReplayCircuits = 20;

// What one car shows at one sample.
enum : uint8_t {
    kReplayBrakeLight = 1,    // the brake is held
    kReplayReverseLight = 2,  // reverse is engaged
    kReplayNitro = 4,         // the nitro burns (its sound and the green flame)
    kReplayDust = 8,          // the emitters that are on
    kReplayFlame = 16,
    kReplaySmoke = 32,
    kReplayAllFlags = 63,
};
struct ReplayCarSample {
    float position[3];       // the body's origin
    int16_t orientation[4];  // unit quaternion, scalar last, x 32767
    float wheelSpin[4];      // rolling angle, radians, not wrapped
    uint8_t suspension[4];   // hit position along each wheel ray, 0..1 in 255ths
    int16_t steer;           // front-wheel angle, 10000ths of a radian
    uint16_t rpm;            // engine speed
    int8_t gear;             // -1, 0, 1..5
    uint8_t flags;           // kReplay* bits
    uint8_t flameLevel;      // 0..1 in 255ths
    uint8_t dustLevel;       // skid dust, 0..1 in 255ths
    uint8_t smokeLevel;      // 0..1 in 255ths
    uint8_t driftLevel;      // 0..4 in 60ths
    uint8_t nitro;           // the tank, 0..100
};

enum class ReplayEventKind : uint8_t {
    Countdown,   // the countdown starts (value 0) or lets the cars go (1)
    Checkpoint,  // value: the checkpoint passed
    Lap,         // value: the lap begun
    Crash,       // value: the crash sound's gain in hundredths
    Reset,       // value: 0 the player's reset, 1 a car unstuck, 2 put back on its line
    Finish,      // value: the race clock at the finish, hundredths
    Count
};
struct ReplayEvent {
    float time;  // replay clock, hundredths
    ReplayEventKind kind;
    uint8_t car;
    int32_t value;
};

struct Replay {
    int race = 0;  // 1..kReplayCircuits; 0: nothing recorded
    int carCount = 0;
    int models[kRaceCars]{};  // each car's model index (its body and paint)
    int laps = 0;
    bool timeTrial = false;
    int64_t date = 0;         // seconds since 1970, UTC, of the recording's start
    float winnerTime = 0.0f;  // race clock of the first finish, hundredths; 0: none
    // frames x carCount samples, frame k at k x kReplaySampleHundredths.
    std::vector<ReplayCarSample> samples;
    std::vector<ReplayEvent> events;
};
int replayFrameCount(const Replay& replay);
// Replay clock of the last sample.
float replayDuration(const Replay& replay);

// One car of a replay at one moment, interpolated between the samples.
struct ReplayPose {
    Vector3 position;
    Quaternion orientation;
    Vector3 velocity;  // from the samples around it, units a physics second
    float wheelSpin[kWheels];
    float suspension[kWheels];
    float steer;
    float rpm;
    int gear;
    int flags;
    float flameLevel, dustLevel, smokeLevel, driftLevel, nitro;
};
// False when the replay lacks the car or t lies outside 0..duration.
bool replayCarPose(const Replay& replay, int car, float t, ReplayPose* pose);
// The sample's stored values, exactly as they read back.
ReplayPose replaySamplePose(const ReplayCarSample& sample);
ReplayCarSample makeReplaySample(const ReplayPose& pose);

// The recorder: started by loadRace, stepped at the end of each raceStep,
// told of crashes by the impact listener.
struct ReplayRecorder {
    bool running = false;
    float clock = 0.0f;  // hundredths since loadRace
    ReplayCarSample last[kRaceCars]{};
    float lastTime = 0.0f;
    // What the events are found from, as last seen.
    int checkpointsSeen[kRaceCars]{};
    int lapsSeen[kRaceCars]{};
    int unstickSeen[kRaceCars]{};
    int lostSeen[kRaceCars]{};
    bool finishedSeen[kRaceCars]{};
    int resetsSeen = 0;
    bool countdownSeen = false;
};
void startReplayRecording();
void recordReplayStep(float f);
void noteReplayEvent(ReplayEventKind kind, int car, int value);
// The samples every car gets now, from the cars of the session.
ReplayCarSample sampleOfCar(const Car& car, int index);

// The file: "KVRP", version, circuit, cars, laps, date, winner's time,
// rate, counts, the samples frame by frame, the events. decodeReplay
// refuses (false) anything but a whole, sound replay of this version;
// `detail` says why in the player's words.
std::vector<uint8_t> encodeReplay(const Replay& replay);
bool decodeReplay(const uint8_t* data, size_t size, Replay* replay, const char** detail);
// "replay_<race>_<yyyymmdd>_<hhmmss>.krp" for a date (UTC).
std::string replayFileName(int race, int64_t date);
constexpr const char* kReplayFilePattern = "replay_*.krp";
// Reads a replay file as untrusted bytes; a refusal's reason in detail.
LapFileRead readReplayFile(const char* path, Replay* replay, const char** detail);
bool writeReplayFile(const char* path, const Replay& replay);
// "Save replay": the recording into the saves folder through the atomic
// writer, under a name no other file has; false (and the player told) when
// there is nothing to save or it could not be written. The name written in
// savedName when given.
bool saveRecordedReplay(std::string* savedName = nullptr);

// One saved replay as the Replays screen lists it.
struct ReplayListing {
    std::string name;  // in the saves folder
    bool readable;     // false: refused, `problem` says why; the file stays as it is
    std::string problem;
    int race, carCount, models[kRaceCars];
    int64_t date;
    float winnerTime;
};
// The saves folder's replays, newest first (by name, which holds the date).
std::vector<ReplayListing> listSavedReplays();
// Removes a saved replay (only names the listing gave); false when it stays.
bool deleteSavedReplay(const std::string& name);
// Reads a saved replay into replayRun.watched; false with the reason in
// problem when it is refused or unreadable.
bool loadSavedReplay(const std::string& name, std::string* problem);

// TV cameras along the loaded circuit, planned from its waypoints, walls and
// buildings: where each stands, and which one shows the stretch from
// checkpoint j to j + 1 (segmentCamera[j], -1 for none).
struct TvCameraPlan {
    int race = 0;  // the circuit planned for; 0: none
    std::vector<Vector3> cameras;
    std::vector<int> segmentCamera;
};
// Plans the loaded circuit's cameras into replayRun.tv.
void planTvCameras();
// The waypoint segment nearest a point, and the TV camera showing it.
int nearestSegment(const Vector3& p);
int tvCameraFor(const Vector3& p);
// The car ahead at replay clock t: the most checkpoints passed by then.
int replayLeader(const Replay& replay, float t);

enum class ReplayCamera : int { Chase, Tv, Free };
// 0.25x, 0.5x, 1x, 2x and 4x.
constexpr int kReplaySpeedCount = 5;
constexpr int kReplayNormalSpeed = 2;
struct ReplayViewer {
    bool active = false;
    bool watchingSaved = false;  // replayRun.watched, else the recording
    float time = 0.0f;           // replay clock, hundredths
    int speedIndex = kReplayNormalSpeed;
    bool backwards = false;
    bool paused = false;
    ReplayCamera camera = ReplayCamera::Chase;
    int car = 0;  // the car the chase camera follows
    bool hudShown = true;
    int tvCamera = -1;  // in use, for the tools' report
    // The free camera: orbit about a centre, radians and units.
    Vector3 freeCentre;
    float freeYaw = 0.8f;
    float freePitch = 0.45f;
    float freeDistance = 24.0f;
    // What the viewer borrows of the race to show the replay's progress
    // (flags, clocks, checkpoints, laps, places), given back at its end.
    bool countdownWas = false;
    bool finishedWas = false;
    RaceClock raceTimeWas{}, lapTimeWas{}, bestLapWas{};
    int placeWas = 4;
    int passedWas[kRaceCars]{}, nextWas[kRaceCars]{}, lapWas[kRaceCars]{};
};
// Starts viewing the recording (or replayRun.watched when saved) on the
// loaded race, which must be its circuit: the recording stops, the cars
// take the replay's models and stand where it has them at 0. False when
// the replay does not fit the loaded race.
bool startReplayView(bool saved);
// Back to the race as it was (its flags given back, the engines silent).
void stopReplayView();
// Puts every car where the replay has it at the viewer's clock.
void showReplayMoment();
// Moves the viewer's clock by a frame of f at its speed and direction; at
// 1x forwards the replayed engines, crashes and nitro are heard.
void advanceReplayView(float f);
void setReplaySpeed(int index);
void seekReplay(float t);
// To the followed car's start of a lap; false when it never began it.
bool jumpReplayToLap(int lap);
void followReplayCar(int car);
void setReplayCamera(ReplayCamera camera);
// The view of the viewer's camera (moving the chase camera's state along).
SceneView replayCameraView();
// The replay's frame handed to the renderer: its camera, the replayed cars
// and effects, the race HUD and time bar or only the glow.
void drawReplayScene();

// The viewer's keys: Space or P pause, Up and Down the speed, Left rewinds
// and Right plays forwards, 1-4 the chase camera of that car, C the next
// camera, H the HUD, Page Up and Page Down a lap on or back, Home and End;
// the free camera turns on A D W S, zooms on Q E and moves on I J K L.
void handleReplayKeys(float f);
// One frame of the viewer in the race's place: keys, cars, picture, clock.
// False (and the viewer stopped) when Esc leaves it.
bool runReplayFrame(float f);

// What the race keeps of replays for the whole run.
struct ReplayRunState {
    // The race being recorded, or the last one recorded.
    Replay recording;
    ReplayRecorder recorder;
    // A replay read from the saves folder for viewing.
    Replay watched;
    ReplayViewer viewer;
    TvCameraPlan tv;
};
extern ReplayRunState replayRun;
