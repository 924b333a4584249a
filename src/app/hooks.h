// Where the shell calls into the screens, sounds, renderer and race.
//
// Each hook is one step of the start-up, the frame, the window procedure or
// the shutdown. The shell decides when a hook runs and checks the settings
// flags (music and sound enabled) before calling a music hook; the hook's body
// does the work of its own module. A hook that its module has not filled yet
// does nothing, or succeeds.
#pragma once

// ---------------------------------------------------------------------------
// Start-up and shutdown.

// Opens the sound device ("DirectSound3D", else the default), creates and
// selects a context and clears the error state. false ends the program (-1).
bool hookOpenSoundDevice();
// Loads the sixteen effect sounds in their order, opens the menu music
// ".\base\music\menu.ogg" (looping, streaming, not started) and sets the
// inverse distance model.
void hookLoadSounds();
// The renderer initialisation, run at the end of window creation: GL state,
// extensions, render textures, start-up textures, fonts, effects, shaders; it
// starts the frame timer (timerInit) and sets gameState to MainMenu. false
// fails window creation with "Initialization Failed.".
bool hookInitRenderer();
// At the end of the splash: texture tables, car models and their loader,
// garage and garage-light models.
void hookLoadStartupAssets();
// Releases the sixteen effect sounds in load order, then closes the menu music.
void hookReleaseSounds();
// Makes no sound context current, destroys it and closes the device.
void hookCloseSoundDevice();
// Deletes the display lists of the two bitmap fonts (window destruction).
void hookDeleteFonts();

// ---------------------------------------------------------------------------
// Frame.

// The loading screen: first picture, or the second one with "Loading...".
void hookDrawLoadingScreen(bool secondPicture);
// Race frame, in order: reflection pass; race music refill and gain (clamped
// 0..1, also the gain of soundPoint); race scene through the HUD; the race
// step (frames of 65 ms and more in slices below that); the countdown; the
// result screen.
void hookRenderReflection();
void hookUpdateRaceMusic(float gain);
void hookDrawRaceScene();
void hookRaceStep();
void hookRaceCountdown();
void hookDrawResultScreen();
// Menu frame: the two menu sounds at the camera raised by 2; the menu music
// refill and gain (clamped 0..1); the garage scene and the menu screen.
void hookPlaceMenuSounds();
void hookUpdateMenuMusic(float gain);
void hookDrawMenus();
// Draws "FPS:%2i" at (670, 500), scale 1, glyph set 1 (blending already on).
void hookPrintFps(int fps);
// Player speed for the race's field of view (80 + 0.5 x speed degrees).
float hookPlayerSpeed();

// ---------------------------------------------------------------------------
// Music. Play and silence come only when music is enabled; the Esc stop
// comes in any case (stopping a silent stream is harmless).

void hookPlayMenuMusic();
void hookPlayRaceMusic();
// Esc in a race: stop without rewinding ("Continue" plays on from there).
void hookStopRaceMusic();
// Deactivation: gain 0 and rewind (stop and back to the beginning).
void hookSilenceMenuMusic();
void hookSilenceRaceMusic();

// ---------------------------------------------------------------------------
// Window procedure.

// Left button down at client pixels (x, y): the menu mouse position is taken
// from the click, then the menu click handler runs (not called in a race).
void hookMenuClick(int x, int y);
// Mouse move and other messages outside a race: the menu hover handler.
void hookMenuHover();
