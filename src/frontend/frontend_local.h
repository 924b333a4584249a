// Drawing helpers shared by the front end's own files. All of them work in the
// 800 x 600 overlay space set up by beginOverlay.
#pragma once

#include "render/render.h"
#include "render/texture_table.h"

// A game texture's name, 0 when the table has none there.
TextureId menuTexture(int entry);

// The button widget of an item drawn at overlay height y.
void drawButton(int y, bool hover);
// A button with its label at (650, y), glyph set 1.
void drawMenuItem(int row, const char* label);
void drawTitleBlock();
// Text over the garage scene sits on a dark translucent plate, so a bright car
// behind it never swallows it. Widths follow the fonts' advances (small 10,
// large 13 overlay units); leading blanks, which place text, get no plate.
void drawTextPlate(float x0, float y0, float x1, float y1, float alpha = 0.6f);
void printOnPlate(int x, int y, const char* text);
void printLargeOnPlate(int x, int y, const char* text);
// A padlock centred on (x, y), size its body's width.
void drawLock(float x, float y, float size);
void drawDarkeningSheet();
// The three statistics bars of the selected car and their labels.
void drawStatisticsBars();
// The mouse pointer at mouseX, mouseY.
void drawPointer();

// The city map's plan: a world point's place on the map screen.
void cityMapPosition(float x, float z, float* overlayX, float* overlayY);
// Reads race n's waypoints into the route drawn over the map; their count.
int loadCityRoute(int race);
// The route's point i on the screen, as last loaded; false past its end.
bool cityRoutePoint(int index, float* overlayX, float* overlayY);
// Race n's circuit over the map picture, its start marked; loads the route
// when the race shown changes.
void drawCityRoute(int race, float phase);

// The choice lines of the practice and quick race screens: the circuit and
// the car, each with "<" and ">" boxes either side of its value, at these
// overlay heights and arrow positions.
constexpr int kChoiceCircuitY = 450, kChoiceCarY = 400, kChoicePlayersY = 360;
constexpr int kChoicePreviousX = 250, kChoiceNextX = 450;
// The arrow of the line at lineY under a mouse-space point: -1 the previous,
// 1 the next, 0 none.
int choiceArrowAt(int x, int y, int lineY);
// The circuit line ("Race 3" and its name, or "Random" below 1) and the car
// line (its name, or "Random" below 0), each between its arrows.
void drawChoiceLines(int circuit, int car);
// The players line ("Players" and 1..4 between its arrows).
void drawPlayersLine();
