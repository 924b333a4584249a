// The four cars of a race: each body with its paint reflection and its four
// wheels, steered and rolling, lit by the lamps like the rest of the scene.
#include "race/race.h"
#include "render/render.h"

// Radians to the degrees glRotate takes.
static const float kSteerDegrees = 57.324f;
static const float kSpinDegrees = 57.29578f;
// The body model sits this far above the physics body's origin.
static const float kBodyRaise = 0.15f;
// Wheel placement: the car table's offsets are scaled to the drawn model.
static const float kWheelOffsetScale = 0.77f / 1.67f;
static const float kWheelTrack = 1.0f;
static const float kWheelHeight = 0.45f;

struct CarPlacement {
    const float* bodyMatrix;  // 16 floats, OpenGL order
    float x, y, z;            // wheel position in the car's frame
    float steerDegrees;       // front wheels only, else 0
    float spinDegrees;
    bool mirrored;  // the left-hand wheels show the wheel model's other face
};

static void placeWheel(const void* context) {
    const CarPlacement& c = *(const CarPlacement*)context;
    glMultMatrixf(c.bodyMatrix);
    glTranslatef(c.x, c.y, c.z);
    if (c.steerDegrees != 0.0f) glRotatef(c.steerDegrees, 0.0f, 1.0f, 0.0f);
    glRotatef(c.spinDegrees, 0.0f, 0.0f, 1.0f);
    if (c.mirrored) glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
}

static void placeBody(const void* context) {
    const CarPlacement& c = *(const CarPlacement*)context;
    glMultMatrixf(c.bodyMatrix);
    glTranslatef(0.0f, kBodyRaise, 0.0f);
}

static void drawWheels(const Car& car, const float* bodyMatrix, Model* wheel) {
    const CarTableRow& row = carTable[car.model];
    for (int j = 0; j < kWheels; j++) {
        const bool front = j < 2;
        CarPlacement c;
        c.bodyMatrix = bodyMatrix;
        c.x = (front ? row.frontWheelOffset : -row.rearWheelOffset) * kWheelOffsetScale;
        c.y = kWheelHeight - car.suspension[j];
        // Wheels 0 and 2 are on the +z side, as their mounts.
        c.z = (j % 2 == 0) ? kWheelTrack : -kWheelTrack;
        c.steerDegrees = front ? car.steer * kSteerDegrees : 0.0f;
        c.spinDegrees = car.wheelSpin[j] * kSpinDegrees;
        c.mirrored = c.z < 0.0f;
        drawLitModel(wheel, placeWheel, &c);
    }
}

static void drawBody(const float* bodyMatrix, Model* body) {
    if (multitextureAvailable) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, reflectionTexture);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glUniform1fARB(refIntUniform, 1.0f);
    CarPlacement c{};
    c.bodyMatrix = bodyMatrix;
    drawLitModel(body, placeBody, &c);
    if (multitextureAvailable) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glEnable(GL_TEXTURE_2D);
    glUniform1fARB(refIntUniform, 0.0f);
}

void drawCars() {
    for (int i = 0; i < kRaceCars; i++) {
        const Car& car = cars[i];
        if (car.body == nullptr || car.model < 0 || car.model >= kCarModels) continue;
        const Transform frame = getTransform(car.body);
        // Rotation rows then position: already an OpenGL matrix, except that
        // the rows' fourth elements carry no meaning and must read 0, 0, 0, 1.
        float bodyMatrix[16];
        for (int k = 0; k < 16; k++) bodyMatrix[k] = frame.elements()[k];
        bodyMatrix[3] = bodyMatrix[7] = bodyMatrix[11] = 0.0f;
        bodyMatrix[15] = 1.0f;
        if (carWheelModels[car.model] != nullptr) drawWheels(car, bodyMatrix, carWheelModels[car.model]);
        if (carBodyModels[car.model] != nullptr) drawBody(bodyMatrix, carBodyModels[car.model]);
    }
}
