// Everything one run of the program holds, and what every front end does with it: the start-up,
// the idle pass, a key, a display shown, and the restart of the whole run. The desktop shell
// (app/shell.cpp) and the web page (web/page.cpp) both run on these; neither holds a window here.
#pragma once

#include <ostream>

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/world.h"
#include "viewer/camera.h"
#include "viewer/cursor.h"
#include "viewer/drive_settings.h"
#include "viewer/input.h"
#include "viewer/keys.h"
#include "viewer/link_poses.h"
#include "viewer/statistics.h"

namespace pendula {

struct ProgramState {
  World world;
  StartUpState startUpState;
  Camera camera = InitialCamera();
  DriveSettings driveSettings = InitialDriveSettings();
  SimulationClock simulationClock = InitialSimulationClock();
  MouseLook mouseLook = InitialMouseLook();
  Cursor cursor{};
  Statistics statistics{};
  // The chains stepped and drawn: the first chainCount of the World's. The program steps all.
  int chainCount = ChainCount;
  // Where the links of those chains lie, as PoseLinks last found them.
  LinkPose linkPoses[ChainCount][JointsPerChain];
};

// The chains' start: the initial angles and rates, the momenta p = A(q) q̇, and both kept as the
// start-up state that restarts go back to. The model must be set up (setUpModel(StepSize)).
void StartChains(ProgramState& state);

// The run's services: the cursor over the platform's services, and the statistics' two start-up
// clock samples. Call last in the start-up, so that set-up time does not count in the statistics.
void StartSession(ProgramState& state, const CursorServices& cursorServices,
                  MillisecondClock clock);

// One idle pass: the first chainCount chains stepped with the drive settings, every non-finite
// chain restarted ("chain <i> restarted" on out), the simulated clock advanced by StepSize, then
// the mouse-look step. True on every fifth pass, which asks for a display.
bool IdlePass(ProgramState& state, std::ostream& out);

// One key pressed: HandleKey on the state's camera, settings, mouse look and cursor.
void PressKey(ProgramState& state, Key key, std::ostream& out);

// The poses of the links of the first chainCount chains, into state.linkPoses.
void PoseLinks(ProgramState& state);

// A display has been shown: the statistics step, which prints on every 20th.
void DisplayShown(ProgramState& state, MillisecondClock clock, std::ostream& out);

// Every chain back to its start-up state, the simulated clock and the statistics started anew;
// the camera, the settings and mouse look stay as they are.
void RestartRun(ProgramState& state, MillisecondClock clock);

}  // namespace pendula
