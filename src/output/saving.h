#pragma once

class QString;
struct MainForm;

namespace output {

// "SAVE": the capture to the clipboard and/or as the next numbered bitmap.
void saveSelection(MainForm& f);
// "Save as...": the capture under a name chosen in the save dialog.
void saveSelectionAs(MainForm& f);

// The numbered file's path for the counter: the output folder, three digits, ".bmp".
QString numberedFile(const QString& outputFolder, int counter);

} // namespace output
