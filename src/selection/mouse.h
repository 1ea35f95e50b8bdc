#pragma once

struct MainForm;

namespace selection {

// A press of the left button on the view places the rectangle: its top-left
// corner in Adjustable mode, the whole rectangle in Fixed mode.
void viewPressed(MainForm& f, int button, double x, double y);
// A move with the left button alone held stretches or moves the rectangle and
// shows its outline and size while it lies within the bounds.
void viewDragged(MainForm& f, int button, double x, double y);
// The outline colour, chosen in the colour dialog.
void chooseColor(MainForm& f);

} // namespace selection
