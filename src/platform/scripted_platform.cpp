// Scripted backend of the platform layer (tests and tools): exact clock,
// queued input, recorded message boxes and shell requests, and a real GL
// context in a hidden SDL window.
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/controller_keys.h"
#include "platform/game_surface.h"
#include "platform/platform.h"
#include "platform/png_writer.h"
#include "platform/scripted.h"

namespace {

struct QueuedMessage {
    PlatformMessage message;
    int dueFrame;
    long order;
};

struct ScriptedState {
    // Clock in microseconds: the performance counter at 1 MHz.
    int64_t clockMicroseconds = 0;
    int64_t frameStepMicroseconds = 10000;
    bool performanceCounter = true;

    // The display's modes, as platformDisplayModes tells them.
    std::vector<std::pair<int, int>> displaySizes = {
        {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}};

    int frames = 0;
    long pushed = 0;
    std::vector<QueuedMessage> queue;
    std::function<void(int)> frameCallback;

    int cursorX = 0, cursorY = 0;
    bool cursorShown = true;

    bool failing[ScriptedStepCount] = {};
    int calls[ScriptedStepCount] = {};
    PixelFormatRequest pixelFormat = {32, 24, 1, true};

    int messageBoxAnswer = IDYES;
    std::vector<ScriptedMessageBox> messageBoxes;
    std::vector<std::string> shellOpens;
    bool shellOpenWorks = true;
    std::vector<ScriptedDisplayMode> displayModes;
    std::vector<std::string> callLog;

    // The window's own size when a test sets one (0: the game's size), and
    // the last picture presented in it when asked to keep it.
    int presetWindowWidth = 0, presetWindowHeight = 0;
    bool keepWindowPicture = false;
    std::vector<uint8_t> windowPicture;

    // Messages the controller made, delivered before anything else queued.
    std::vector<PlatformMessage> padOutput;
    std::vector<ScriptedRumble> rumbles;
};

// Controller events travel the queue as messages of their own, turned into
// the game's messages when they come due.
enum : uint32_t {
    kPadAxisEvent = 0x8001,
    kPadButtonEvent = 0x8002,
    kPadRemovedEvent = 0x8003,
};

ScriptedState state;
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
int windowWidth = 0, windowHeight = 0;
// The game's resolution, from the window it asked for.
int gameWidth = 0, gameHeight = 0;

}  // namespace

// Counts the call and tells whether the test asked this step to fail.
static bool stepFails(ScriptedStep step) {
    state.calls[step]++;
    return state.failing[step];
}

static void logCall(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void logCall(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    state.callLog.push_back(line);
}

static bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

static void closeWindow() {
    surfaceForget();
    if (context != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    windowWidth = windowHeight = 0;
}

// A hidden window whose GL attributes follow the request; the context is made
// separately so each step can fail on its own.
static bool openHiddenWindow(int width, int height, const PixelFormatRequest& format) {
    closeWindow();
    if (!initVideo()) {
        return false;
    }
    SDL_GL_ResetAttributes();
    const int channel = format.colorBits <= 16 ? 5 : 8;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colorBits <= 16 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    window =
        SDL_CreateWindow("Korvask (scripted)", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        return false;
    }
    windowWidth = width;
    windowHeight = height;
    return true;
}

// ---------------------------------------------------------------------------
// Standalone GL window.

bool scriptedOpenGLWindow(int width, int height) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    PixelFormatRequest format = {32, 24, 8, true};
    if (!openHiddenWindow(width, height, format)) {
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        closeWindow();
        return false;
    }
    return true;
}

void scriptedCloseGLWindow() {
    closeWindow();
}

bool scriptedReadFrame(std::vector<uint8_t>* rgb, int width, int height) {
    rgb->clear();
    if (context == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(surfaceActive() ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    if (glGetError() != GL_NO_ERROR) {
        return false;
    }
    rgb->resize(bottomUp.size());
    for (int y = 0; y < height; y++) {
        std::memcpy(rgb->data() + rowBytes * static_cast<size_t>(y),
                    bottomUp.data() + rowBytes * static_cast<size_t>(height - 1 - y), rowBytes);
    }
    return true;
}

// Rows top first from what is bound for reading.
static void readRowsTopFirst(std::vector<uint8_t>* rgb, int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    rgb->resize(bottomUp.size());
    for (int y = 0; y < height; y++) {
        std::memcpy(rgb->data() + rowBytes * static_cast<size_t>(y),
                    bottomUp.data() + rowBytes * static_cast<size_t>(height - 1 - y), rowBytes);
    }
}

bool scriptedWritePng(const char* path, const std::vector<uint8_t>& rgb, int width, int height) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return false;
    }
    return writePngRgb(path, rgb.data(), width, height);
}

// ---------------------------------------------------------------------------
// Test controls.

void scriptedReset() {
    closeWindow();
    state = ScriptedState();
    padReset();
}

void scriptedAdvanceClock(double milliseconds) {
    state.clockMicroseconds += std::llround(milliseconds * 1000.0);
}
void scriptedSetFrameStep(double milliseconds) {
    state.frameStepMicroseconds = std::llround(milliseconds * 1000.0);
}
double scriptedClockMs() {
    return static_cast<double>(state.clockMicroseconds) / 1000.0;
}
void scriptedSetPerformanceCounter(bool available) {
    state.performanceCounter = available;
}

int scriptedFrameCount() {
    return state.frames;
}

void scriptedPushMessage(uint32_t message, WPARAM wParam, LPARAM lParam, int dueFrame) {
    QueuedMessage q;
    q.message.message = message;
    q.message.wParam = wParam;
    q.message.lParam = lParam;
    q.message.time = 0;
    q.dueFrame = dueFrame;
    q.order = state.pushed++;
    state.queue.push_back(q);
}

void scriptedPushKey(uint32_t vk, bool down, int dueFrame) {
    scriptedPushMessage(down ? WM_KEYDOWN : WM_KEYUP, vk, 0, dueFrame);
}

void scriptedPushMouseMove(int x, int y, int dueFrame) {
    scriptedPushMessage(WM_MOUSEMOVE, 0, makeLong(static_cast<uint16_t>(x), static_cast<uint16_t>(y)),
                        dueFrame);
}

void scriptedPushLeftClick(int x, int y, int dueFrame) {
    scriptedPushMouseMove(x, y, dueFrame);
    scriptedPushMessage(WM_LBUTTONDOWN, 1, makeLong(static_cast<uint16_t>(x), static_cast<uint16_t>(y)),
                        dueFrame);
    scriptedPushMessage(WM_LBUTTONUP, 0, makeLong(static_cast<uint16_t>(x), static_cast<uint16_t>(y)),
                        dueFrame);
}

void scriptedPushControllerAxis(int axis, int value, int dueFrame) {
    scriptedPushMessage(kPadAxisEvent, static_cast<WPARAM>(axis), static_cast<LPARAM>(value), dueFrame);
}

void scriptedPushControllerButton(int button, bool down, int dueFrame) {
    scriptedPushMessage(kPadButtonEvent, static_cast<WPARAM>(button), down ? 1 : 0, dueFrame);
}

void scriptedPushControllerRemoved(int dueFrame) {
    scriptedPushMessage(kPadRemovedEvent, 0, 0, dueFrame);
}

int scriptedPendingMessages() {
    return static_cast<int>(state.queue.size() + state.padOutput.size());
}

void scriptedSetFrameCallback(std::function<void(int)> callback) {
    state.frameCallback = std::move(callback);
}

void scriptedSetWindowSize(int width, int height) {
    state.presetWindowWidth = width;
    state.presetWindowHeight = height;
}

void scriptedKeepWindowPicture(bool keep) {
    state.keepWindowPicture = keep;
}

const std::vector<uint8_t>& scriptedWindowPicture() {
    return state.windowPicture;
}

void scriptedSetCursorPos(int x, int y) {
    state.cursorX = x;
    state.cursorY = y;
}

void scriptedFailStep(ScriptedStep step, bool fail) {
    if (step >= 0 && step < ScriptedStepCount) {
        state.failing[step] = fail;
    }
}

int scriptedStepCalls(ScriptedStep step) {
    return (step >= 0 && step < ScriptedStepCount) ? state.calls[step] : 0;
}
bool scriptedWindowHeld() {
    return window != nullptr;
}
bool scriptedContextHeld() {
    return context != nullptr;
}
PixelFormatRequest scriptedLastPixelFormat() {
    return state.pixelFormat;
}

void scriptedSetMessageBoxAnswer(int answer) {
    state.messageBoxAnswer = answer;
}
// Kept across scriptedReset: a tool sets it once for its whole run.
static bool echoMessageBoxes = false;

void scriptedEchoMessageBoxes(bool echo) {
    echoMessageBoxes = echo;
}

const std::vector<ScriptedMessageBox>& scriptedMessageBoxes() {
    return state.messageBoxes;
}
void scriptedSetShellOpenWorks(bool works) {
    state.shellOpenWorks = works;
}
const std::vector<std::string>& scriptedShellOpens() {
    return state.shellOpens;
}
const std::vector<ScriptedDisplayMode>& scriptedDisplayModes() {
    return state.displayModes;
}
const std::vector<std::string>& scriptedCallLog() {
    return state.callLog;
}
bool scriptedCursorShown() {
    return state.cursorShown;
}

// ---------------------------------------------------------------------------
// platform.h: messages.

// The controller's messages: a click lands where the pointer is, already in
// game pixels.
static void padEmit(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_MOUSEMOVE) {
        lParam = makeLong(static_cast<uint16_t>(state.cursorX), static_cast<uint16_t>(state.cursorY));
    }
    state.padOutput.push_back(PlatformMessage{message, wParam, lParam, 0});
}

static bool takeQueuedMessage(PlatformMessage* out);

static void applyPadEvent(const PlatformMessage& m) {
    if (m.message == kPadAxisEvent) {
        padAxis(static_cast<int>(m.wParam), static_cast<int>(m.lParam), padEmit);
    } else if (m.message == kPadButtonEvent) {
        padButton(static_cast<int>(m.wParam), m.lParam != 0, padEmit);
    } else {
        padRemoved(padEmit);
    }
}

void platformSetControllerMenus(bool menus) {
    padSetMenus(menus, padEmit);
}

void scriptedSetController(bool connected, bool rumble) {
    padSetConnected(connected, rumble);
}

void scriptedSetControllerAxis(int axis, int value) {
    padAxis(axis, value, padEmit);
}

void scriptedSetJoystick(bool connected) {
    joystickSetConnected(connected);
}

void scriptedSetJoystickAxis(int axis, int value) {
    joystickAxis(axis, value);
}

void platformRumble(float strength, int ms) {
    PadAnalogue pad;
    padAnalogue(&pad);
    if (pad.rumble && ms > 0) {
        state.rumbles.push_back(ScriptedRumble{strength, ms});
    }
}

const std::vector<ScriptedRumble>& scriptedRumbles() {
    return state.rumbles;
}

bool platformPeekMessage(PlatformMessage* out) {
    for (;;) {
        if (!state.padOutput.empty()) {
            *out = state.padOutput.front();
            state.padOutput.erase(state.padOutput.begin());
            return true;
        }
        PlatformMessage next;
        if (!takeQueuedMessage(&next)) {
            return false;
        }
        if (next.message >= kPadAxisEvent && next.message <= kPadRemovedEvent) {
            applyPadEvent(next);
            continue;
        }
        *out = next;
        return true;
    }
}

static bool takeQueuedMessage(PlatformMessage* out) {
    // The earliest-due message that is due now; among equals the first pushed.
    auto best = state.queue.end();
    for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
        if (it->dueFrame > state.frames) {
            continue;
        }
        if (best == state.queue.end() || it->dueFrame < best->dueFrame ||
            (it->dueFrame == best->dueFrame && it->order < best->order)) {
            best = it;
        }
    }
    if (best == state.queue.end()) {
        return false;
    }
    *out = best->message;
    const bool pointer = out->message == WM_MOUSEMOVE || out->message == WM_LBUTTONDOWN ||
                         out->message == WM_LBUTTONUP || out->message == WM_RBUTTONDOWN ||
                         out->message == WM_RBUTTONUP;
    if (pointer && surfaceActive()) {
        // Pushed in window pixels; the game hears its own.
        int x = 0, y = 0;
        surfaceWindowToGame(gameWidth, gameHeight, windowWidth, windowHeight,
                            loWord(static_cast<uintptr_t>(out->lParam)),
                            hiWord(static_cast<uintptr_t>(out->lParam)), &x, &y);
        out->lParam = makeLong(static_cast<uint16_t>(x), static_cast<uint16_t>(y));
    }
    if (out->message == WM_MOUSEMOVE || out->message == WM_LBUTTONDOWN) {
        state.cursorX = loWord(static_cast<uintptr_t>(out->lParam));
        state.cursorY = hiWord(static_cast<uintptr_t>(out->lParam));
    }
    state.queue.erase(best);
    return true;
}

void platformPostQuitMessage(int exitCode) {
    // A quit message overtakes nothing already due but is due at once.
    scriptedPushMessage(WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(exitCode)), 0, state.frames);
}

void platformWaitMessage(int) {}

// ---------------------------------------------------------------------------
// platform.h: window, context and display modes.

bool platformRegisterWindowClass(const char* className) {
    logCall("registerClass %s", className);
    return !stepFails(ScriptedRegisterClass);
}

bool platformUnregisterWindowClass(const char* className) {
    logCall("unregisterClass %s", className);
    return !stepFails(ScriptedUnregisterClass);
}

bool platformChangeDisplayMode(int width, int height, int bits) {
    logCall("changeDisplayMode %dx%dx%d", width, height, bits);
    if (stepFails(ScriptedChangeDisplayMode)) {
        return false;
    }
    state.displayModes.push_back({width, height, bits});
    return true;
}

void scriptedSetDisplayModes(const std::vector<std::pair<int, int>>& sizes) {
    state.displaySizes = sizes;
}

int platformDisplayModes(int (*sizes)[2], int max) {
    int found = 0;
    for (const auto& size : state.displaySizes) {
        if (found == max) break;
        sizes[found][0] = size.first;
        sizes[found][1] = size.second;
        found++;
    }
    return found;
}

void platformUseDesktopFullscreen(bool desktop) {
    logCall("useDesktopFullscreen %s", desktop ? "yes" : "no");
}

void platformRestoreDisplayMode() {
    logCall("restoreDisplayMode");
    state.displayModes.push_back({0, 0, 0});
}

bool platformCreateWindow(const char* title, int width, int height, bool fullscreen) {
    logCall("createWindow %s %dx%d %s", title, width, height, fullscreen ? "fullscreen" : "windowed");
    if (stepFails(ScriptedCreateWindow)) {
        return false;
    }
    gameWidth = width;
    gameHeight = height;
    const bool preset = state.presetWindowWidth > 0 && state.presetWindowHeight > 0;
    return openHiddenWindow(preset ? state.presetWindowWidth : width,
                            preset ? state.presetWindowHeight : height, state.pixelFormat);
}

bool platformDestroyWindow() {
    logCall("destroyWindow");
    if (stepFails(ScriptedDestroyWindow)) {
        return false;
    }
    if (window == nullptr) {
        return false;
    }
    closeWindow();
    return true;
}

bool platformGetDeviceContext() {
    return !stepFails(ScriptedGetDeviceContext) && window != nullptr;
}
bool platformReleaseDeviceContext() {
    return !stepFails(ScriptedReleaseDeviceContext);
}

bool platformChoosePixelFormat(const PixelFormatRequest& request) {
    logCall("choosePixelFormat %d %d %d", request.colorBits, request.depthBits, request.stencilBits);
    if (stepFails(ScriptedChoosePixelFormat)) {
        return false;
    }
    state.pixelFormat = request;
    return true;
}

bool platformSetPixelFormat() {
    if (stepFails(ScriptedSetPixelFormat) || window == nullptr) {
        return false;
    }
    // The window's GL attributes are fixed at creation: make it again with the
    // chosen format (the window is hidden, so nobody sees it happen).
    return openHiddenWindow(windowWidth, windowHeight, state.pixelFormat);
}

bool platformCreateRenderContext() {
    if (stepFails(ScriptedCreateRenderContext) || window == nullptr) {
        return false;
    }
    context = SDL_GL_CreateContext(window);
    return context != nullptr;
}

bool platformMakeCurrent() {
    if (stepFails(ScriptedMakeCurrent) || context == nullptr) {
        return false;
    }
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        return false;
    }
    // The game draws at its resolution into its own picture.
    if (!surfaceActive()) {
        surfaceCreate(gameWidth, gameHeight, state.pixelFormat.depthBits);
    }
    return true;
}

bool platformReleaseCurrent() {
    if (stepFails(ScriptedReleaseCurrent)) {
        return false;
    }
    if (window != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
    }
    return true;
}

bool platformDeleteRenderContext() {
    if (stepFails(ScriptedDeleteRenderContext)) {
        return false;
    }
    if (context == nullptr) {
        return false;
    }
    SDL_GL_DeleteContext(context);
    context = nullptr;
    surfaceForget();
    return true;
}

void platformShowWindow() {
    logCall("showWindow");
}
void platformSetForegroundWindow() {
    logCall("setForegroundWindow");
}
void platformSetFocus() {
    logCall("setFocus");
}
void platformSetWindowPos(int x, int y, int width, int height) {
    logCall("setWindowPos %d %d %d %d", x, y, width, height);
}

void platformSwapBuffers() {
    state.frames++;
    if (state.frameCallback) {
        state.frameCallback(state.frames);
    }
    if (window != nullptr && context != nullptr) {
        if (surfaceActive()) {
            surfacePresent(windowWidth, windowHeight);
            if (state.keepWindowPicture) {
                glReadBuffer(GL_BACK);
                readRowsTopFirst(&state.windowPicture, windowWidth, windowHeight);
            }
        }
        SDL_GL_SwapWindow(window);
        surfaceRebind();
    }
    state.clockMicroseconds += state.frameStepMicroseconds;
}

bool platformSwapInterval(int interval) {
    logCall("swapInterval %d", interval);
    return !stepFails(ScriptedSwapInterval);
}

void* platformGetProcAddress(const char* name) {
    if (window == nullptr || name == nullptr) {
        return nullptr;
    }
    return SDL_GL_GetProcAddress(name);
}

// ---------------------------------------------------------------------------
// platform.h: cursor, message boxes, clocks, shell.

void platformShowCursor(bool show) {
    logCall("showCursor %d", show ? 1 : 0);
    state.cursorShown = show;
}

void platformGetCursorPos(int* x, int* y) {
    *x = state.cursorX;
    *y = state.cursorY;
}

int platformMessageBox(const char* text, const char* caption, uint32_t flags) {
    ScriptedMessageBox box;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.flags = flags;
    box.answer = ((flags & 0x0F) == MB_YESNO) ? state.messageBoxAnswer : IDOK;
    state.messageBoxes.push_back(box);
    // A headless tool has no screen to show it on: the box goes to stderr,
    // so a failure is visible from the command line.
    if (echoMessageBoxes) {
        std::fprintf(stderr, "message box [%s] %s\n", box.caption.c_str(), box.text.c_str());
    }
    return box.answer;
}

bool platformQueryPerformanceFrequency(int64_t* frequency) {
    if (!state.performanceCounter) {
        return false;
    }
    *frequency = 1000000;
    return true;
}

bool platformQueryPerformanceCounter(int64_t* counter) {
    if (!state.performanceCounter) {
        return false;
    }
    *counter = state.clockMicroseconds;
    return true;
}

uint32_t platformMillisecondTime() {
    return static_cast<uint32_t>(state.clockMicroseconds / 1000);
}

bool platformShellOpen(const char* address) {
    logCall("shellOpen %s", address ? address : "");
    state.shellOpens.push_back(address ? address : "");
    return state.shellOpenWorks;
}
