// Whether an X display can be opened: the windowed tests skip rather than let GLUT end the
// process when there is none.
#pragma once

namespace pendula {
namespace testing {

// True when DISPLAY is set and names a display that accepts a connection.
bool XDisplayReachable();

}  // namespace testing
}  // namespace pendula
