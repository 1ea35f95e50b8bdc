#pragma once

#include "image/picture.h"

#include <QString>

namespace platform {
class FileList;
class Form;
class Screen;
} // namespace platform

namespace output {

// The keys the file list and the preview answer.
inline constexpr int kBackspace = 8;
inline constexpr int kEscape = 27;

// The selected file's path: the folder, the separator and the name joined as
// they are. At a root this gives two separators in a row, which still names it.
QString selectedFile(const QString& folder, const QString& fileName);

// Reads the file selected in fileList; throws when it cannot be read.
platform::PicturePtr readSelectedFile(const platform::FileList& fileList, const QString& folder);
// Shows the picture unscaled in the preview window, captioned with its name and
// sized to it within the screen, and brings the window to the front.
void showPreview(const platform::Picture& picture, const QString& fileName,
                 const platform::Screen& screen, platform::Form& window);

// Deletes the file selected in fileList, without a question; throws when it fails.
void deleteSelectedFile(const platform::FileList& fileList, const QString& folder);

} // namespace output
