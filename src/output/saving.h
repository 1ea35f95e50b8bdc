#pragma once

#include "state/appstate.h"

#include <QImage>
#include <QString>

namespace platform {
class Clipboard;
class CommonDialog;
class Dialogs;
class FileList;
class Label;
} // namespace platform

namespace output {

// SAVE's first step: the capture to the clipboard, replacing what was there.
void copyToClipboard(platform::Clipboard& clipboard, const QImage& capture);

// SAVE's second step: the capture as the next numbered bitmap in the output
// folder; then the number advances, nextFileLabel follows and fileList shows the file.
// Past 999 it only says so. A failed write passes to the caller with nothing
// advanced.
void saveNumbered(AppState& s, const QImage& capture, platform::Dialogs& dialogs,
                  platform::Label& nextFileLabel, platform::FileList& fileList);

// The message of a file that could not be written: "File error!", the path
// and the system's reason, a line each.
QString fileErrorMessage(const QString& path, const QString& reason);

// "Save as...": the capture under a name chosen in the save dialog, in the
// format its extension names; an extension no writer knows is refused with a
// message naming those that can be written, a failed write with fileErrorMessage. The common
// dialog's title and filter are the import's again afterwards, whatever happens.
void saveSelectionAs(platform::CommonDialog& fileDialog, platform::Dialogs& dialogs,
                     const QImage& capture);

} // namespace output
