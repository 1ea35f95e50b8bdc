#pragma once

#include "appstate.h"

#include "platform/commondialog.h"

#include <functional>

namespace platform {
class Button;
class CheckBox;
class Clipboard;
class Dialogs;
class DirList;
class DriveList;
class Drives;
class FileList;
class Form;
class Frame;
class Label;
class OptionButton;
class PictureBox;
class Screen;
class ScrollBar;
class System;
class TextBox;
} // namespace platform

// What the platform gives the handlers: dialogs, clipboard, drives, screen and
// process. The program uses Qt's; tests script their own.
struct Services {
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    const platform::Drives& drives;
    const platform::Screen& screen;
    platform::System& system;
};

// The main window as its handlers see it: the shared state, every control they
// read or write, the common dialog and the services.
struct MainForm {
    explicit MainForm(Services services)
        : svc(services)
        , cmdb(services.dialogs) {}

    AppState state;
    Services svc;
    platform::CommonDialog cmdb;

    platform::PictureBox* pics = nullptr;
    platform::ScrollBar* HScroll1 = nullptr;
    platform::ScrollBar* VScroll1 = nullptr;
    platform::Button* Command2 = nullptr;
    platform::Label* Label7 = nullptr;
    platform::Button* Command6 = nullptr;
    platform::Button* Command5 = nullptr;
    platform::Button* b_open = nullptr;
    platform::Button* b_exit = nullptr;
    platform::Frame* Frame1 = nullptr;
    platform::DriveList* Drive1 = nullptr;
    platform::DirList* Dir1 = nullptr;
    platform::Button* Command1 = nullptr;
    platform::FileList* File1 = nullptr;
    platform::Label* Label1 = nullptr;
    platform::TextBox* Text1 = nullptr;
    platform::Label* Label2 = nullptr;
    platform::Button* Command3 = nullptr;
    platform::CheckBox* c_clipb = nullptr;
    platform::CheckBox* c_file = nullptr;
    platform::Button* Command7 = nullptr;
    platform::Frame* Frame2 = nullptr;
    platform::OptionButton* o_adjust = nullptr;
    platform::OptionButton* o_fixed = nullptr;
    platform::Label* Label9 = nullptr;
    platform::Button* Command4 = nullptr;
    platform::Frame* Frame3 = nullptr;
    platform::OptionButton* o_16 = nullptr;
    platform::OptionButton* o_32 = nullptr;
    platform::OptionButton* o_64 = nullptr;
    platform::OptionButton* o_custom = nullptr;
    platform::CheckBox* c_snap = nullptr;
    platform::Label* Label5 = nullptr;
    platform::Label* Label6 = nullptr;
    platform::TextBox* trw = nullptr;
    platform::Label* Label4 = nullptr;
    platform::TextBox* trh = nullptr;
    platform::Label* Label3 = nullptr;
    platform::Label* Label8 = nullptr;

    // The "Selection view" and its picture box, alive as long as the program.
    platform::Form* frm_pict = nullptr;
    platform::PictureBox* pict = nullptr;
    // The saved-file preview, created on first use and reused until its close box.
    std::function<platform::Form*()> frm_saved_pic;
};
