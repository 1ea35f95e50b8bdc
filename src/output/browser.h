#pragma once

#include "state/appstate.h"

#include <QString>

namespace platform {
class Button;
class CheckBox;
class Dialogs;
class DirList;
class DriveList;
class Drives;
class FileList;
class Label;
class TextBox;
} // namespace platform

namespace output {

// The folder lists and the label that follow the output folder.
struct BrowserControls {
    platform::DriveList& driveList;
    platform::DirList& folderList;
    platform::FileList& fileList;
    platform::Label& nextFileLabel;
};

// The folder the directory list opens for the chosen drive: its current folder.
// Throws when the drive's root cannot be opened.
QString driveFolder(const platform::Drives& drives, const platform::DriveList& driveList);

// A change of drive opens that drive's folder in folderList, whose Change runs inside
// the write. Throws when the drive cannot be opened; the caller's failure path
// then says so and puts driveList back on folderList's drive.
void openDriveFolder(const AppState& s, const BrowserControls& c, const platform::Drives& drives);
// A change of folder lists it, makes it the output folder and updates nextFileLabel.
void folderChanged(AppState& s, const BrowserControls& c);
// "Create new folder": exactly one folder, below the open one, named as typed.
void createFolder(platform::Dialogs& dialogs, platform::DirList& folderList);

// The controls that "Save to file" switches with it.
struct SaveToFileControls {
    platform::TextBox& startNumberBox;
    platform::Button& newFolderButton;
    platform::Button& resetButton;
    platform::DriveList& driveList;
    platform::DirList& folderList;
    platform::FileList& fileList;
    platform::Label& nextFileLabel;
};
void saveToFileClicked(const platform::CheckBox& toFileBox, const SaveToFileControls& c);

} // namespace output
