#pragma once

struct MainForm;

namespace output {

// A double-click on a saved file shows it unscaled in the preview window.
void previewFile(MainForm& f);
// Backspace in the file list deletes the selected file, without a question.
void fileListKey(MainForm& f, int keyAscii);
// Esc in the preview window hides it.
void previewKey(MainForm& f, int keyAscii);

} // namespace output
