#pragma once

#include "mainform.h"

#include <QRect>
#include <QRgb>

#include <optional>
#include <variant>
#include <vector>

// The main window's controls as data: what each is, where it sits, what it
// shows at start-up. The window is built from this table and nothing else.
namespace layout {

// The member of MainForm that holds the control; its type says the kind.
using Slot = std::variant<platform::PictureBox * MainForm::*, platform::ScrollBar * MainForm::*,
                          platform::Button * MainForm::*, platform::Label * MainForm::*,
                          platform::Frame * MainForm::*, platform::DriveList * MainForm::*,
                          platform::DirList * MainForm::*, platform::FileList * MainForm::*,
                          platform::TextBox * MainForm::*, platform::CheckBox * MainForm::*,
                          platform::OptionButton * MainForm::*>;

enum class Face { Normal, Bold, SaveButton, System };

struct Control {
    Slot slot;
    const char* name;
    // The frame it sits in, or nullptr for the window itself.
    const char* container;
    // Caption, Text or file Pattern, by kind.
    const char* text;
    // Left, top, width, height in twips, within the container.
    QRect twips;
    // Value of a check box or option button; Max length of a text box.
    int value = 0;
    bool enabled = true;
    bool visible = true;
    // Labels that take the size of their text at their place.
    bool autoSize = false;
    Face face = Face::Normal;
    std::optional<QRgb> backColor = std::nullopt;
    const char* accessibleName = nullptr;
};

inline constexpr int kTwipsPerLayoutPixel = 15;

// The table, containers before what they contain.
const std::vector<Control>& mainWindow();

// A control's place in pixels of its container.
QRect pixels(const Control& control);

// The main window's client size in pixels (12660 x 10140 twips outside).
inline constexpr int kWindowWidth = 844;
inline constexpr int kWindowHeight = 676;

} // namespace layout
