#pragma once

namespace app {

// The whole program: reads the command line, and for a plain start checks that
// there is a display, opens the windows and runs until they close. Returns the
// exit status.
int launch(int argc, char* argv[]);

} // namespace app
