// The driving actions' keys: their defaults, their names in settings.cfg
// ("key.nitro = Space") and on the Controls screen, and binding a key with a
// clash swapped rather than lost.
#include <cstdio>
#include <cstring>

#include "state/state.h"

int keyBindings[kBindActions];

namespace {

// Keys a player expects: the arrows drive, Space fires the nitro, C and Esc as
// the frame keys always were, R puts the car back on the road.
const int kDefaultKeyBindings[kBindActions] = {VK_UP,    VK_DOWN, VK_LEFT,   VK_RIGHT,
                                               VK_SPACE, 'C',     VK_ESCAPE, 'R'};
static_assert(sizeof(kDefaultKeyBindings) / sizeof(kDefaultKeyBindings[0]) == kBindActions,
              "one default key per action");

const char* const kActionSettingKeys[kBindActions] = {
    "key.accelerate", "key.brake",  "key.left",  "key.right",
    "key.nitro",      "key.camera", "key.pause", "key.reset",
};

struct NamedKey {
    int vk;
    const char* name;
};

// Keys with a name of their own; letters, digits and F1..F11 are named by
// their own characters.
const NamedKey kNamedKeys[] = {
    {VK_UP, "Up"},       {VK_DOWN, "Down"},     {VK_LEFT, "Left"},     {VK_RIGHT, "Right"},
    {VK_SPACE, "Space"}, {VK_ESCAPE, "Esc"},    {VK_RETURN, "Enter"},  {VK_BACK, "Backspace"},
    {VK_TAB, "Tab"},     {VK_SHIFT, "Shift"},   {VK_CONTROL, "Ctrl"},  {VK_MENU, "Alt"},
    {VK_PAUSE, "Pause"}, {VK_PRIOR, "PageUp"},  {VK_NEXT, "PageDown"}, {VK_HOME, "Home"},
    {VK_END, "End"},     {VK_INSERT, "Insert"}, {VK_DELETE, "Delete"},
};

// F shows the frame rate and F12 takes a screenshot in every screen: an action
// on either would do both at once.
bool reservedKey(int vk) {
    return vk == 'F' || vk == VK_F12;
}

// Gives every action whose key cannot be bound, or is shared with another
// action, its default; a default that clashes in turn is settled the same
// way on the next pass, and all defaults end any clash that remains.
void settleBindings(int bindings[kBindActions]) {
    for (int pass = 0; pass <= kBindActions; pass++) {
        // Every action in a clash is found before any of them changes, so
        // both sides of a shared key go back.
        bool bad[kBindActions];
        for (int a = 0; a < kBindActions; a++) {
            bad[a] = !keyBindable(bindings[a]);
            for (int b = 0; b < kBindActions && !bad[a]; b++) bad[a] = b != a && bindings[b] == bindings[a];
        }
        bool changed = false;
        for (int a = 0; a < kBindActions; a++) {
            if (bad[a] && bindings[a] != kDefaultKeyBindings[a]) {
                bindings[a] = kDefaultKeyBindings[a];
                changed = true;
            }
        }
        if (!changed) break;
    }
    for (int a = 0; a < kBindActions; a++)
        for (int b = a + 1; b < kBindActions; b++)
            if (bindings[a] == bindings[b]) {
                for (int c = 0; c < kBindActions; c++) bindings[c] = kDefaultKeyBindings[c];
                return;
            }
}

}  // namespace

void setDefaultKeyBindings() {
    for (int a = 0; a < kBindActions; a++) keyBindings[a] = kDefaultKeyBindings[a];
}

// Tools and tests drive the car without ever starting the shell.
static const bool kBindingsAtLoad = (setDefaultKeyBindings(), true);

int defaultKeyBinding(int action) {
    return action >= 0 && action < kBindActions ? kDefaultKeyBindings[action] : -1;
}

bool actionDown(int action) {
    return action >= 0 && action < kBindActions && keyDown(keyBindings[action]);
}

const char* bindingSettingKey(int action) {
    return action >= 0 && action < kBindActions ? kActionSettingKeys[action] : nullptr;
}

const char* keyName(int vk) {
    // Each one-character name lives in its own slot of this table.
    static char single[256][2];
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        single[vk][0] = (char)vk;
        single[vk][1] = '\0';
        return single[vk];
    }
    static const char* const kFunctionKeys[12] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                                  "F7", "F8", "F9", "F10", "F11", "F12"};
    if (vk >= (int)VK_F1 && vk <= (int)VK_F12) return kFunctionKeys[vk - (int)VK_F1];
    for (const NamedKey& key : kNamedKeys)
        if (key.vk == vk) return key.name;
    return nullptr;
}

int keyFromName(const char* name) {
    if (name == nullptr) return -1;
    for (int vk = 0; vk < 256; vk++) {
        const char* known = keyName(vk);
        if (known != nullptr && std::strcmp(known, name) == 0) return vk;
    }
    return -1;
}

bool keyBindable(int vk) {
    return keyName(vk) != nullptr && !reservedKey(vk);
}

void readKeyBindings() {
    int bindings[kBindActions];
    for (int a = 0; a < kBindActions; a++) {
        bindings[a] = kDefaultKeyBindings[a];
        const char* text = settingText(kActionSettingKeys[a]);
        if (text == nullptr) continue;
        bindings[a] = keyFromName(text);
        if (!keyBindable(bindings[a]))
            std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not a key the game can use; using %s\n",
                         kGameSettingsFileName, kActionSettingKeys[a], text, keyName(kDefaultKeyBindings[a]));
    }
    int settled[kBindActions];
    std::memcpy(settled, bindings, sizeof settled);
    settleBindings(settled);
    for (int a = 0; a < kBindActions; a++) {
        if (keyBindable(bindings[a]) && settled[a] != bindings[a])
            std::fprintf(stderr, "korvask: %s: %s shares its key with another action; using %s\n",
                         kGameSettingsFileName, kActionSettingKeys[a], keyName(settled[a]));
        keyBindings[a] = settled[a];
    }
    storeKeyBindings();
}

void storeKeyBindings() {
    for (int a = 0; a < kBindActions; a++) setSettingText(kActionSettingKeys[a], keyName(keyBindings[a]));
}

bool bindKey(int action, int vk) {
    if (action < 0 || action >= kBindActions || !keyBindable(vk)) return false;
    for (int other = 0; other < kBindActions; other++)
        if (other != action && keyBindings[other] == vk) keyBindings[other] = keyBindings[action];
    keyBindings[action] = vk;
    storeKeyBindings();
    return true;
}

void restoreDefaultKeyBindings() {
    setDefaultKeyBindings();
    storeKeyBindings();
}
