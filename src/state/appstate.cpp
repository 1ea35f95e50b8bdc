#include "appstate.h"

// A setter tells even when the value stays: the design's handlers rewrite a value
// to refresh what shows it, and a listener that follows a write must see each.

void AppState::setTileset(platform::PicturePtr picture) {
    sourcePicture_ = std::move(picture);
    emit tilesetChanged();
}

void AppState::setSelection(double left, double top, double right, double bottom) {
    selLeft_ = left;
    selTop_ = top;
    selRight_ = right;
    selBottom_ = bottom;
    emit selectionChanged();
}

void AppState::setTileSize(double width, double height) {
    tileWidth_ = width;
    tileHeight_ = height;
    emit tileSizeChanged();
}

void AppState::setTileLimits(double width, double height) {
    maxTileWidth_ = width;
    maxTileHeight_ = height;
    emit tileLimitsChanged();
}

void AppState::setViewLimits(float width, float height) {
    viewMaxWidth_ = width;
    viewMaxHeight_ = height;
}

void AppState::setStartNumber(double number) {
    startNumber_ = number;
    emit startNumberChanged();
}

void AppState::setFileCounter(std::int16_t counter) {
    fileCounter_ = counter;
    emit fileCounterChanged();
}

void AppState::setOutputFolder(const QString& folder) {
    outputFolder_ = folder;
    emit outputFolderChanged();
}
