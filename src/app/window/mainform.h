#pragma once

#include "state/appstate.h"
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

    // The controls keep the names the window's layout and handlers were designed
    // with; the parts that are given them name them by what they are:
    //   pics       tilesetView        the view of the tileset, one to one
    //   HScroll1   hScroll            the view's offsets into the tileset
    //   VScroll1   vScroll
    //   Command2   saveButton         SAVE: the selection to the clipboard and/or the next file
    //   Label7     nextFileLabel      "Next file:" and the name SAVE writes next
    //   Command6   pasteButton        "Paste from Clipboard"
    //   Command5   aboutButton        "About..."
    //   b_open     importButton       "Import Tileset"
    //   b_exit     exitButton         "Exit"
    //   Frame1     outputFrame        "Output options"
    //   Drive1     driveList          the drive of the output folder
    //   Dir1       folderList         the output folder
    //   Command1   newFolderButton    "Create new folder"
    //   File1      fileList           the pictures in the output folder
    //   Label1     startCaption       "Start from (000 to 999) :"
    //   Text1      startNumberBox     the first number of the sequence
    //   Label2     extensionCaption   ".BMP"
    //   Command3   resetButton        "Reset": the counter back to the start number
    //   c_clipb    toClipboardBox     "Save to Clipboard"
    //   c_file     toFileBox          "Save to file"
    //   Command7   saveAsButton       "Save as..."
    //   Frame2     selectionFrame     "Selection rectangle"
    //   o_adjust   adjustableOption   "Adjustable": the rectangle dragged
    //   o_fixed    fixedOption        "Fixed": the rectangle of the tile size
    //   Label9     colourCaption      "Color:"
    //   Command4   colourButton       the swatch of the rectangle's colour
    //   Frame3     sizeFrame          the tile size
    //   o_16 o_32 o_64  size16Option size32Option size64Option   the preset sizes
    //   o_custom   customOption       "Custom": the size boxes
    //   c_snap     snapBox            "Snap" to the tile grid
    //   Label5     widthCaption       "Width"
    //   Label6     heightCaption      "Height"
    //   trw        widthBox           the custom tile width
    //   trh        heightBox          the custom tile height
    //   Label4     byCaption          "X"
    //   Label3     maxSizeLabel       "Max: W X H", the largest selection
    //   Label8     sizeReadout        the live size of a dragged selection
    //   b_cut      cutButton          "Cut all...": the whole sheet into tiles
    //   frm_pict   selectionWindow    the "Selection view" window
    //   pict       selectionPicture   its picture: the last capture
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
