// The page's run of the program, for the test build's probes (tests/web/page_probes.cpp).
#pragma once

#include "app/program_state.h"

namespace pendula {
namespace page {

// The state that the page's interface (web/page.cpp) steps, draws and changes.
extern ProgramState state;

}  // namespace page
}  // namespace pendula
