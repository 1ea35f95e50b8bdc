#pragma once

#include "app/appstate.h"
#include "controls/commondialog.h"

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

// What the platform gives the window: dialogs, clipboard, drives, screen and
// process. The program uses Qt's; tests script their own.
struct Services {
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    const platform::Drives& drives;
    const platform::Screen& screen;
    platform::System& system;
};

// The main window's record: the shared state, its controls, the common dialog
// and the services. Only the window sees it whole; each handler is given the
// few controls it touches.
//
// Writes that run a handler inside them, before the writing code goes on:
//   trw / trh      Text           -> trw_Change / trh_Change (only when the text changes)
//   Text1          Text           -> Text1_Change            (only when the text changes)
//   HScroll1 / VScroll1  Max, Value -> HScroll1_Change / VScroll1_Change (when Value changes)
//   Drive1         Drive          -> Drive1_Change           (when the drive changes)
//   Dir1           Path           -> Dir1_Change             (when the path changes)
//   o_custom and the other option buttons  Value := True -> their Click (when newly chosen)
//   c_file / c_clipb / c_snap     Value -> Click            (when the value changes)
// Nested this way: the fit lowering a size (trw, trh), a refused text put back
// (trw, trh, Text1), the fit's scroll ranges and offsets, a refused preset
// choosing Custom, a drive change opening its folder (Dir1), and a drive that
// cannot be opened putting Drive1 back.
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
    // "Cut all...": the whole sheet into tiles, in the free area beside Frame2.
    platform::Button* b_cut = nullptr;

    // The "Selection view" and its picture box, alive as long as the program.
    platform::Form* frm_pict = nullptr;
    platform::PictureBox* pict = nullptr;
};
