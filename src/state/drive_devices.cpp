// The drive devices of a race with several players: two keyboard sets and
// the controllers, each with keys no other device shares.
#include "platform/platform.h"
#include "state/state.h"

static_assert(kControllerKeyBase + kDriveControllers * kBindActions <= 256, "controller keys fit keys[]");

// Set A lies under the right hand (arrows and the block above them), set B
// under the left (W A S D and the keys around it).
static const int kKeySets[2][kBindActions] = {
    {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RCONTROL, VK_END, VK_ESCAPE, VK_DELETE},
    {'W', 'S', 'A', 'D', VK_LSHIFT, 'C', VK_ESCAPE, 'R'},
};
static_assert(sizeof kKeySets / sizeof kKeySets[0] == DriveController1, "a key table per keyboard set");

int driveDeviceKey(int device, int action) {
    if (action < 0 || action >= kBindActions) return kNoKey;
    if (device == DriveKeysA || device == DriveKeysB) return kKeySets[device][action];
    if (device >= DriveController1 && device < kDriveDevices)
        return kControllerKeyBase + (device - DriveController1) * kBindActions + action;
    return kNoKey;
}

bool deviceActionDown(int device, int action) {
    const int vk = driveDeviceKey(device, action);
    return vk != kNoKey && keyDown(vk);
}

int driveDeviceOfKey(int vk) {
    // Esc is every set's pause: it names no one device.
    if (vk == VK_ESCAPE) return -1;
    for (int d = 0; d < kDriveDevices; d++)
        for (int a = 0; a < kBindActions; a++)
            if (driveDeviceKey(d, a) == vk) return d;
    return -1;
}

const char* driveDeviceName(int device) {
    static const char* const kNames[kDriveDevices] = {"Keys A (arrows)", "Keys B (W A S D)", "Controller 1",
                                                      "Controller 2",    "Controller 3",     "Controller 4"};
    return device >= 0 && device < kDriveDevices ? kNames[device] : "";
}

void controllerDriveKeys(int controller, int keys[kBindActions]) {
    for (int a = 0; a < kBindActions; a++) keys[a] = driveDeviceKey(DriveController1 + controller, a);
}
