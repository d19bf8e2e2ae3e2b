// The program in a browser tab: what main() does there instead of reading a
// command line.
#pragma once

namespace app {

// Fetches the face and the pictures from the page's folder, finds the data,
// runs the show (or the recording the page asked for) and tells the page
// when it has ended. Returns the exit status.
int runWebProgram();

}  // namespace app
