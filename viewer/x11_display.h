// The X display that the toolkit is about to open, checked beforehand: when it cannot be opened
// the toolkit would end the process with a terse message of its own, so the program says first,
// in terms a user can act on, what is missing and how to run without a display.
#pragma once

#include <ostream>

namespace pendula {

// The display glutInit opens for this command line: the value of the last "-display NAME"
// option, or nullptr when there is none, which stands for the display that DISPLAY names.
// A "-display" with nothing after it gives nullptr too; glutInit itself rejects that.
const char* ToolkitDisplayName(int argc, const char* const* argv);

// Opens a connection to the display (nullptr: the one DISPLAY names) and holds it until
// ReleaseHeldDisplay; false when it cannot be opened. Held, not closed at once: an X server
// resets when its last client leaves and refuses connections while it does, so on a server with
// no other client (a virtual one) closing it would let the toolkit's own connection, or anyone
// else's, knock at a resetting server.
bool HoldDisplayOpen(const char* displayName);

// Closes the connection that HoldDisplayOpen holds, if any; call once the toolkit has its own.
void ReleaseHeldDisplay();

// One line for standard error when the display cannot be opened: which one it was and where its
// name came from (the -display option, or DISPLAY, set or not), and how to run headless:
// "xvfb-run -a <program>", and for the program in its build tree, where the repository's scripts
// are at hand, first scripts/demo.sh, which starts a virtual X server when no display can be
// opened. optionDisplay is ToolkitDisplayName's answer; environmentDisplay is DISPLAY's value or
// nullptr.
void ExplainUnopenableDisplay(const char* program, const char* optionDisplay,
                              const char* environmentDisplay, bool inBuildTree, std::ostream& err);

}  // namespace pendula
