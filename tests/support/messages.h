#pragma once

#include <QString>

// The program's messages as a user reads them, written out here once rather
// than taken from the program, so that a changed text shows in every test.
namespace messages {

inline const QString fileError = QStringLiteral("File error!");
inline const QString invalidFolder = QStringLiteral("Invalid folder!");
inline const QString mediaNotFound = QStringLiteral("Media not found!");
inline const QString tooSmall = QStringLiteral("Image too small. Can't import!");
inline const QString pasteInvalid = QStringLiteral("Invalid Clipboard data!");
inline const QString pasteSmall = QStringLiteral("Invalid Clipboard data or image too small!");
inline const QString clipboardError = QStringLiteral("Clipboard error!");
inline const QString sequenceUsedUp =
    QStringLiteral("Max: 999.BMP - Please set new start and reset.");

} // namespace messages
