#pragma once

#include "state/appstate.h"

namespace platform {
class CheckBox;
class Dialogs;
class Label;
class OptionButton;
class TextBox;
} // namespace platform

namespace selection {

// The controls that choose the fixed size.
struct SizeControls {
    platform::OptionButton& size16Option;
    platform::OptionButton& size32Option;
    platform::OptionButton& size64Option;
    platform::OptionButton& customOption;
    platform::CheckBox& snapBox;
    platform::TextBox& widthBox;
    platform::TextBox& heightBox;
    platform::Label& maxSizeLabel;
};

// "Adjustable" switches the size controls off; "Fixed" switches the presets and
// Snap on, the size boxes too when "Custom" is chosen, and empties sizeReadout.
void adjustableMode(const SizeControls& c);
void fixedMode(const SizeControls& c, platform::Label& sizeReadout);

// "16X16", "32X32", "64X64": refused with the limits caption as the message,
// then "Custom" chosen (its Click runs inside that write), when n exceeds the
// largest selection in either direction.
void presetSize(AppState& s, const SizeControls& c, platform::Dialogs& dialogs, int n);
void customSize(AppState& s, const SizeControls& c);

// Every change of a size box; a refused text is put back to the size in force,
// which runs the box's Change again, nested, before this one goes on.
void widthBoxChanged(AppState& s, platform::TextBox& widthBox);
void heightBoxChanged(AppState& s, platform::TextBox& heightBox);

} // namespace selection
