// The driving actions' keys, a primary and a second each: their defaults,
// their names in settings.cfg ("key.nitro = Space", "key2.nitro = Shift") and
// on the Controls screen, and binding a key with a clash swapped rather than
// lost.
#include <cstdio>
#include <cstring>

#include "state/state.h"

ControlSettings controlSettings;

namespace {

// The defaults of the table's key rows.
int defaultKey(int action) {
    return settingRow(bindingSetting(action, 0)).initial;
}

int defaultSecondKey(int action) {
    return settingRow(bindingSetting(action, 1)).initial;
}

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
            if (bad[a] && bindings[a] != defaultKey(a)) {
                bindings[a] = defaultKey(a);
                changed = true;
            }
        }
        if (!changed) break;
    }
    for (int a = 0; a < kBindActions; a++)
        for (int b = a + 1; b < kBindActions; b++)
            if (bindings[a] == bindings[b]) {
                for (int c = 0; c < kBindActions; c++) bindings[c] = defaultKey(c);
                return;
            }
}

// True when vk is some action's primary key, or the second key of an action
// before `before`.
bool keyTaken(int vk, const int bindings[kBindActions], const int seconds[kBindActions], int before) {
    for (int a = 0; a < kBindActions; a++)
        if (bindings[a] == vk || (a < before && seconds[a] == vk)) return true;
    return false;
}

// Each second key that cannot be bound or is taken by a primary or an earlier
// second goes back to its default, or to none when that is taken too.
void settleSecondKeys(const int bindings[kBindActions], int seconds[kBindActions]) {
    for (int a = 0; a < kBindActions; a++) {
        if (seconds[a] == kNoKey) continue;
        if (keyBindable(seconds[a]) && !keyTaken(seconds[a], bindings, seconds, a)) continue;
        seconds[a] = defaultSecondKey(a);
        if (seconds[a] != kNoKey && keyTaken(seconds[a], bindings, seconds, a)) seconds[a] = kNoKey;
    }
}

}  // namespace

void setDefaultKeyBindings() {
    for (int a = 0; a < kBindActions; a++) {
        controlSettings.keyBindings[a] = defaultKey(a);
        controlSettings.secondKeyBindings[a] = defaultSecondKey(a);
    }
}

// Tools and tests drive the car without ever starting the shell.
static const bool kBindingsAtLoad = (setDefaultKeyBindings(), true);

int defaultKeyBinding(int action) {
    return action >= 0 && action < kBindActions ? defaultKey(action) : -1;
}

int defaultSecondKeyBinding(int action) {
    return action >= 0 && action < kBindActions ? defaultSecondKey(action) : kNoKey;
}

bool actionDown(int action) {
    return action >= 0 && action < kBindActions &&
           (keyDown(controlSettings.keyBindings[action]) ||
            (controlSettings.secondKeyBindings[action] != kNoKey &&
             keyDown(controlSettings.secondKeyBindings[action])));
}

const char* keyName(int vk) {
    // Each one-character name lives in its own slot of this table.
    static char single[256][2];
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        single[vk][0] = static_cast<char>(vk);
        single[vk][1] = '\0';
        return single[vk];
    }
    static const char* const kFunctionKeys[12] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                                  "F7", "F8", "F9", "F10", "F11", "F12"};
    if (static_cast<int>(VK_F1) <= vk && vk <= static_cast<int>(VK_F12))
        return kFunctionKeys[vk - static_cast<int>(VK_F1)];
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

// The second keys once the primaries are settled: a second key never takes a
// primary's place.
static void readSecondKeys() {
    int seconds[kBindActions];
    bool fromFile[kBindActions];
    for (int a = 0; a < kBindActions; a++) {
        seconds[a] = defaultSecondKey(a);
        const Setting setting = bindingSetting(a, 1);
        const char* text = settingText(settingKey(setting));
        fromFile[a] = text != nullptr;
        if (text == nullptr) continue;
        seconds[a] = settingValue(setting);
        if (seconds[a] != kNoKey && !keyBindable(seconds[a])) {
            std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not a key the game can use\n",
                         kGameSettingsFileName, settingKey(bindingSetting(a, 1)), text);
            seconds[a] = defaultSecondKey(a);
        }
    }
    int settled[kBindActions];
    std::memcpy(settled, seconds, sizeof settled);
    settleSecondKeys(controlSettings.keyBindings, settled);
    for (int a = 0; a < kBindActions; a++) {
        if (fromFile[a] && settled[a] != seconds[a])
            std::fprintf(stderr, "korvask: %s: %s shares its key with another action; using %s\n",
                         kGameSettingsFileName, settingKey(bindingSetting(a, 1)), slotKeyName(settled[a]));
        controlSettings.secondKeyBindings[a] = settled[a];
    }
}

void readKeyBindings() {
    int bindings[kBindActions];
    for (int a = 0; a < kBindActions; a++) {
        bindings[a] = defaultKey(a);
        const char* text = settingText(settingKey(bindingSetting(a, 0)));
        if (text == nullptr) continue;
        bindings[a] = settingValue(bindingSetting(a, 0));
        if (!keyBindable(bindings[a]))
            std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not a key the game can use; using %s\n",
                         kGameSettingsFileName, settingKey(bindingSetting(a, 0)), text,
                         keyName(defaultKey(a)));
    }
    int settled[kBindActions];
    std::memcpy(settled, bindings, sizeof settled);
    settleBindings(settled);
    for (int a = 0; a < kBindActions; a++) {
        if (keyBindable(bindings[a]) && settled[a] != bindings[a])
            std::fprintf(stderr, "korvask: %s: %s shares its key with another action; using %s\n",
                         kGameSettingsFileName, settingKey(bindingSetting(a, 0)), keyName(settled[a]));
        controlSettings.keyBindings[a] = settled[a];
    }
    readSecondKeys();
    storeKeyBindings();
}

void storeKeyBindings() {
    for (int a = 0; a < kBindActions; a++) {
        setSettingValue(bindingSetting(a, 0), controlSettings.keyBindings[a]);
        setSettingValue(bindingSetting(a, 1), controlSettings.secondKeyBindings[a]);
    }
}

static int* boundKeySlot(int action, int slot) {
    if (action < 0 || action >= kBindActions) return nullptr;
    return slot == 0 ? &controlSettings.keyBindings[action]
                     : (slot == 1 ? &controlSettings.secondKeyBindings[action] : nullptr);
}

bool bindKey(int action, int vk) {
    return bindKeySlot(action, 0, vk);
}

bool bindKeySlot(int action, int slot, int vk) {
    int* target = boundKeySlot(action, slot);
    if (target == nullptr || !keyBindable(vk)) return false;
    const int old = *target;
    if (old == vk) return true;
    for (int other = 0; other < kBindActions; other++) {
        if (controlSettings.keyBindings[other] == vk) {
            // A primary is never left without a key: its second steps up
            // when there is no old key to swap in.
            if (old != kNoKey) {
                controlSettings.keyBindings[other] = old;
            } else if (controlSettings.secondKeyBindings[other] != kNoKey) {
                controlSettings.keyBindings[other] = controlSettings.secondKeyBindings[other];
                controlSettings.secondKeyBindings[other] = kNoKey;
            } else {
                return false;
            }
        } else if (controlSettings.secondKeyBindings[other] == vk) {
            controlSettings.secondKeyBindings[other] = old;
        }
    }
    *target = vk;
    storeKeyBindings();
    return true;
}

void clearSecondKey(int action) {
    if (action < 0 || action >= kBindActions) return;
    controlSettings.secondKeyBindings[action] = kNoKey;
    storeKeyBindings();
}

void restoreDefaultKeyBindings() {
    setDefaultKeyBindings();
    storeKeyBindings();
}
