#include "app/program_state.h"

#include <cstring>

namespace pendula {

void StartChains(ProgramState& state) {
  SetInitialAnglesAndRates(state.world);
  InitialiseMomenta(state.world);
  RecordStartUpState(state.world, state.startUpState);
}

void StartSession(ProgramState& state, const CursorServices& cursorServices,
                  MillisecondClock clock) {
  state.cursor = MakeCursor(cursorServices);
  state.statistics = StartStatistics(clock);
}

bool IdlePass(ProgramState& state, std::ostream& out) {
  StepAllChains(state.world, state.driveSettings, state.chainCount);
  RestartNonFiniteChains(state.world, state.startUpState, out);
  const bool redraw = AdvanceSimulationClock(state.simulationClock, StepSize);
  MouseLookStep(state.camera, state.mouseLook, state.cursor);
  return redraw;
}

void PressKey(ProgramState& state, Key key, std::ostream& out) {
  HandleKey(key, state.camera, state.driveSettings, state.mouseLook, state.cursor, out);
}

void PoseLinks(ProgramState& state) {
  ComputeLinkPoses(&state.world.angles[0][0], state.chainCount, JointsPerChain,
                   &state.linkPoses[0][0]);
}

void DisplayShown(ProgramState& state, MillisecondClock clock, std::ostream& out) {
  StatisticsStep(state.statistics, state.simulationClock.simulatedTime, clock, out);
}

void RestartRun(ProgramState& state, MillisecondClock clock) {
  std::memcpy(state.world.angles, state.startUpState.angles, sizeof state.world.angles);
  std::memcpy(state.world.momenta, state.startUpState.momenta, sizeof state.world.momenta);
  state.simulationClock = InitialSimulationClock();
  state.statistics = StartStatistics(clock);
}

}  // namespace pendula
