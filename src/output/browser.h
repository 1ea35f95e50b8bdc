#pragma once

class QString;
struct MainForm;

namespace output {

// The folder the directory list opens for the chosen drive: its current folder.
// Throws when the drive's root cannot be opened.
QString driveFolder(const MainForm& f);

void driveChanged(MainForm& f);
void folderChanged(MainForm& f);
// "Create new folder": exactly one folder, below the open one, named as typed.
void createFolder(MainForm& f);
// "Save to file" on or off switches the folder and numbering controls.
void saveToFileClicked(MainForm& f);

} // namespace output
