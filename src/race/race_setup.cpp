// Loading and releasing a race: map models, waypoints, the physics world
// with its track mesh and the four car bodies, the grid and the race music.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/audio.h"
#include "platform/controller_keys.h"
#include "race/race.h"
#include "race/race_local.h"
#include "render/render.h"
#include "state/state.h"

const Vector3 wheelMounts[kWheels] = {
    Vector3(2.0f, 0.0f, 1.25f),
    Vector3(2.0f, 0.0f, -1.25f),
    Vector3(-2.0f, 0.0f, 1.25f),
    Vector3(-2.0f, 0.0f, -1.25f),
};

// Grid origin of race number n (1..15) at index n - 1.
static const Vector3 startPositions[kGridRows] = {
    Vector3(-18.0f, -5.0f, -167.0f),  // 1
    Vector3(-369.0f, -6.2f, 552.0f),  // 2
    Vector3(392.0f, -6.0f, -126.0f),  // 3
    Vector3(-27.0f, -5.6f, 13.0f),    // 4
    Vector3(-18.0f, -5.0f, -167.0f),  // 5
    Vector3(-59.0f, -6.3f, 305.0f),   // 6
    Vector3(237.0f, -5.0f, -568.0f),  // 7
    Vector3(-369.0f, -6.2f, 552.0f),  // 8
    Vector3(392.0f, -6.0f, -126.0f),  // 9
    Vector3(-27.0f, -5.6f, 13.0f),    // 10
    Vector3(-14.0f, -5.5f, -557.0f),  // 11
    Vector3(-369.0f, -6.2f, 552.0f),  // 12
    Vector3(-18.0f, -5.0f, -167.0f),  // 13
    Vector3(-59.0f, -6.3f, 305.0f),   // 14
    Vector3(-14.0f, -5.5f, -557.0f),  // 15
};
static_assert(sizeof(startPositions) / sizeof(startPositions[0]) == kGridRows, "one grid row per race");

// Capacities of the race world: 80 bodies so the pair buffer holds every
// pair among 81 objects, 89 geometries and 448 contact constraints.
static WorldSizes raceWorldSizes() {
    WorldSizes sizes;
    sizes.rigidBodiesCount = 80;
    sizes.animatedBodiesCount = 1;
    sizes.rigidParticleCount = 0;
    sizes.overlapPairsCount = 80 * 81 / 2;
    sizes.geometriesCount = 89;
    sizes.constraintsCount = 448;
    sizes.stackingCount = 200;
    return sizes;
}

Vector3 gridOrigin(int raceNumber) {
    // The grid table covers races 1..15; any other number (the map files go
    // to 20) takes the nearest row instead of reading past the table.
    int row = raceNumber - 1;
    if (row < 0) row = 0;
    if (row >= kGridRows) row = kGridRows - 1;
    return startPositions[row];
}

static SoundEffect* carEngineLoop(int i) {
    SoundEffect* loops[kRaceCars] = {&audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,
                                     &audio.soundEngine4};
    return loops[i];
}

// Opponents draw distinct cars, none the same as a human's (two humans may
// drive the same car).
static int drawOpponentModel(int i) {
    for (;;) {
        int m = rand() % kCarModels;
        bool taken = false;
        for (int p = 0; p < session.humanCount; p++) taken = taken || m == players[p].playerCarModel;
        for (int j = session.humanCount; j < i; j++) {
            taken = taken || m == session.cars[j].model;
        }
        if (!taken) {
            return m;
        }
    }
}

void createCarBody(Car& car, PhysicsWorld* world, const Vector3& position) {
    RigidBody* body = createBody(world, 0);
    if (body == nullptr) {
        car.body = nullptr;
        return;
    }
    setCollideConnected(body, 1);

    // Lower chassis and cabin.
    Geometry* chassis = addGeometry(body);
    if (chassis != nullptr) {
        setBox(chassis, 6.0f, 1.0f, 2.6f);
        Transform local;
        local.position = Vector3(0.0f, 0.3f, 0.0f);
        setLocalTransform(chassis, local);
    }
    Geometry* cabin = addGeometry(body);
    if (cabin != nullptr) {
        setBox(cabin, 2.5f, 0.6f, 2.6f);
        Transform local;
        local.position = Vector3(-0.6f, 1.1f, 0.0f);
        setLocalTransform(cabin, local);
    }

    // One downward ray of length 1 per wheel, in wheel order.
    for (int w = 0; w < kWheels; w++) {
        Sensor* sensor = addSensor(body);
        if (sensor != nullptr) {
            setRay(sensor, wheelMounts[w], Vector3(0.0f, -1.0f, 0.0f));
        }
    }
    addController(body, &CarForceController, 0);

    updateBounds(body);
    setInertia(body, boxInertia(Vector3(2.5f, 0.6f, 2.6f), 100.0f));
    setMass(body, 100.0f);
    setUserData(body, &car);
    car.body = body;
    setPosition(body, position);
    car.nitro = 100.0f;
}

void buildMapMesh(PhysicsWorld* world) {
    if (world == nullptr || session.collisionMapModel == nullptr) {
        return;
    }
    const Model& m = *session.collisionMapModel;
    std::vector<Vector3> vertices(m.vertexCount > 0 ? static_cast<size_t>(m.vertexCount) : 0);
    for (size_t i = 0; i < vertices.size(); i++) {
        const ModelVertex& v = m.vertices[i];
        vertices[i] = Vector3(v.position[0], v.position[1], v.position[2]);
    }
    std::vector<MeshTriangle> triangles(m.triangleCount > 0 ? static_cast<size_t>(m.triangleCount) : 0);
    for (size_t i = 0; i < triangles.size(); i++) {
        for (int c = 0; c < 3; c++) {
            triangles[i].vertices[c] = m.triangles[i].vertexIndices[c];
        }
        triangles[i].material = 0;
    }
    TerrainMesh mesh;
    mesh.vertices = vertices.data();
    mesh.vertexCount = static_cast<int>(vertices.size());
    mesh.triangles = triangles.data();
    mesh.triangleCount = static_cast<int>(triangles.size());
    setTerrainMesh(world, mesh);
}

void buildRaceWorld() {
    const Vector3 gravity(0.0f, -8.0f, 0.0f);
    session.raceWorld = createWorld(raceWorldSizes(), nullptr, &gravity);
    if (session.raceWorld == nullptr) {
        return;
    }
    for (int i = 0; i <= 4; i++) {
        setMaterial(session.raceWorld, i, 0.0f, 0.1f);
    }
    setMaterial(session.raceWorld, 7, 1.0f, 0.1f);
    setMaterial(session.raceWorld, 8, 0.5f, 0.1f);
    setMaterial(session.raceWorld, 9, 0.5f, 0.1f);

    // The cars stand side by side along +z, all facing +x, the player first.
    Vector3 p = gridOrigin(session.loadedRaceNumber);
    // A time trial puts the player alone on the grid.
    const int carsOnGrid = raceRun.timeTrialMode ? 1 : kRaceCars;
    for (int i = 0; i < kRaceCars; i++) {
        Car& car = session.cars[i];
        car.index = i;
        if (i >= carsOnGrid) {
            car.body = nullptr;
            car.checkpointsPassed = 0;
            car.nextCheckpoint = 0;
            car.lap = 0;
            continue;
        }
        car.model = i < session.humanCount ? players[i].playerCarModel : drawOpponentModel(i);
        createCarBody(car, session.raceWorld, p);
        p.z += 4.5f;
        if (car.body != nullptr) {
            car.startRotation = getRotation(car.body);
        }
        car.checkpointsPassed = 0;
        car.nextCheckpoint = 0;
        car.lap = 0;
        car.driveForce = 0.0f;
        car.steer = 0.0f;
        car.aiWaypoint = 0;

        if (options.soundEnabled) {
            SoundEffect* loop = carEngineLoop(i);
            loop->setGain(0.0f);
            loop->play();
            if (i == 0) {
                audio.soundEnginePass.setGain(0.0f);
                audio.soundEnginePass.play();
            }
            audio.soundStart.setGain(0.0f);
            audio.soundStart.play();
            audio.soundWind.setGain(0.0f);
            audio.soundWind.play();
        }
    }
    if (options.soundEnabled) {
        startAmbience();
        startKerbRumble();
    }
    buildMapMesh(session.raceWorld);
}

static Model* loadMapModel(int raceNumber, const char* file, bool textures) {
    Model* model = new Model();
    if (raceNumber >= 1 && raceNumber <= 20) {
        char path[64];
        snprintf(path, sizeof path, "base/maps/%d/%s", raceNumber, file);
        model->load(path);
        if (textures) {
            model->loadTextures();
        }
    }
    return model;
}

// The chase camera rides at most this high over the road (the car's centre
// about 1 over it, the eye 2.2 over that, or 4.5 when a wall lifts it), with
// room to spare; a frame whose eye is higher draws every chunk in view.
static constexpr float kChaseEyeReach = 8.0f;
// The course is sampled this often for the streets the camera passes; the
// eye stays within the barriers, at most 15 + 3.9 from the centre line
// (the boulevard), and within half a step of a sample along it.
static constexpr float kCourseStep = 8.0f;
static constexpr float kCourseEyeReach = 24.0f;

// Which of the map's chunks each street along the course can see.
static void buildMapVisibility(int raceNumber) {
    char path[64];
    snprintf(path, sizeof path, "base/maps/%d/solids.txt", raceNumber);
    std::vector<MapSolid> solids;
    if (!loadMapSolids(path, &solids) || session.checkpointCount <= 0) return;
    std::vector<float> eyePoints;
    for (int i = 0; i < session.checkpointCount; i++) {
        const Checkpoint& a = session.checkpoints[i];
        const Checkpoint& b = session.checkpoints[(i + 1) % session.checkpointCount];
        const float length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.z - a.z) * (b.z - a.z));
        const int steps = 1 + static_cast<int>(length / kCourseStep);
        for (int s = 0; s < steps; s++) {
            const float f = static_cast<float>(s) / static_cast<float>(steps);
            eyePoints.push_back(a.x + (b.x - a.x) * f);
            eyePoints.push_back(a.z + (b.z - a.z) * f);
            eyePoints.push_back(std::max(a.y, b.y) + kChaseEyeReach);
        }
    }
    buildChunkVisibility(session.visualMapModel, solids, eyePoints, kCourseEyeReach);
}

// Each human's race values at the start: last place, clocks at zero, not
// finished; the controller holds keys of its own when several race.
static void startPlayerRaces() {
    for (PlayerRace& player : players) {
        player.playerPlace = 4;
        player.lapTime = RaceClock{};
        player.bestLapTime = RaceClock{};
        player.finished = false;
    }
    if (session.humanCount > 1) {
        int keys[kBindActions];
        controllerDriveKeys(0, keys);
        padSetKeys(keys);
    } else {
        padUseDefaultKeys();
    }
}

bool loadRace(int raceNumber) {
    // Without the track's collision model the cars would fall for ever, and
    // without waypoints the race could never be finished: such a race is not
    // started at all, and nothing of it stays loaded.
    readWaypoints(raceNumber);
    session.collisionMapModel = loadMapModel(raceNumber, "map.ms3d", false);
    if (session.checkpointCount == 0 || session.collisionMapModel->triangleCount == 0) {
        delete session.collisionMapModel;
        session.collisionMapModel = nullptr;
        session.checkpointCount = 0;
        return false;
    }
    // Not stopped dead: the menu music plays on through the loading and
    // fades out under the countdown (updateMenuMusicFadeOut).
    fadeOutMenuMusic();

    // A graphics preset chosen in the options is in force from this race on.
    applyGraphicsSetting();
    session.visualMapModel = loadMapModel(raceNumber, "mapvisual.ms3d", true);
    // The light model gives the lamps' places and colours; it is never drawn.
    session.lightMapModel = loadMapModel(raceNumber, "light.ms3d", false);
    session.lightMapModel->buildFlatTriangles();
    buildLightSources(session.lightMapModel);
    buildMapVisibility(raceNumber);

    session.loadedRaceNumber = raceNumber;
    session.raceDifficulty = readRaceDifficulty();
    // Up to one human a car; a time trial is driven alone.
    session.humanCount = raceRun.timeTrialMode ? 1 : std::min(raceRun.playerCount, kRaceCars);
    session.finishWaitSeconds = 0.0f;
    startPlayerRaces();
    buildRaceWorld();
    // The cars on the grid, in the models the preset draws.
    if (graphicsSwitchesInForce().coarseCarModels) loadCoarseCarModels();

    static const char* const kRaceTracks[4] = {".\\base\\music\\1.ogg", ".\\base\\music\\2.ogg",
                                               ".\\base\\music\\3.ogg", ".\\base\\music\\4.ogg"};
    session.raceMusicIndex = rand() % 4;
    audio.raceMusic.open(kRaceTracks[session.raceMusicIndex], true, true);
    if (options.musicEnabled) {
        audio.raceMusic.play();
    }

    // The race music fades in from below silence.
    startMusicFade();
    session.countdownRunning = true;
    session.raceFinished = false;
    session.raceTimer = 0.0f;
    session.lapCount = 4;
    session.raceTime = RaceClock{};
    for (int i = 0; i < kRaceCars; i++) {
        session.unstickCount[i] = 0;
        session.lostCount[i] = 0;
        session.cars[i].lostTimer = 0.0f;
    }
    if (raceRun.timeTrialMode) {
        // No countdown: the clock waits for the first pass of the line, and
        // laps go on until the player leaves.
        session.countdownRunning = false;
        session.lapCount = kTimeTrialLaps;
    }
    resetChaseCamera();
    resetRaceInfo();
    resetLapTiming();
    resetCarReset();
    startReplayRecording();
    return true;
}

void unloadRace() {
    stopRaceSounds();
    session.raceCareerNumber = 0;

    destroyWorld(session.raceWorld);
    session.raceWorld = nullptr;
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i].body = nullptr;
    }

    delete session.collisionMapModel;
    releaseModelChunks(session.visualMapModel);
    delete session.visualMapModel;
    delete session.lightMapModel;
    session.collisionMapModel = nullptr;
    session.visualMapModel = nullptr;
    session.lightMapModel = nullptr;

    if (options.musicEnabled) {
        audio.raceMusic.stop();
    }
    audio.raceMusic.close();
    endMenuMusicFadeOut();
    if (game.gameState != Race && options.musicEnabled) {
        requestMenuMusicStart();
    }
    session.raceTimer = 0.0f;
    session.countdownRunning = true;
    session.raceFinished = false;
}

void updateRaceSounds(float f) {
    updateRaceMusic(advanceMusicFade(f));
    updateMenuMusicFadeOut(f);
    recoverRaceBed(f);
    updateRaceCues();
    updateAmbience(f);
    updateKerbRumble(f);
}

void updateRaceMusic(float gain) {
    audio.raceMusic.update();
    audio.raceMusic.setGain(gain);
    // The checkpoint chime fades in with the music.
    audio.soundPoint.setGain(gain);
}
