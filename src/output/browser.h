#pragma once

#include "app/appstate.h"

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
    platform::DriveList& Drive1;
    platform::DirList& Dir1;
    platform::FileList& File1;
    platform::Label& Label7;
};

// The folder the directory list opens for the chosen drive: its current folder.
// Throws when the drive's root cannot be opened.
QString driveFolder(const platform::Drives& drives, const platform::DriveList& Drive1);

// A change of drive opens that drive's folder in Dir1, whose Change runs inside
// the write. Throws when the drive cannot be opened; the caller's failure path
// then says so and puts Drive1 back on Dir1's drive.
void openDriveFolder(const AppState& s, const BrowserControls& c, const platform::Drives& drives);
// A change of folder lists it, makes it the output folder and updates Label7.
void folderChanged(AppState& s, const BrowserControls& c);
// "Create new folder": exactly one folder, below the open one, named as typed.
void createFolder(platform::Dialogs& dialogs, platform::DirList& Dir1);

// The controls that "Save to file" switches with it.
struct SaveToFileControls {
    platform::TextBox& Text1;
    platform::Button& Command1;
    platform::Button& Command3;
    platform::DriveList& Drive1;
    platform::DirList& Dir1;
    platform::FileList& File1;
    platform::Label& Label7;
};
void saveToFileClicked(const platform::CheckBox& c_file, const SaveToFileControls& c);

} // namespace output
