// The menus by keyboard and controller: Up and Down move the highlight over
// a screen's items, Left and Right change the value of the item (or the car
// in the garage and the race on the city map), Return activates it and Esc
// goes back. The highlight is the mouse's own hover plate: moving the mouse
// hands it back to the pointer. An item acts exactly as a click on it does.
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// The item the keys put the highlight on (-1: the pointer leads) and the
// screen it belongs to.
int menuKeyFocus = -1;
int menuKeyScreen = -1;

constexpr int kMaxKeyItems = 16;

// One item of a screen: the mouse-space box a click acts in (x0..x1, y0..y1,
// y down) and, for the right-hand column, its row.
struct KeyItem {
    int x0, y0, x1, y1;
    int row;  // 1..5, or 0 for an item of its own on the left
};

struct KeyItems {
    KeyItem items[kMaxKeyItems];
    int count = 0;
    void add(int x0, int y0, int x1, int y1, int row = 0) {
        if (count < kMaxKeyItems) items[count++] = KeyItem{x0, y0, x1, y1, row};
    }
    void addRows(unsigned rows) {
        for (int row = 1; row <= kMenuRows; row++)
            if (rows >> row & 1u) add(601, 176 + 50 * (row - 1), 799, 209 + 50 * (row - 1), row);
    }
};

// The options screen's lines on the left, by their mouse bands: display
// resolution, colour depth, depth buffer, display mode, sound, music, then
// the rows below.
constexpr int kOptionLineTops[] = {131, 181, 231, 281, 331, 381};
constexpr int kOptionRowYs[] = {kMusicVolumeY, kEffectsVolumeY, kDifficultyY, kGraphicsY, kControlsY};
// The practice and quick race screens' two choice lines, overlay heights.
constexpr int kPracticeLineYs[] = {kChoiceCircuitY, kChoiceCarY};

unsigned rowsOf(int state) {
    unsigned rows = 0;
    for (int row = 1; row <= kMenuRows; row++)
        if (screenHasRow(state, row)) rows |= 1u << row;
    return rows;
}

KeyItems itemsOf(int state) {
    KeyItems k;
    switch (state) {
        case Options:
            for (int top : kOptionLineTops) k.add(131, top, 449, top + 28);
            for (int y : kOptionRowYs) k.add(131, 581 - y, 449, 609 - y);
            break;
        case PracticeMenu:
        case QuickRaceMenu:
            for (int y : kPracticeLineYs) k.add(60, 600 - y - 19, 540, 600 - y + 9);
            break;
        case Controls:
            for (int a = 0; a < kBindActions; a++) {
                const int y = kControlsRowTopY - kControlsRowPitch * a;
                k.add(80, 600 - y - 22, 548, 600 - y + 9);
            }
            break;
        default:
            break;
    }
    k.addRows(rowsOf(state));
    return k;
}

// The row Esc clicks on each screen: its way back (the pause menu's
// "Continue", the main menu's "Quit").
int backRow(int state) {
    switch (state) {
        case MainMenu:
        case Garage:
        case CarTuning:
        case CityMap:
        case PracticeMenu:
        case QuickRaceMenu:
        case RecordsPage:
        case ReplaysPage:
        case Controls:
            return 5;
        case QuitConfirm:
        case CareerMenu:
        case Options:
            return 4;
        case InfoPage:
            return 3;
        case Pause:
            return 2;
        default:
            return 0;
    }
}

int rowCentreY(int row) {
    return 176 + 50 * (row - 1) + 16;
}

void clickItem(const KeyItem& item) {
    menuClickAt((item.x0 + item.x1) / 2, (item.y0 + item.y1) / 2);
}

// The focus follows the screen: a new screen reached by keys starts on its
// first item, one reached by the mouse leaves the pointer in charge.
void followScreen() {
    if (menuKeyScreen == game.gameState) return;
    const bool keysLed = menuKeyFocus >= 0;
    menuKeyScreen = game.gameState;
    menuKeyFocus = keysLed && itemsOf(game.gameState).count > 0 ? 0 : -1;
}

// Left or Right on the focused item: the screen's own value change.
bool stepValue(const KeyItems& k, int direction) {
    switch (game.gameState) {
        case Garage:
            menuClickAt(700, rowCentreY(direction < 0 ? 1 : 2));
            return true;
        case CityMap:
            menuClickAt(700, rowCentreY(direction < 0 ? 3 : 1));
            return true;
        case PracticeMenu:
        case QuickRaceMenu: {
            if (menuKeyFocus < 0 || menuKeyFocus >= 2) return false;
            const int y = 600 - kPracticeLineYs[menuKeyFocus] - 5;
            menuClickAt((direction < 0 ? kChoicePreviousX : kChoiceNextX) + 6, y);
            return true;
        }
        case Options: {
            if (menuKeyFocus < 0 || menuKeyFocus >= k.count || k.items[menuKeyFocus].row != 0) return false;
            const KeyItem& item = k.items[menuKeyFocus];
            return stepOptionsItem((item.x0 + item.x1) / 2, (item.y0 + item.y1) / 2, direction);
        }
        default:
            return false;
    }
}

}  // namespace

bool menuKeyDown(int vk, bool repeat) {
    if (game.gameState == Race) return false;
    followScreen();
    const KeyItems k = itemsOf(game.gameState);
    if (k.count == 0) return false;
    switch (vk) {
        case VK_DOWN:
        case VK_TAB:
        case VK_UP: {
            const int step = vk == VK_UP ? -1 : 1;
            if (menuKeyFocus < 0 || menuKeyFocus >= k.count)
                menuKeyFocus = step > 0 ? 0 : k.count - 1;
            else
                menuKeyFocus = (menuKeyFocus + step + k.count) % k.count;
            playHoverSound();
            menuHover();
            return true;
        }
        case VK_LEFT:
        case VK_RIGHT:
            if (menuKeyFocus < 0) menuKeyFocus = 0;
            stepValue(k, vk == VK_LEFT ? -1 : 1);
            menuHover();
            return true;
        case VK_RETURN:
            if (repeat) return true;
            if (menuKeyFocus < 0 || menuKeyFocus >= k.count) {
                menuKeyFocus = 0;
                playHoverSound();
            } else {
                clickItem(k.items[menuKeyFocus]);
                followScreen();
            }
            menuHover();
            return true;
        case VK_ESCAPE: {
            if (repeat) return true;
            const int row = backRow(game.gameState);
            if (row == 0) return false;
            // The way back keeps the keys in charge on the screen it leads to.
            if (menuKeyFocus < 0) menuKeyFocus = 0;
            menuClickAt(700, rowCentreY(row));
            followScreen();
            menuHover();
            return true;
        }
        default:
            return false;
    }
}

void menuPointerMoved() {
    menuKeyFocus = -1;
}

void resetMenuKeys() {
    menuKeyFocus = -1;
    menuKeyScreen = -1;
}

bool menuKeyFocusItem(int* row, int* x0, int* y0, int* x1, int* y1) {
    followScreen();
    if (menuKeyFocus < 0) return false;
    const KeyItems k = itemsOf(game.gameState);
    if (menuKeyFocus >= k.count) return false;
    const KeyItem& item = k.items[menuKeyFocus];
    *row = item.row;
    *x0 = item.x0;
    *y0 = item.y0;
    *x1 = item.x1;
    *y1 = item.y1;
    return true;
}

void drawMenuKeyFocus() {
    int row = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // The right-hand rows and the Controls screen's actions light their own
    // plates; the lines on the left get the same cyan outline.
    if (!menuKeyFocusItem(&row, &x0, &y0, &x1, &y1) || row != 0 || game.gameState == Controls) return;
    beginShapes();
    shapeLineWidth(1.5f);
    shapeColour(kHudCyan, 1.0f);
    outlineRect(static_cast<float>(x0), static_cast<float>(600 - y1 - 2), static_cast<float>(x1),
                static_cast<float>(600 - y0 + 2));
    endShapes();
}
