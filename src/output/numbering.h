#pragma once

struct MainForm;

namespace output {

// Every change of the start number box; anything but a whole number becomes "000".
void startNumberChanged(MainForm& f);
// "Reset": the next file is the start number.
void resetCounter(MainForm& f);
void updateNextFileLabel(MainForm& f);

} // namespace output
