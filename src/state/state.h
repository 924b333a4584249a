// Run-wide state every module reads: the game state, the frame timing, the
// input arrays, the settings and career held in the save files, and the frame
// timer.
//
// It sits below the game's modules and includes nothing of them; the shell
// (shell/shell.h) starts it up and the screens, the race and the renderer read and
// write it. Everything runs on the one game thread; window messages are
// handled only between frames.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// ---------------------------------------------------------------------------
// Game state, for the whole run.

enum GameState : int32_t {
    Race = 0,
    MainMenu = 1,
    Garage = 2,
    Pause = 4,
    Options = 5,
    CareerMenu = 20,
    CityMap = 21,
    PracticeMenu = 22,
    RecordsPage = 23,
    QuickRaceMenu = 24,
    ReplaysPage = 25,
    CarTuning = 29,
    InfoPage = 50,
    Controls = 51,
    QuitConfirm = 90,
};

// ---------------------------------------------------------------------------
// Frame timing, for the whole run. Rates are per 10 ms and multiplied by
// frameFactor, so 0.01 * frameFactor is the frame's duration in seconds.

// The fade-in starts at silence and rises by kMusicFadeRate a 10 ms: full
// gain 2.5 s after the music starts, so its first notes are already heard.
constexpr float kMusicFadeStart = 0.0f;
constexpr float kMusicFadeRate = 0.004f;
// A machine that never draws 15 frames a second still gets its menu music
// this long after the menu comes up.
constexpr float kMenuMusicWaitSeconds = 2.0f;
// The longest time one slow frame adds to the wait: a load is not time in
// the menu.
constexpr float kMenuMusicWaitFrameSeconds = 0.25f;

// Starts the fade-in of the music that is now current from its quiet end.
void startMusicFade();
// Raises the fade by a frame of frameFactor f; returns the gain to apply.
float advanceMusicFade(float f);
// Marks the menu music to be started by the menu frames.
void requestMenuMusicStart();
// Counts a menu frame of frameSeconds real time towards the wait; true once
// the pending start is due (fpsValue above 15, or the wait is over), which
// also clears the request.
bool menuMusicStartDue(float frameSeconds);

// Puts the game state, the frame timing, the input state, optionsApplied and
// the key bindings back to their starting values: at load, and for each fresh
// run (resetShellState, the tests' fixtures).
void resetRunState();

// ---------------------------------------------------------------------------
// Input state, written by windowProcedure.

// The key is held, or was tapped since the last frame: what the frame checks
// and the race's controls read.
bool keyDown(int vk);

// The frame's key changes with the moments they happened (timerGetTime's
// clock, ms), so a slow frame's race step can give each stretch of the
// frame's time the keys that were down then. Cleared after each frame's key
// checks; a key held down (repeats) adds nothing.
struct KeyEvent {
    float timeMs;  // negative when the platform could not tell
    uint8_t vk;
    bool down;
};
constexpr int kMaxKeyEvents = 64;
// Records a change of keys[vk] to down at messageTimeMs (call it before
// keys[] is written); a key already in that state records nothing.
void noteKeyEvent(int vk, bool down);
void clearKeyEvents();

// ---------------------------------------------------------------------------
// Settings, saved in ".\base\menu.inf" (six 32-bit integers, 24 bytes).

// Side of the square glow (blur) render textures, in pixels: the glow passes
// draw into that corner of the back buffer and copy it out.
constexpr int kBlurTextureSize = 256;

// ---------------------------------------------------------------------------
// Career, saved in "base/career.inf" (123 32-bit integers, 492 bytes).

enum : int {
    kCarSlots = 18,  // stored car entries; cars 0..11 exist
    kCarCount = 12,
    kTuningPackages = 3,
    kRaceSlots = 24,  // stored race records; record j is race j + 1
    kCareerRaces = 15,
};

struct RaceRecord {
    bool flag;          // stored and reloaded, used by nothing else
    int32_t bestPlace;  // 0: not finished in the first three, else 1..3
};

// The cars a career wins by its points, in order of the points.
constexpr int kPrizeCount = 9;
struct CarPrize {
    int points;  // careerPoints at which the car becomes available
    int car;
};
inline constexpr CarPrize carPrizes[kPrizeCount] = {
    {100, 3}, {200, 4}, {300, 5}, {450, 6}, {600, 7}, {750, 8}, {900, 9}, {1050, 10}, {1200, 11},
};

constexpr int kSettingsFileBytes = 6 * 4;
constexpr int kCareerFileBytes = (kCarSlots + kCarSlots * kTuningPackages + kRaceSlots * 2 + 3) * 4;
static_assert(kCareerFileBytes == 492, "career file layout");

// ---------------------------------------------------------------------------
// Save files.

// How a save file came through its read at start-up; the shell tells the
// player. Set by readSettings and readCareer, for the whole run.
struct SaveFileCheck {
    // The file exists but could not be read (no permission, a folder, an I/O
    // error); reason holds the system's words.
    bool unreadable;
    char reason[96];
    // The file was read but held values the game cannot use; they were
    // brought into range, and its bytes kept as "<name>.bad" when backupKept.
    bool damaged;
    bool backupKept;
    // Never written over in this run: unreadable, or damaged with no copy kept.
    bool keepFile;
};
extern SaveFileCheck gameSettingsFileCheck;
// The copy of a damaged save file: "career.inf.bad" beside "career.inf".
constexpr const char* kDamagedFileSuffix = ".bad";
// Reads the save file called name in the saves folder whole into bytes;
// false when there is none or it cannot be read (check says which, and why).
bool readSaveFile(const char* name, SaveFileCheck* check, std::vector<uint8_t>* bytes);
// Keeps the bytes of a save file that held nonsense as "<name>.bad", one copy
// replaced by a newer one; without the copy the file is kept (check->keepFile).
void keepDamagedSaveFile(const char* name, const std::vector<uint8_t>& bytes, SaveFileCheck* check);

// Missing files or fields keep the defaults; values that later code uses as
// indices are brought into range, and the career's points and unlocks follow
// from its results.
void readSettings();
void readCareer();
// Both replace their file atomically; false when it could not be written. A
// file its check keeps is left as it was (true: the player was told at start).
bool writeSettings();
bool writeCareer();
// Writes the career at once (the result screen calls it after booking, so a
// crash cannot lose the progress of a race); a failure is a line on stderr.
bool writeCareerNow();
// The defaults of a missing file.
void setDefaultSettings();
void setDefaultCareer();
// Width and height of a resolution index; false when it is out of range.
bool resolutionSize(int index, int32_t* width, int32_t* height);
// Sets resolutionIndex, the screen size and the window's size to that
// resolution; an index out of range keeps the sizes.
void chooseResolution(int index);
// Sets the screen size and the window's size to width x height, and
// resolutionIndex to the nearest of menu.inf's three.
void chooseScreenSize(int32_t width, int32_t height);
// The size the game draws at in this run: the window's size.
void currentResolution(int32_t* width, int32_t* height);
// The resolution index menu.inf keeps for a size: its own, or the nearest.
int nearestResolutionIndex(int32_t width, int32_t height);

// The sizes the options screen offers, in order of width then height: the
// three classic ones, the display's modes, and the common wide ones that fit
// on the display (a window can take them even where the display lists only
// its own size).
constexpr int kMaxScreenSizes = 32;
// The largest side settings.cfg keeps for a screen size.
constexpr int kMaxScreenSide = 16384;
struct ScreenSize {
    int32_t width;
    int32_t height;
};
int offeredScreenSizes(ScreenSize sizes[kMaxScreenSizes]);
// Of sizes, the index of the one nearest width x height.
int nearestScreenSize(const ScreenSize* sizes, int count, int32_t width, int32_t height);
// After both settings files are read: a size menu.inf cannot hold comes from
// settings.cfg; one the display no longer offers becomes the nearest it
// does, said once. Fixes the window's size for the run.
void settleScreenSize();
// The file images themselves, for the writers and the tests.
void encodeSettings(uint8_t out[kSettingsFileBytes]);
void encodeCareer(uint8_t out[kCareerFileBytes]);
// false when the image was not whole or held values that had to be changed
// (a flag's non-zero value and a package's positive one are as stored).
bool decodeSettings(const uint8_t* data, size_t size);
bool decodeCareer(const uint8_t* data, size_t size);

// The folder of the three player files (menu.inf, career.inf, stats.html),
// chosen once at start-up: "base" when the game may write there, else the
// player's data folder ($XDG_DATA_HOME/korvask). Same names, same bytes.
constexpr int kSavesFolderBytes = 4096;
constexpr const char* kSettingsFileName = "menu.inf";
constexpr const char* kCareerFileName = "career.inf";
constexpr const char* kStatsFileName = "stats.html";
void chooseSavesFolder();
// savesFolder + "/" + name.
std::string savesPath(const char* name);
// Writes the settings and career held in memory where their file is missing,
// so a first start leaves both in the saves folder.
void writeMissingSaveFiles();

// ---------------------------------------------------------------------------
// Our own settings, for the whole run, saved in "settings.cfg" beside
// menu.inf: one "key = value" a line, '#' starts a comment. It holds what the
// 24-byte menu.inf cannot (volumes, difficulty, graphics, key bindings).
// Every key the game knows is a row of one table (settings_table.cpp): its
// key, type, default, range and the owner's apply function. Modules read and
// write their rows through the typed accessors below; keys the game does not
// know are kept as text and written back.

constexpr const char* kGameSettingsFileName = "settings.cfg";
constexpr int kMaxGameSettings = 72;
// Keys the game does not know take at most this many rows, so the game's own
// keys always have room (further unknown keys are left out, said once).
constexpr int kMaxUnknownGameSettings = 32;
constexpr int kSettingKeyBytes = 32;    // key letters, digits, '_', '.', '-'
constexpr int kSettingValueBytes = 96;  // printable text
constexpr int kMaxGameSettingsFileBytes = 64 * 1024;

// Empties the stored settings (a fresh run).
void clearGameSettings();
// Reads settings.cfg from the saves folder; a missing, unreadable, oversized
// or garbled file leaves the defaults for what could not be read. One that
// cannot be read is never written over; an oversized or garbled one is kept
// as settings.cfg.bad before the lines that could be read replace it
// (gameSettingsFileCheck says which, for the shell to tell the player).
void readGameSettings();
// Replaces settings.cfg atomically; false when it could not be written.
bool writeGameSettings();
// Adds the lines of text to the stored settings; returns how many lines were
// dropped.
int parseGameSettings(const char* text, size_t size);
// The file's text for the stored settings.
std::string formatGameSettings();

// The settings the game knows, one row each of the table.
enum class Setting : int {
    MusicVolume,
    EffectsVolume,
    Difficulty,
    Graphics,
    Display,
    // A screen size menu.inf cannot hold (0 x 0 when it holds the size).
    ScreenWidth,
    ScreenHeight,
    KeysSteerAssist,
    PadDeadZone,
    PadSensitivity,
    PadLinearity,
    PadSteerAssist,
    PadRumble,
    // A wheel's assigned axes (WheelInput's order): each its axis, whether
    // it runs the other way, and for the pedals where it rests.
    WheelSteerAxis,
    WheelSteerInverted,
    WheelThrottleAxis,
    WheelThrottleInverted,
    WheelThrottleRest,
    WheelBrakeAxis,
    WheelBrakeInverted,
    WheelBrakeRest,
    // The driving actions' keys, in BindAction's order, then their second keys.
    FirstKey,
    FirstSecondKey = FirstKey + 8,
    Count = FirstSecondKey + 8,
};
constexpr int kSettingCount = static_cast<int>(Setting::Count);

enum class SettingType : int {
    Whole,   // a whole number in lo..hi
    Tenths,  // a number with one decimal; value, lo, hi and step in tenths
    Word,    // one of the row's words; the value is its index
    Key,     // a key's name (see keyName); the value is its virtual key
};
struct SettingRow {
    const char* key;  // as settings.cfg writes it
    SettingType type;
    // The value without a line in the file: Word's -1 means the player has
    // not said; Key's kNoKey means no key.
    int initial;
    int lo, hi;
    // One press on the options or Controls screen; a row that wraps goes
    // round past either end instead of stopping there.
    int step;
    bool wraps;
    const char* const* words;  // Word: hi + 1 of them
    // The owner's hook, run when a screen changes the row (nullptr: the owner
    // reads the row when it needs it).
    void (*apply)();
};
const SettingRow& settingRow(Setting setting);
inline const char* settingKey(Setting setting) {
    return settingRow(setting).key;
}
// The row of an action's key (slot 0) or second key (slot 1).
Setting bindingSetting(int action, int slot);
// The row whose key is key; false when the game does not know it.
bool findSetting(const char* key, Setting* setting);
// True for the keys the game itself reads and writes.
bool ownSettingKey(const char* key);
// An owner puts its apply function into its row at start-up.
void setSettingApply(Setting setting, void (*apply)());

// The row's value: the default when the file has none. A value that is not a
// number, lies outside the range or is no word of the row is defaulted or
// clamped here, with a line on stderr, and the mended value replaces it, so
// it is said once. Key rows give the key's code as it is written (the
// bindings settle unusable and shared keys).
int settingValue(Setting setting);
// A Tenths row's value as a number (a Whole row's as it is).
float settingNumber(Setting setting);
// Stores value, held to the row's range (a Word row's -1 leaves the key out).
void setSettingValue(Setting setting, int value);
// One step of the row in direction (-1 or 1), wrapped or held at the ends,
// then the owner's apply function; false when the value stayed.
bool stepSetting(Setting setting, int direction);
// Runs the row's apply function, if its owner set one.
void applySetting(Setting setting);

// How the game's window shows, kept as "display = window", "fullscreen" or
// "desktop" (borderless over the whole desktop) once the player has said:
// answered the window-mode question or chosen on the options screen.
enum DisplayMode : int { DisplayWindow, DisplayFullscreen, DisplayDesktop, kDisplayModes };
// The stored mode, -1 while the player has said nothing.
int displayModeSetting();
void setDisplayModeSetting(int mode);
// "Window", "Fullscreen", "Desktop".
const char* displayModeName(int mode);
// The value of key, or nullptr when the file has none.
const char* settingText(const char* key);
// false when the key or value is not one the file can hold, or the key is one
// the game does not know and kMaxUnknownGameSettings of those are held.
bool setSettingText(const char* key, const char* value);

// ---------------------------------------------------------------------------
// Key bindings, for the whole run: the virtual-key code of each driving
// action, a primary key each and a second one (kNoKey where the second is
// free). No key serves two slots.

enum BindAction : int {
    BindAccelerate,
    BindBrake,  // brake, and reverse once stopped
    BindLeft,
    BindRight,
    BindNitro,
    BindCamera,
    BindPause,
    BindReset,  // back onto the road
    kBindActions
};
constexpr int kNoKey = -1;
void setDefaultKeyBindings();
// The action's key when settings.cfg does not say (-1 for no action), and
// its second key (kNoKey for none).
int defaultKeyBinding(int action);
int defaultSecondKeyBinding(int action);
// keyDown of the action's primary or second key.
bool actionDown(int action);
// The name a key has in settings.cfg and on the Controls screen ("Up",
// "Space", "A", "F1"); nullptr for a key without one.
const char* keyName(int vk);
// The key of a name, -1 when no key has it.
int keyFromName(const char* name);
// A named key that nothing else takes (F shows the frame rate, F12 takes a
// screenshot).
bool keyBindable(int vk);
static_assert(static_cast<int>(Setting::Count) - static_cast<int>(Setting::FirstKey) == 2 * kBindActions,
              "a key row and a second-key row per action");
// The name settings.cfg and the Controls screen give a key slot: keyName,
// or "None" for a slot left free.
const char* slotKeyName(int vk);
// Sets the key bindings from settings.cfg's table: an action whose key is
// missing, unknown or shared with another action gets its default (with a
// stderr line for the bad ones); then the second keys the same way, where one
// that cannot be its default is none; then writes the result back.
void readKeyBindings();
// Writes the key bindings to the settings table.
void storeKeyBindings();
// Binds vk to the action; an action that held vk takes the action's old key.
// false, changing nothing, when vk cannot be bound.
bool bindKey(int action, int vk);
// The same for slot 0 (the primary) or 1 (the second key). A primary that
// holds vk while the slot had no key takes its own second key instead; an
// action with no second key keeps its primary (false, nothing changes).
bool bindKeySlot(int action, int slot, int vk);
// The action's second key left free.
void clearSecondKey(int action);
// Every action back to its default key, in the table too.
void restoreDefaultKeyBindings();

// ---------------------------------------------------------------------------
// Analogue input, for the whole run: how each device's raw axis becomes the
// value the car gets, and the controller's rumble. settings.cfg keeps them
// under "keys." and "pad." ("pad.dead_zone = 15"); the Controls screen
// changes them.

enum InputDevice : int { DeviceKeys, DeviceController, kInputDevices };
struct InputDeviceSettings {
    int deadZone;       // percent of the travel, 0..50, read as rest
    float sensitivity;  // 0.5..2.0: the shaped value is scaled by it, then held to 1
    float linearity;    // 1.0 (linear) .. 3.0: the curve's power, finer near the centre
    // The wheel turns towards where the input points at the keys' steady
    // rate, rather than at once.
    bool steerAssist;
};
constexpr int kMaxDeadZone = 50;
constexpr float kMinSensitivity = 0.5f, kMaxSensitivity = 2.0f;
constexpr float kMinLinearity = 1.0f, kMaxLinearity = 3.0f;

// The player's controls, for the whole run: the settings' key and input rows
// as the game uses them. State writes them (readKeyBindings, bindKeySlot,
// readInputSettings, the rows' apply function); the rest of the game reads.
// A joystick's axis (a wheel's, or its pedals') assigned to steering,
// throttle or brake on the Controls screen.
enum WheelInput : int { WheelSteer, WheelThrottle, WheelBrake, kWheelInputs };
constexpr int kNoWheelAxis = -1;
struct WheelAxis {
    int axis;       // the joystick's axis, kNoWheelAxis for none
    bool inverted;  // steering right or pressing the pedal moves it down
    int rest;       // a pedal rests at -1 (the low end), 0 (the middle) or 1 (the high end)
};

struct ControlSettings {
    int keyBindings[kBindActions];
    int secondKeyBindings[kBindActions];
    InputDeviceSettings inputDevices[kInputDevices];
    int rumbleStrength;  // controller rumble in percent, 0 (off) .. 100
    WheelAxis wheelAxes[kWheelInputs];
};
extern ControlSettings controlSettings;
void setDefaultInputSettings();
// From settings.cfg's table: out-of-range values are clamped and values that
// are not numbers take the default, each with a line on stderr; then the
// result is written back to the table.
void readInputSettings();
void storeInputSettings();
// A raw axis (-1..1; a trigger 0..1) as the car gets it: inside the dead zone
// 0, beyond it the rest of the travel from 0 to 1, raised to the linearity,
// scaled by the sensitivity and held to 1, the sign kept.
float shapeAxis(float raw, const InputDeviceSettings& device);
// A raw joystick axis (-1..1) as its assigned input reads it, before the
// shaping: steering -1..1 with right positive; a pedal 0..1, from where it
// rests to the far end of its travel (a pedal resting mid-travel reads its
// half towards the press).
float wheelAxisValue(float raw, const WheelAxis& axis, WheelInput which);
// The axis the player moved, from every axis's raw value (-32768..32767) at
// rest and now: the one that moved furthest from rest, at least a quarter of
// the whole travel, with its direction and where it rested. false (out
// unchanged) while none has moved that far.
constexpr int kWheelCaptureTravel = 16384;
bool pickWheelAxis(const int* rest, const int* now, int count, WheelAxis* out);
// Assigns axis to the input which, in the settings table too.
void assignWheelAxis(WheelInput which, const WheelAxis& axis);

// ---------------------------------------------------------------------------
// A notice for the player: one short line over whatever screen is up (a
// screenshot saved or not, a locked car), for kPlayerNoticeMs of the frame
// timer's time. Any module sets it; the frame draws it once, over the race or
// the menus.

constexpr float kPlayerNoticeMs = 2000.0f;
struct PlayerNotice {
    char text[160];
    float shownAtMs;  // timerGetTime when it was set
    bool set;
};
// Shows text from now on for kPlayerNoticeMs, replacing any earlier notice.
void setPlayerNotice(const char* text);
// The notice's text while it is due, else null.
const char* currentPlayerNotice();

// ---------------------------------------------------------------------------
// Frame timer: milliseconds since timerInit, from the performance counter or
// the millisecond clock.

struct FrameTimer {
    int64_t frequency;
    float resolution;
    uint32_t mmTimerStart;
    uint32_t mmTimerElapsed;
    bool performanceTimer;
    int64_t performanceTimerStart;
    int64_t performanceTimerElapsed;
};

void timerInit();
float timerGetTime();
// The clock timerInit chose and where it started.
const FrameTimer& currentFrameTimer();

struct GameRunState {
    // Current screen or race; 0 (Race) at load, MainMenu once the renderer is up.
    int32_t gameState = Race;
    // Set by "Yes" on the quit confirmation; ends the main loop after the frame.
    bool quitRequested{};
    // FPS display, toggled by F in any state.
    bool showFps{};
    // The window is active and not minimised; frames are drawn only then.
    bool windowActive = true;
    // The eight-second start-up splash still runs; seconds since it began.
    bool startupPending = true;
    float startupElapsed{};
    // Gain of the music that is fading in, from kMusicFadeStart up; applied
    // clamped to 0..1. Written only by startMusicFade and advanceMusicFade.
    float musicGain{};
    // The menu music is to be (re)started once the frame rate exceeds 15 or the
    // menu has waited kMenuMusicWaitSeconds; set through requestMenuMusicStart.
    bool menuMusicStartPending{};
    // Seconds of menu frames drawn while menuMusicStartPending was set.
    float menuMusicWaitSeconds{};
    PlayerNotice playerNotice{};
};
extern GameRunState game;
// The screen or race the frame dispatcher runs from the next frame on.
void setGameState(int32_t state);
// The window procedure's news for the run's records.
void setWindowActive(bool active);
void requestQuit();
void toggleFpsDisplay();
// The splash's clock: advanced by each splash frame, or moved on to a
// given second when the player skips the splash.
void advanceStartup(float seconds);
void endStartupWait(float atSeconds);
// The splash is over and the start-up assets are loaded.
void finishStartup();
// Frame measure of drawFrame: FPS groups and frameFactor from the timer.
void measureFrame();
// One smoothing step of frameFactor towards the measured frame time m (in
// units of 10 ms).
float smoothFrameFactor(float factor, float measured);
// The frame factor of a frame measured at m: the smoothing step, with the
// time it holds back or hands out ahead kept in *carry and paid back over the
// next frames, so that game time keeps the wall clock's at any frame rate.
float keepFrameTime(float factor, float measured, float* carry);

struct FrameClock {
    // Smoothed duration of the last frame in units of 10 ms (1.0 = 10 ms).
    float frameFactor{};
    // Measured frame time the smoothing has not yet handed out as frameFactor
    // (negative: handed out ahead of the clock), in units of 10 ms. The next
    // frames pay it back, so the game's time keeps the wall clock's.
    float frameTimeCarry{};
    // Clock of the previous frame, in units of 0.1 s.
    float frameClockPrev{};
    // |this frame's clock - previous|, in units of 0.1 s.
    float frameDelta{};
    // FPS measure over groups of ten frames: counter 0..10, clocks in seconds.
    int fpsCounter{};
    float fpsStart{};
    float fpsEnd{};
    float fpsValue{};
};
extern FrameClock frameClock;

struct InputState {
    // true while the key with that virtual-key code is down.
    bool keys[256]{};
    // true when a down message for the key arrived since the last frame's key
    // checks, so a tap that falls between two frames still counts once.
    bool keysPressed[256]{};
    KeyEvent keyEvents[kMaxKeyEvents]{};
    int keyEventCount = 0;
    // The stretch of the clock the frame's events fall in: from the previous
    // frame's measure to this one's (written by the frame measure).
    float inputSpanStartMs = 0.0f;
    float inputSpanEndMs = 0.0f;
    // When the message being handled happened; negative: now.
    float messageTimeMs = -1.0f;
    // One latch shared by the single-press keys.
    bool keyLatch{};
};
extern InputState input;
// A key message of the window: the key's state, its press and its place in
// the frame's key timeline.
void keyMessage(int vk, bool down);
void setKeyLatch(bool held);
// When the message being handled was sent (timerGetTime), -1 when unknown.
void setMessageTime(float ms);

struct MenuOptions {
    // 0: 640 x 480, 1: 800 x 600, 2: 1024 x 768.
    int32_t resolutionIndex = 1;
    // Colour bits of the display mode and pixel format, 16 or 32.
    int32_t colorBits = 32;
    // Depth-buffer bits of the pixel format, 16 or 24.
    int32_t depthBits = 24;
    bool soundEnabled = true;
    bool musicEnabled = true;
    // Kept and written back unchanged; nothing else reads it.
    int32_t mouseSensitivity = 0;
    // "Apply" was clicked on the options screen in this run: the resolution is
    // written back only then.
    bool optionsApplied = false;
    // The resolution chosen (the options screen changes these; they count
    // from the next start).
    int32_t screenWidth = 800;
    int32_t screenHeight = 600;
    // The size the window was made at in this run.
    int32_t windowWidth = 800;
    int32_t windowHeight = 600;
    // Size of the blur render textures, kBlurTextureSize square for the whole run.
    int blurWidth = kBlurTextureSize;
    int blurHeight = kBlurTextureSize;
};
extern MenuOptions options;
// The options screen's changes, kept until the player applies them.
// The screen size steps round the offered sizes (offeredScreenSizes).
void stepScreenSize(int direction);
// Colour depth 16 <-> 32, depth buffer 16 <-> 24.
void toggleColorBits();
void toggleDepthBits();
void setSoundEnabled(bool on);
void setMusicEnabled(bool on);
// Apply was pressed: the window is made anew with the chosen values.
void applyOptions();

struct CareerState {
    // Car i may be chosen in the garage.
    bool carAvailable[kCarSlots]{};
    // 1 when tuning package k is installed on car i.
    int32_t carTuning[kCarSlots][kTuningPackages]{};
    RaceRecord raceRecord[kRaceSlots]{};
    // Highest race number that may be chosen on the city map, 1..15.
    int32_t maxRaceUnlocked = 1;
    int32_t careerPoints = 0;
    // Points that buy tuning packages, 250 a package.
    int32_t tuningPoints = 250;
};
extern CareerState career;
// The career's changes, made here for the front end's rules.
// Books a finished career race: points and the race's best place for a
// first podium, the next race unlocked, the prize cars the points reach and
// the tuning points of the place. True when a car was won.
bool bookCareerResult(int raceNumber, int place);
// Installs a package on a car for price tuning points; false, changing
// nothing, when it is installed already, unaffordable or out of range.
bool buyCareerTuning(int car, int package, int price);
// A fresh career: the first eight cars, no tuning, race 1 unlocked, no
// points, 250 tuning points; the race records' flags are kept.
void startNewCareerRecord();

struct SaveFolderState {
    char savesFolder[kSavesFolderBytes] = "base";
    // The chosen folder takes new files; false when neither base/ nor the
    // player's data folder can be written (the saves will not be kept).
    bool savesFolderWritable = true;
    SaveFileCheck settingsFileCheck{};
    SaveFileCheck careerFileCheck{};
};
extern SaveFolderState saves;

// The frame's duration in seconds.
inline float frameSeconds() {
    return 0.01f * frameClock.frameFactor;
}
