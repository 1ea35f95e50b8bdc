#include "fit.h"

#include "controls/form.h"
#include "controls/label.h"
#include "system/numtext.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <cstdlib>

namespace view {

ViewFit fitView(QSize picture, double maxWidth, double maxHeight) {
    ViewFit fit;
    const int w = picture.width();
    const int h = picture.height();
    fit.hScrollShown = !(w < maxWidth);
    fit.width = fit.hScrollShown ? int(maxWidth) : w;
    fit.vScrollShown = !(h < maxHeight);
    fit.height = fit.vScrollShown ? int(maxHeight) : h;
    fit.hMax = std::abs(w - fit.width);
    fit.vMax = std::abs(h - fit.height);
    return fit;
}

QString maxSizeCaption(double maxTileWidth, double maxTileHeight) {
    return QStringLiteral("Max: ") + platform::format(maxTileWidth, QStringLiteral("#")) +
           QStringLiteral(" X ") + platform::format(maxTileHeight, QStringLiteral("#"));
}

void fitViewToImage(AppState& s, const FitControls& c) {
    const ViewFit fit = fitView(s.sourcePicture->size(), s.viewMaxWidth, s.viewMaxHeight);
    platform::PictureBox& tilesetView = c.view.tilesetView;
    platform::ScrollBar& hScroll = c.view.hScroll;
    platform::ScrollBar& vScroll = c.view.vScroll;

    tilesetView.cls();
    c.selectionPicture.cls();
    c.selectionWindow.setOuterWidth(kSelectionViewResetWidth);
    c.selectionWindow.setOuterHeight(kSelectionViewResetHeight);
    c.selectionPicture.setWidth(kCaptureResetSize);
    c.selectionPicture.setHeight(kCaptureResetSize);

    tilesetView.setWidth(fit.width);
    hScroll.setVisible(fit.hScrollShown);
    tilesetView.setHeight(fit.height);
    vScroll.setVisible(fit.vScrollShown);
    hScroll.move(hScroll.x(), tilesetView.height() + tilesetView.y() + 1);
    vScroll.move(tilesetView.width() + tilesetView.x() + 1, vScroll.y());

    s.setTileLimits(tilesetView.width(), tilesetView.height());
    if (s.tileWidth > s.maxTileWidth) {
        s.setTileSize(s.maxTileWidth, s.tileHeight);
        c.widthBox.setText(platform::format(
            s.tileWidth, QStringLiteral("#"))); // the width box's change follows, nested
    }
    if (s.tileHeight > s.maxTileHeight) {
        s.setTileSize(s.tileWidth, s.maxTileHeight);
        c.heightBox.setText(platform::format(
            s.tileHeight, QStringLiteral("#"))); // the height box's change follows, nested
    }
    c.maxSizeLabel.setCaption(maxSizeCaption(s.maxTileWidth, s.maxTileHeight));

    // Each may run the scroll bar's Change, nested.
    hScroll.setMax(fit.hMax);
    vScroll.setMax(fit.vMax);
    hScroll.setValue(0);
    vScroll.setValue(0);
}

} // namespace view
