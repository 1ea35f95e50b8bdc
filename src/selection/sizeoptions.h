#pragma once

class QString;
struct MainForm;

namespace selection {

void adjustableMode(MainForm& f);
void fixedMode(MainForm& f);
// "16X16", "32X32", "64X64": refused with the largest size as the message, then
// "Custom", when n exceeds the largest selection in either direction.
void presetSize(MainForm& f, int n);
void customSize(MainForm& f);
// Every change of a size box; a refused text is put back to the size in force.
void widthBoxChanged(MainForm& f);
void heightBoxChanged(MainForm& f);

} // namespace selection
