#pragma once

#include "image/picture.h"

#include <QString>

#include <cstdint>

// The record every handler of the main window shares, from start-up to the end
// of the program. Selection edges are view pixels; the right and bottom edges
// are exclusive. An edge never written reads as 0.
struct AppState {
    double selLeft = 0;
    double selTop = 0;
    double selRight = 0;
    double selBottom = 0;
    double tileWidth = 16;
    double tileHeight = 16;
    double maxTileWidth = 16;
    double maxTileHeight = 16;
    float viewMaxWidth = 0;
    float viewMaxHeight = 0;
    double startNumber = 0;
    std::int16_t fileCounter = 0;
    platform::PicturePtr sourcePicture;
    QString outputFolder; // always ends in the native separator
};
