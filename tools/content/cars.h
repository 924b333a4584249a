// The twelve cars: base/cars/1..12/car.ms3d and wheel.ms3d with their
// textures, and the coarse car_low.ms3d and wheel_low.ms3d for the race at
// Low.
//
// Model frame: +x forward, y up, +z to the car's right, in world units. The
// game draws a body 0.15 above its physics body and the wheels at the
// offsets of its car table (front and rear track at x = offset / 1.67 x 0.77,
// z = +-1, centre about 0.5 below the body's origin), so the bodies are
// built around those wheel centres. Four body styles by car model number
// mod 4 (they share the exhaust and wheel positions of their group): a
// wedge coupe, a muscle car, a hot hatch and a wide GT; three trims by model
// number / 4, the higher trims with more aero and louder liveries.
#pragma once

#include <string>

#include "content/image_writer.h"
#include "content/mesh.h"

constexpr int kCarCount = 12;
constexpr float kWheelRadius = 0.45f;
constexpr float kWheelHalfWidth = 0.24f;  // outer face flush with the body's side at the mount

struct CarStyle {
    float frontAxle, rearAxle;           // wheel centre x
    float front, rear;                   // bumper ends
    float exhaustX, exhaustY, exhaustZ;  // pipe tips in the model frame
};

// Style of model number m (0..11).
CarStyle carStyle(int model);

// How finely a body is built: Full for the garage and the race at Medium
// and High (car.ms3d), Coarse for the race at Low (car_low.ms3d): the same
// materials, outline and lamps from about a third of the triangles.
enum class CarBodyDetail { Full, Coarse };
void buildCarBody(int model, MeshBuilder& mesh, CarBodyDetail detail = CarBodyDetail::Full);

// Where the paint's decorations go: the body's ends, its greenhouse and the
// middle of the door with the shoulder's height there.
struct CarOutline {
    float rear, front;
    float screenBase, roofFront, roofRear, backBase, pillar;
    float door, doorBelt;
};
CarOutline carOutline(int model);

// The paint image of model m (0..11), its livery included: the upper half
// holds the right side (tail to nose) beside the left side (nose to tail),
// the lower half the car seen from above, tail at the left.
Image carPaintTexture(int model);
Image carRimTexture(int model);
// The textures every car shares (glass, lamps, nose and tail panels, tyre).
bool writeCommonCarTextures(const std::string& dir);
// Car m's own nose and tail panels and rims, into its folder.
bool writeCarPanels(const std::string& dir, int model);
void buildCarWheel(int model, MeshBuilder& mesh, CarBodyDetail detail = CarBodyDetail::Full);

// Textures and the 48 models.
bool generateCars(const std::string& baseDir);

// Triangulates a simple polygon given counter-clockwise in the plane;
// appends index triples (counter-clockwise) to `out`. False if it is not
// simple enough to clip.
bool triangulatePolygon(const std::vector<float>& xs, const std::vector<float>& ys, std::vector<int>* out);
