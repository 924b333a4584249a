// The whole operating-system surface the game sees.
//
// The game was shaped around a Windows-like shell: a message queue with
// wParam/lParam, virtual-key codes, message boxes, a performance counter and
// the shell's "open". This layer gives it exactly that on Linux. Two backends
// implement it and CMake picks one per executable:
//   sdl_platform.cpp      - SDL2, for players;
//   scripted_platform.cpp - for tests and tools: an exact clock the caller
//                           advances, queued input, recorded message boxes and
//                           shell requests, and a real GL context in a hidden
//                           window whose frames read back to PNG.
// Only this folder includes SDL. Everything here runs on the one game thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Messages, shaped as the window procedure expects them.

typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;

enum : uint32_t {
    WM_NULL = 0x0000,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_SYSCOMMAND = 0x0112,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
};

// wParam of WM_SYSCOMMAND (the low four bits are the system's own).
enum : uint32_t {
    SC_SCREENSAVE = 0xF140,
    SC_MONITORPOWER = 0xF170,
};

// Windows virtual-key codes: the game indexes its key array with these.
enum : uint32_t {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    // '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A, as in ASCII.
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F4 = 0x73,
    VK_F5 = 0x74,
    VK_F6 = 0x75,
    VK_F7 = 0x76,
    VK_F8 = 0x77,
    VK_F9 = 0x78,
    VK_F10 = 0x79,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
};

inline uint16_t loWord(uintptr_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}
inline uint16_t hiWord(uintptr_t v) {
    return static_cast<uint16_t>((v >> 16) & 0xFFFF);
}
inline intptr_t makeLong(uint16_t lo, uint16_t hi) {
    return static_cast<intptr_t>(static_cast<uint32_t>(lo) | (static_cast<uint32_t>(hi) << 16));
}

struct PlatformMessage {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    // When it happened, on platformMillisecondTime's clock; 0 when the
    // platform cannot tell (taken as the moment it is handled).
    uint32_t time;
};

// Takes the next waiting message off the queue; false when none waits. Pumps
// the system's events first. WM_QUIT carries the exit code in wParam.
bool platformPeekMessage(PlatformMessage* out);

// Queues WM_QUIT with the exit code.
void platformPostQuitMessage(int exitCode);

// Waits up to timeoutMs for a message without taking it; used while the
// window is inactive so a minimised game does not spin.
void platformWaitMessage(int timeoutMs);

// ---------------------------------------------------------------------------
// Window, context and display modes. The steps follow the shell's own order so
// each failure can be reported with its own message; the scripted backend can
// be told to fail any one of them.

struct PixelFormatRequest {
    int colorBits;
    int depthBits;
    int stencilBits;
    bool doubleBuffer;
};

bool platformRegisterWindowClass(const char* className);
bool platformUnregisterWindowClass(const char* className);
// Switches the display to width x height at bits per pixel for fullscreen play.
bool platformChangeDisplayMode(int width, int height, int bits);
// Fullscreen from now on means a borderless window over the whole desktop at
// the desktop's own mode (the picture scaled into it), never a mode change.
void platformUseDesktopFullscreen(bool desktop);
void platformRestoreDisplayMode();
// The display's own modes as width x height, each size once, at most max of
// them; 0 when the display tells none.
int platformDisplayModes(int (*sizes)[2], int max);
bool platformCreateWindow(const char* title, int width, int height, bool fullscreen);
bool platformDestroyWindow();
bool platformGetDeviceContext();
bool platformReleaseDeviceContext();
bool platformChoosePixelFormat(const PixelFormatRequest& request);
bool platformSetPixelFormat();
bool platformCreateRenderContext();
bool platformMakeCurrent();
bool platformReleaseCurrent();
bool platformDeleteRenderContext();
void platformShowWindow();
void platformSetForegroundWindow();
void platformSetFocus();
void platformSetWindowPos(int x, int y, int width, int height);
void platformSwapBuffers();
// Returns false when the driver refuses (harmless: Xvfb refuses 0).
bool platformSwapInterval(int interval);
// Extension entry point by name, or null.
void* platformGetProcAddress(const char* name);

// Game controllers drive the same key states as the keyboard; in the menus
// their stick moves the pointer and A clicks. The shell says which it is.
void platformSetControllerMenus(bool menus);
// Rumbles the controller at strength 0..1 for ms milliseconds, replacing a
// rumble still running; nothing without a controller that can rumble.
void platformRumble(float strength, int ms);

// ---------------------------------------------------------------------------
// Cursor.

void platformShowCursor(bool show);
// Cursor position in client pixels, origin top left.
void platformGetCursorPos(int* x, int* y);

// ---------------------------------------------------------------------------
// Message boxes.

enum MessageBoxFlags : uint32_t {
    MB_OK = 0x00000000,
    MB_YESNO = 0x00000004,
    MB_ICONSTOP = 0x00000010,
    MB_ICONERROR = 0x00000010,
    MB_ICONEXCLAMATION = 0x00000030,
    MB_ICONWARNING = 0x00000030,
    MB_ICONINFORMATION = 0x00000040,
};

enum MessageBoxAnswer : int {
    IDOK = 1,
    IDYES = 6,
    IDNO = 7,
};

// Shows a modal message box; returns the button pressed.
int platformMessageBox(const char* text, const char* caption, uint32_t flags);

// ---------------------------------------------------------------------------
// Clocks.

// High-resolution counter; false when the platform has none.
bool platformQueryPerformanceFrequency(int64_t* frequency);
bool platformQueryPerformanceCounter(int64_t* counter);
// The millisecond fallback clock.
uint32_t platformMillisecondTime();

// ---------------------------------------------------------------------------
// Shell and files.

// Asks the desktop to open an address or file ("open", shown normally);
// false when the system has no way to open it.
bool platformShellOpen(const char* address);
// path made absolute against the working folder (unchanged when it is).
std::string platformAbsolutePath(const char* path);

// Opens a content path written either way (".\base\menu.inf" and
// "base/menu.inf" name the same file). Same modes as fopen.
FILE* platformOpenFile(const char* path, const char* mode);
// Rewrites a Windows-style relative path with forward slashes and without a
// leading ".\"; out must hold at least strlen(path) + 1 bytes.
void platformNormalisePath(const char* path, char* out, size_t outSize);
// The largest file platformReadFile takes; every file the game reads is far
// smaller.
constexpr uint64_t kMaxReadFileBytes = 256u << 20;
// Reads a whole file into out; false (and out empty) when it cannot be read,
// is not a plain file or is larger than kMaxReadFileBytes.
bool platformReadFile(const char* path, std::vector<uint8_t>* out);
// The same read, saying why it failed: 0 when the file was read, else an errno
// value (ENOENT: there is no file; EISDIR: a folder; EINVAL: not a plain
// file; EFBIG: too large; EACCES, EIO and the like from the system).
int platformTryReadFile(const char* path, std::vector<uint8_t>* out);

// Little-endian reads of the game's binary files; the caller has checked the
// bounds.
inline uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(readU32(p));
}
float readF32(const uint8_t* p);
// Little-endian writes of the same values, appended to out.
inline void appendU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void appendF32(std::vector<uint8_t>& out, float f);
// Replaces a file so that an interrupted write never leaves it truncated:
// writes a temporary of its own beside it ("<path>.tmp" and six characters),
// flushes it to disk, renames it over path and flushes the folder. Creates the
// parent folder when it is missing. False when nothing changed: the previous
// file is then untouched.
bool platformWriteFileAtomic(const char* path, const void* data, size_t size);
// True when name is one of the temporaries platformWriteFileAtomic makes for
// the file called saveName: the name, ".tmp" and exactly six letters or digits.
bool platformIsWriterTemporary(const char* saveName, const char* name);
// Removes the temporaries of path that earlier writes left behind (a game
// killed while saving): plain files of exactly the writer's names that no
// writer holds. Look-alike names, folders, links and a temporary another game
// is still writing are kept. Returns how many were removed.
int platformRemoveStaleTemporaries(const char* path);
// The same for every save of folder whose name matches saveGlob (fnmatch:
// "ghost_*.dat" cleans after every ghost file).
int platformRemoveStaleTemporariesLike(const char* folder, const char* saveGlob);
// Holds folder for one game at a time (an advisory lock of the folder
// itself), so that two games reading, merging and rewriting one file cannot
// lose each other's work; waits for the other game. Returns the lock, or -1
// when the folder cannot be locked (the caller goes on unlocked).
int platformLockFolder(const char* folder);
// The names of the plain files in folder matching glob (fnmatch, no
// leading dot), sorted; links and folders are left out.
std::vector<std::string> platformListFiles(const char* folder, const char* glob);
// Removes one plain file; false (errno set) when it stays.
bool platformRemoveFile(const char* path);
void platformUnlockFolder(int lock);

// ---------------------------------------------------------------------------
// Where the game lives and where the player's files go.

// The folder holding the game's content folder base/, found from the
// program's own location: the program's folder (a build tree) or the data
// folder an install puts beside bin/ (<prefix>/share/korvask). Empty when
// neither holds base/.
std::string platformGameFolder();
// Makes platformGameFolder() the working folder, so the content's relative
// paths ("base/...") hold from wherever the game was started. False (and the
// working folder unchanged) when no game folder is found.
bool platformEnterGameFolder();
// True when a file can be made in folder right now (tried, then removed), so
// read-only mounts and folders owned by someone else both count as unwritable.
bool platformFolderWritable(const char* folder);
// The player's data folder for the game: $XDG_DATA_HOME/name when that is an
// absolute path, else $HOME/.local/share/name. Empty when neither is set.
std::string platformUserDataFolder(const char* name);
// Makes folder and every missing folder above it; true when it exists after.
bool platformMakeFolders(const char* folder);
