#pragma once

#include "image/picture.h"

#include <QObject>
#include <QString>

#include <cstdint>

// The state the main window and its parts share from start-up to the end of the
// program, in the number types the user sees (the counter is 16 bits, the view's
// largest size single precision, the rest double). Anyone may read a value; a
// change goes through a setter, which says what changed, so that the window and
// the parts follow it instead of updating each other by hand. Selection edges are
// view pixels; the right and bottom edges are exclusive. An edge never written
// reads as 0.
class AppState : public QObject {
    Q_OBJECT
public:
    AppState() = default;

    const double& selLeft = selLeft_;
    const double& selTop = selTop_;
    const double& selRight = selRight_;
    const double& selBottom = selBottom_;
    const double& tileWidth = tileWidth_;
    const double& tileHeight = tileHeight_;
    const double& maxTileWidth = maxTileWidth_;
    const double& maxTileHeight = maxTileHeight_;
    const float& viewMaxWidth = viewMaxWidth_;
    const float& viewMaxHeight = viewMaxHeight_;
    const double& startNumber = startNumber_;
    const std::int16_t& fileCounter = fileCounter_;
    const platform::PicturePtr& sourcePicture = sourcePicture_;
    const QString& outputFolder = outputFolder_; // always ends in the native separator

    void setTileset(platform::PicturePtr picture);
    void setSelection(double left, double top, double right, double bottom);
    void setTileSize(double width, double height);
    // The largest selection the view allows, set by each fit.
    void setTileLimits(double width, double height);
    // Taken once, at start-up.
    void setViewLimits(float width, float height);
    void setStartNumber(double number);
    void setFileCounter(std::int16_t counter);
    void setOutputFolder(const QString& folder);

signals:
    void tilesetChanged();
    void selectionChanged();
    void tileSizeChanged();
    void tileLimitsChanged();
    void startNumberChanged();
    // The number of the next file SAVE writes.
    void fileCounterChanged();
    void outputFolderChanged();

private:
    double selLeft_ = 0;
    double selTop_ = 0;
    double selRight_ = 0;
    double selBottom_ = 0;
    double tileWidth_ = 16;
    double tileHeight_ = 16;
    double maxTileWidth_ = 16;
    double maxTileHeight_ = 16;
    float viewMaxWidth_ = 0;
    float viewMaxHeight_ = 0;
    double startNumber_ = 0;
    std::int16_t fileCounter_ = 0;
    platform::PicturePtr sourcePicture_;
    QString outputFolder_;
};
