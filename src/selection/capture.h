#pragma once

struct MainForm;

namespace selection {

// The release of the left button copies the rectangle the gesture left, when it
// passes the release test, from the view's image into the Selection view.
void viewReleased(MainForm& f, int button);

} // namespace selection
