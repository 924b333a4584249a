// SDL2 backend of the platform layer (players): one window with an OpenGL
// compatibility context, SDL events turned into Windows-shaped messages.
#include <SDL.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "platform/controller_keys.h"
#include "platform/game_surface.h"
#include "platform/platform.h"

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
std::string windowTitle;
int windowWidth = 0, windowHeight = 0;
bool windowFullscreen = false;
// The game's resolution: the size of the picture it draws, whatever the
// window's size.
int gameWidth = 0, gameHeight = 0;

// Fullscreen is the desktop's own mode in a borderless window.
bool desktopFullscreen = false;
// The fullscreen mode last asked for and found; applied to the window.
bool modeChosen = false;
SDL_DisplayMode chosenMode;

PixelFormatRequest pixelFormat = {32, 24, 1, true};
bool pixelFormatChosen = false;

// Messages made from SDL events, and the ones the game posts itself.
std::deque<PlatformMessage> queue;
// The last activation state reported, so repeated focus events give one
// WM_ACTIVATE each way.
bool reportedActive = true;
bool reportedMinimised = false;

// Room kept for a window's title bar and frame when fitting it to the screen.
const int kFrameAllowance = 48;

// How long the shell's opener may take to report that it cannot open a page.
const int kOpenerWaitMs = 3000;

// SIGTERM or SIGINT arrived (its number; 0 while none): the game ends as
// though its window was closed. Written by the signal handler.
volatile sig_atomic_t quitSignal = 0;
// A message box is up. The box is a process of its own (the window system's
// box runs in a forked copy of the game), which the handler ends so that the
// box goes with the game.
volatile sig_atomic_t boxShowing = 0;
// The game's own process; a box's forked copy inherits the handler.
pid_t gamePid = 0;
// The close that quitSignal asks for was queued.
bool quitQueued = false;

}  // namespace

// ---------------------------------------------------------------------------
// Termination signals. Only async-signal-safe calls in the handler.

// Ends every process the game's main thread started that still runs: during
// a box that is the box.
static void endBoxProcesses() {
    // "/proc/self/task/<pid>/children": the main thread's children, which is
    // where the box was forked.
    char path[64] = "/proc/self/task/";
    size_t at = sizeof("/proc/self/task/") - 1;
    char digits[16];
    int count = 0;
    for (long pid = static_cast<long>(gamePid); pid > 0 && count < static_cast<int>(sizeof(digits));
         pid /= 10) {
        digits[count++] = static_cast<char>('0' + pid % 10);
    }
    while (count > 0) {
        path[at++] = digits[--count];
    }
    const char tail[] = "/children";
    for (size_t i = 0; i < sizeof(tail); i++) {
        path[at++] = tail[i];
    }
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    char list[512];
    const ssize_t got = read(fd, list, sizeof(list) - 1);
    close(fd);
    long pid = 0;
    for (ssize_t i = 0; i <= got; i++) {
        if (i < got && list[i] >= '0' && list[i] <= '9') {
            pid = pid * 10 + (list[i] - '0');
        } else if (pid > 0) {
            kill(static_cast<pid_t>(pid), SIGTERM);
            pid = 0;
        }
    }
}

static void onQuitSignal(int number) {
    // In a box's own process, or a second time in the game (a shutdown the
    // player no longer waits for): the signal's usual end.
    if (getpid() != gamePid || quitSignal != 0) {
        std::signal(number, SIG_DFL);
        raise(number);
        return;
    }
    quitSignal = number;
    if (boxShowing) {
        endBoxProcesses();
    }
}

// Set once, before SDL starts its event loop (which would otherwise turn the
// signals into a quit event itself, but only while video runs: not during a
// box shown after the window went, nor before it exists).
static void catchQuitSignals() {
    if (gamePid != 0) {
        return;
    }
    gamePid = getpid();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

static bool initVideo() {
    catchQuitSignals();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        return false;
    }
    // Controllers are a comfort: without them the keyboard still plays. SDL
    // reports the ones already plugged in as added, like later ones.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "SDL game controllers: %s\n", SDL_GetError());
    }
    return true;
}

static void push(uint32_t message, WPARAM wParam, LPARAM lParam, uint32_t time = 0) {
    queue.push_back(PlatformMessage{message, wParam, lParam, time});
}

// ---------------------------------------------------------------------------
// Keys: SDL key codes to Windows virtual-key codes. Letters and digits follow
// the keyboard layout, as virtual keys do.

static uint32_t virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + static_cast<uint32_t>(key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + static_cast<uint32_t>(key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return VK_F1 + static_cast<uint32_t>(key - SDLK_F1);
    }
    switch (key) {
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        default:
            return 0;
    }
}

// The left or right one of Shift and Ctrl, 0 for any other key.
static uint32_t sidedModifier(SDL_Keycode key) {
    switch (key) {
        case SDLK_LSHIFT:
            return VK_LSHIFT;
        case SDLK_RSHIFT:
            return VK_RSHIFT;
        case SDLK_LCTRL:
            return VK_LCONTROL;
        case SDLK_RCTRL:
            return VK_RCONTROL;
        default:
            return 0;
    }
}

// A pointer position in window coordinates, in the game's pixels.
static void windowToGame(int x, int y, int* gx, int* gy) {
    *gx = x;
    *gy = y;
    if (surfaceActive() && window != nullptr) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        surfaceWindowToGame(gameWidth, gameHeight, w, h, x, y, gx, gy);
    }
}

static LPARAM mousePosition(int x, int y) {
    windowToGame(x, y, &x, &y);
    return makeLong(static_cast<uint16_t>(x < 0 ? 0 : x), static_cast<uint16_t>(y < 0 ? 0 : y));
}

// A window of width x height, or the largest of its shape that fits the
// screen's usable area: a window must never hide the game's buttons.
static void fitToScreen(int width, int height, int* fitWidth, int* fitHeight) {
    *fitWidth = width;
    *fitHeight = height;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return;
    }
    usable.h -= kFrameAllowance;
    if (width <= usable.w && height <= usable.h) {
        return;
    }
    const SurfaceRect fit = surfaceFit(width, height, usable.w, usable.h);
    *fitWidth = fit.width;
    *fitHeight = fit.height;
}

static void reportActivation(bool active, bool minimised) {
    if (active == reportedActive && minimised == reportedMinimised) {
        return;
    }
    reportedActive = active;
    reportedMinimised = minimised;
    push(WM_ACTIVATE, static_cast<WPARAM>(makeLong(active ? 1 : 0, minimised ? 1 : 0)), 0);
}

static void translateWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            reportActivation(true, false);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            reportActivation(false, reportedMinimised);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            reportActivation(false, true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
            if (window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) != 0) {
                reportActivation(true, false);
            } else {
                reportedMinimised = false;
            }
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            int w = e.data1, h = e.data2;
            if (window != nullptr) {
                SDL_GL_GetDrawableSize(window, &w, &h);
            }
            // The game's own picture keeps its size; the window only shows it.
            if (surfaceActive()) {
                w = gameWidth;
                h = gameHeight;
            }
            push(WM_SIZE, 0, makeLong(static_cast<uint16_t>(w), static_cast<uint16_t>(h)));
            break;
        }
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// Game controllers, through controller_keys.

// The controller last plugged in: the one that rumbles.
static SDL_GameController* rumblePad = nullptr;

static void padEmit(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_MOUSEMOVE) {
        int x = 0, y = 0;
        platformGetCursorPos(&x, &y);
        lParam = makeLong(static_cast<uint16_t>(x), static_cast<uint16_t>(y));
    }
    push(message, wParam, lParam);
}

static int padAxisOf(Uint8 axis) {
    switch (axis) {
        case SDL_CONTROLLER_AXIS_LEFTX:
            return PadLeftX;
        case SDL_CONTROLLER_AXIS_LEFTY:
            return PadLeftY;
        case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
            return PadTriggerLeft;
        case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
            return PadTriggerRight;
        default:
            return -1;
    }
}

static int padButtonOf(Uint8 button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return PadA;
        case SDL_CONTROLLER_BUTTON_Y:
            return PadY;
        case SDL_CONTROLLER_BUTTON_B:
            return PadB;
        case SDL_CONTROLLER_BUTTON_START:
            return PadStart;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return PadDpadUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return PadDpadDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return PadDpadLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return PadDpadRight;
        default:
            return -1;
    }
}

// The joystick that is no game controller (a wheel): the last one plugged
// in, its axes read raw.
static SDL_Joystick* wheel = nullptr;

static void translateJoystickEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_JOYDEVICEADDED: {
            // A game controller's own joystick speaks through the controller.
            if (SDL_IsGameController(e.jdevice.which) == SDL_TRUE) break;
            SDL_Joystick* stick = SDL_JoystickOpen(e.jdevice.which);
            if (stick != nullptr) {
                if (wheel != nullptr) SDL_JoystickClose(wheel);
                wheel = stick;
                joystickSetConnected(true);
                const int axes = SDL_JoystickNumAxes(stick);
                for (int a = 0; a < axes && a < kJoystickAxes; a++) {
                    joystickAxis(a, SDL_JoystickGetAxis(stick, a));
                }
            }
            break;
        }
        case SDL_JOYDEVICEREMOVED:
            if (wheel != nullptr && SDL_JoystickInstanceID(wheel) == e.jdevice.which) {
                SDL_JoystickClose(wheel);
                wheel = nullptr;
                joystickSetConnected(false);
            }
            break;
        case SDL_JOYAXISMOTION:
            if (wheel != nullptr && SDL_JoystickInstanceID(wheel) == e.jaxis.which) {
                joystickAxis(e.jaxis.axis, e.jaxis.value);
            }
            break;
        default:
            break;
    }
}

static void translateControllerEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: {
            SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
            if (pad != nullptr) {
                rumblePad = pad;
                padSetConnected(true, SDL_GameControllerHasRumble(pad) == SDL_TRUE);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEREMOVED: {
            SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which);
            if (pad != nullptr) {
                if (pad == rumblePad) {
                    rumblePad = nullptr;
                }
                SDL_GameControllerClose(pad);
            }
            padRemoved(padEmit);
            break;
        }
        case SDL_CONTROLLERAXISMOTION:
            padAxis(padAxisOf(e.caxis.axis), e.caxis.value, padEmit);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            padButton(padButtonOf(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN, padEmit);
            break;
        default:
            break;
    }
}

void platformSetControllerMenus(bool menus) {
    padSetMenus(menus, padEmit);
}

void platformRumble(float strength, int ms) {
    if (rumblePad == nullptr || ms <= 0) {
        return;
    }
    const float held = strength < 0.0f ? 0.0f : (strength > 1.0f ? 1.0f : strength);
    const Uint16 level = static_cast<Uint16>(held * 65535.0f);
    // Both motors: the heavy one carries the knock, the light one the buzz.
    SDL_GameControllerRumble(rumblePad, level, level, static_cast<Uint32>(ms));
}

static void translateEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            push(WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT:
            translateWindowEvent(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            uint32_t vk = virtualKey(e.key.keysym.sym);
            if (vk != 0) {
                // The key's own moment, so a slow frame's race step can give
                // each stretch of its time the keys that were down then.
                // A held key's repeats carry bit 30, the key was down before.
                const LPARAM repeat = e.type == SDL_KEYDOWN && e.key.repeat != 0 ? LPARAM{1} << 30 : 0;
                push(e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, repeat, e.key.timestamp);
                const uint32_t sided = sidedModifier(e.key.keysym.sym);
                if (sided != 0)
                    push(e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, sided, repeat, e.key.timestamp);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERAXISMOTION:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            translateControllerEvent(e);
            break;
        case SDL_JOYDEVICEADDED:
        case SDL_JOYDEVICEREMOVED:
        case SDL_JOYAXISMOTION:
            translateJoystickEvent(e);
            break;
        case SDL_MOUSEMOTION:
            push(WM_MOUSEMOVE, 0, mousePosition(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            const LPARAM at = mousePosition(e.button.x, e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT) {
                push(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 1 : 0, at);
            } else if (e.button.button == SDL_BUTTON_RIGHT) {
                push(down ? WM_RBUTTONDOWN : WM_RBUTTONUP, down ? 2 : 0, at);
            }
            break;
        }
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// Messages.

bool platformPeekMessage(PlatformMessage* out) {
    catchQuitSignals();
    // A termination signal closes the game the way its window's close does:
    // the saves are written and everything is released.
    if (quitSignal != 0 && !quitQueued) {
        quitQueued = true;
        push(WM_CLOSE, 0, 0);
    }
    if (queue.empty() && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_Event e;
        while (queue.empty() && SDL_PollEvent(&e)) {
            translateEvent(e);
        }
    }
    if (queue.empty()) {
        return false;
    }
    *out = queue.front();
    queue.pop_front();
    return true;
}

void platformPostQuitMessage(int exitCode) {
    push(WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(exitCode)), 0);
}

void platformWaitMessage(int timeoutMs) {
    if (!queue.empty() || SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, timeoutMs)) {
        translateEvent(e);
    }
}

// ---------------------------------------------------------------------------
// Window class and display modes.

bool platformRegisterWindowClass(const char*) {
    if (!initVideo()) {
        return false;
    }
    // Screen savers and monitor power-off stay away while the game runs.
    SDL_DisableScreenSaver();
    reportedActive = true;
    reportedMinimised = false;
    return true;
}

bool platformUnregisterWindowClass(const char*) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return false;
    }
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) {
        rumblePad = nullptr;
        if (wheel != nullptr) SDL_JoystickClose(wheel);
        wheel = nullptr;
        joystickSetConnected(false);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    queue.clear();
    return true;
}

void platformUseDesktopFullscreen(bool desktop) {
    desktopFullscreen = desktop;
}

int platformDisplayModes(int (*sizes)[2], int max) {
    if (!initVideo()) {
        return 0;
    }
    int found = 0;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = -1; i < count && found < max; i++) {
        // The desktop's own mode first: some displays list no other.
        SDL_DisplayMode mode;
        if ((i < 0 ? SDL_GetDesktopDisplayMode(0, &mode) : SDL_GetDisplayMode(0, i, &mode)) != 0) {
            continue;
        }
        bool known = false;
        for (int k = 0; k < found; k++) {
            known = known || (sizes[k][0] == mode.w && sizes[k][1] == mode.h);
        }
        if (!known && mode.w > 0 && mode.h > 0) {
            sizes[found][0] = mode.w;
            sizes[found][1] = mode.h;
            found++;
        }
    }
    return found;
}

bool platformChangeDisplayMode(int width, int height, int bits) {
    if (!initVideo()) {
        return false;
    }
    if (desktopFullscreen) {
        // The desktop keeps its mode: a window that left fullscreen covers it
        // again.
        modeChosen = false;
        if (window != nullptr && windowFullscreen &&
            (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        return true;
    }
    // Only an exact size counts, as a mode change on Windows would; the pixel
    // depth of the desktop's modes decides the colour, whatever bits says.
    (void)bits;
    const int count = SDL_GetNumDisplayModes(0);
    bool found = false;
    for (int i = 0; i < count && !found; i++) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
            chosenMode = mode;
            found = true;
        }
    }
    if (!found) {
        return false;
    }
    modeChosen = true;
    // On a window that is already fullscreen (reactivation) apply it again; a
    // windowed game leaves the desktop alone.
    if (window != nullptr && windowFullscreen) {
        SDL_SetWindowDisplayMode(window, &chosenMode);
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
        }
    }
    return true;
}

void platformRestoreDisplayMode() {
    // SDL gives the desktop its mode back whenever a fullscreen window is
    // minimised or loses focus; at destruction leave fullscreen explicitly.
    if (window != nullptr && windowFullscreen && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) == 0 &&
        reportedActive) {
        SDL_SetWindowFullscreen(window, 0);
    }
}

// ---------------------------------------------------------------------------
// Window and context.

static void setGlAttributes(const PixelFormatRequest& format) {
    SDL_GL_ResetAttributes();
    const bool low = format.colorBits <= 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, low ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, low ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, low ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
}

static bool openWindow() {
    setGlAttributes(pixelFormat);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (windowFullscreen) {
        flags |= desktopFullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN;
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    // At (0, 0) in both modes: the activation handler puts it back there too.
    window = SDL_CreateWindow(windowTitle.c_str(), 0, 0, windowWidth, windowHeight, flags);
    if (window == nullptr) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return false;
    }
    if (windowFullscreen && modeChosen) {
        SDL_SetWindowDisplayMode(window, &chosenMode);
    }
    return true;
}

bool platformCreateWindow(const char* title, int width, int height, bool fullscreen) {
    if (!initVideo() || window != nullptr) {
        return false;
    }
    windowTitle = title ? title : "";
    gameWidth = width;
    gameHeight = height;
    windowWidth = width;
    windowHeight = height;
    windowFullscreen = fullscreen;
    if (!fullscreen) {
        fitToScreen(width, height, &windowWidth, &windowHeight);
    }
    return openWindow();
}

bool platformDestroyWindow() {
    if (window == nullptr) {
        return false;
    }
    SDL_DestroyWindow(window);
    window = nullptr;
    windowFullscreen = false;
    return true;
}

bool platformGetDeviceContext() {
    return window != nullptr;
}
bool platformReleaseDeviceContext() {
    return true;
}

bool platformChoosePixelFormat(const PixelFormatRequest& request) {
    if (request.colorBits <= 0 || request.depthBits < 0 || request.stencilBits < 0) {
        return false;
    }
    pixelFormat = request;
    pixelFormatChosen = true;
    return true;
}

bool platformSetPixelFormat() {
    if (window == nullptr || !pixelFormatChosen) {
        return false;
    }
    // SDL fixes a window's GL attributes when it is created; when the chosen
    // format differs from the one the window was made with, make it again.
    int depth = 0, stencil = 0, red = 0;
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &red);
    const int wantRed = pixelFormat.colorBits <= 16 ? 5 : 8;
    if (depth == pixelFormat.depthBits && stencil == pixelFormat.stencilBits && red == wantRed) {
        return true;
    }
    SDL_DestroyWindow(window);
    window = nullptr;
    return openWindow();
}

bool platformCreateRenderContext() {
    if (window == nullptr) {
        return false;
    }
    // The game draws with OpenGL 1.x and ARB shader objects: a compatibility
    // context, never a core profile.
    context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::fprintf(stderr, "SDL GL context: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

bool platformMakeCurrent() {
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        return false;
    }
    // The game draws at its resolution into its own picture, which each swap
    // shows scaled in the window.
    if (!surfaceActive() && !surfaceCreate(gameWidth, gameHeight, pixelFormat.depthBits)) {
        std::fprintf(stderr, "No framebuffer objects: drawing straight into the window\n");
    }
    return true;
}

bool platformReleaseCurrent() {
    return window == nullptr || SDL_GL_MakeCurrent(window, nullptr) == 0;
}

bool platformDeleteRenderContext() {
    if (context == nullptr) {
        return false;
    }
    SDL_GL_DeleteContext(context);
    context = nullptr;
    surfaceForget();
    return true;
}

void platformShowWindow() {
    if (window != nullptr) {
        SDL_ShowWindow(window);
    }
}

void platformSetForegroundWindow() {
    if (window != nullptr) {
        SDL_RaiseWindow(window);
    }
}

void platformSetFocus() {
    if (window != nullptr) {
        SDL_SetWindowInputFocus(window);
    }
}

void platformSetWindowPos(int x, int y, int width, int height) {
    if (window == nullptr) {
        return;
    }
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
        int fitWidth = width, fitHeight = height;
        fitToScreen(width, height, &fitWidth, &fitHeight);
        SDL_SetWindowPosition(window, x, y);
        SDL_SetWindowSize(window, fitWidth, fitHeight);
    }
    SDL_ShowWindow(window);
}

void platformSwapBuffers() {
    if (window == nullptr) {
        return;
    }
    if (surfaceActive()) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        surfacePresent(w, h);
    }
    SDL_GL_SwapWindow(window);
    surfaceRebind();
}

bool platformSwapInterval(int interval) {
    return SDL_GL_SetSwapInterval(interval) == 0;
}

void* platformGetProcAddress(const char* name) {
    return name ? SDL_GL_GetProcAddress(name) : nullptr;
}

// ---------------------------------------------------------------------------
// Cursor.

void platformShowCursor(bool show) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }
}

void platformGetCursorPos(int* x, int* y) {
    *x = 0;
    *y = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        int wx = 0, wy = 0;
        SDL_GetMouseState(&wx, &wy);
        windowToGame(wx, wy, x, y);
    }
}

// ---------------------------------------------------------------------------
// Message boxes.

int platformMessageBox(const char* text, const char* caption, uint32_t flags) {
    const bool yesNo = (flags & 0x0F) == MB_YESNO;
    SDL_MessageBoxData data;
    std::memset(&data, 0, sizeof(data));
    const uint32_t icon = flags & 0xF0;
    data.flags = icon == MB_ICONSTOP      ? SDL_MESSAGEBOX_ERROR
                 : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                          : SDL_MESSAGEBOX_INFORMATION;
    data.window = window;
    data.title = caption ? caption : "";
    data.message = text ? text : "";
    SDL_MessageBoxButtonData buttons[2];
    std::memset(buttons, 0, sizeof(buttons));
    if (yesNo) {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
        data.numbuttons = 2;
    } else {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
                      "OK"};
        data.numbuttons = 1;
    }
    data.buttons = buttons;

    // Once a termination signal came, no box waits for an answer: the one up
    // is ended with the game, and later ones only go to the terminal. They
    // answer as their Esc key would.
    catchQuitSignals();
    const int escapeAnswer = yesNo ? IDNO : IDOK;
    if (quitSignal != 0) {
        std::fprintf(stderr, "%s: %s\n", data.title, data.message);
        return escapeAnswer;
    }
    int pressed = -1;
    boxShowing = 1;
    const int shown = SDL_ShowMessageBox(&data, &pressed);
    boxShowing = 0;
    if (quitSignal != 0) {
        std::fprintf(stderr, "%s: %s\n", data.title, data.message);
        return escapeAnswer;
    }
    if (shown != 0 || pressed < 0) {
        // No box could be shown (no display, no fonts): say it on the
        // terminal and take the default button.
        std::fprintf(stderr, "%s: %s\n", data.title, data.message);
        return yesNo ? IDYES : IDOK;
    }
    return pressed;
}

// ---------------------------------------------------------------------------
// Clocks.

bool platformQueryPerformanceFrequency(int64_t* frequency) {
    Uint64 f = SDL_GetPerformanceFrequency();
    if (f == 0 || f > static_cast<Uint64>(INT64_MAX)) {
        return false;
    }
    *frequency = static_cast<int64_t>(f);
    return true;
}

bool platformQueryPerformanceCounter(int64_t* counter) {
    *counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    return true;
}

uint32_t platformMillisecondTime() {
    return SDL_GetTicks();
}

// ---------------------------------------------------------------------------
// Shell.

// The desktop's opener; true when it started and has not reported failure
// within a short wait (a browser it starts may run on long after).
static bool runOpener(const std::string& url) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        return false;
    }
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    for (int waited = 0; waited < kOpenerWaitMs; waited += 50) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0) {
            return false;
        }
        SDL_Delay(50);
    }
    return true;
}

bool platformShellOpen(const char* address) {
    if (address == nullptr || address[0] == '\0') {
        return false;
    }
    std::string url = address;
    if (url.find("://") == std::string::npos) {
        // A local file: give the desktop an absolute file:// address.
        char normal[PATH_MAX];
        platformNormalisePath(address, normal, sizeof(normal));
        char absolute[PATH_MAX];
        if (realpath(normal, absolute) == nullptr) {
            return false;
        }
        url = std::string("file://") + absolute;
    }
    return runOpener(url);
}
