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
    platform::PictureBox& pics = c.view.pics;
    platform::ScrollBar& HScroll1 = c.view.HScroll1;
    platform::ScrollBar& VScroll1 = c.view.VScroll1;

    pics.cls();
    c.pict.cls();
    c.frm_pict.setOuterWidth(kSelectionViewResetWidth);
    c.frm_pict.setOuterHeight(kSelectionViewResetHeight);
    c.pict.setWidth(kCaptureResetSize);
    c.pict.setHeight(kCaptureResetSize);

    pics.setWidth(fit.width);
    HScroll1.setVisible(fit.hScrollShown);
    pics.setHeight(fit.height);
    VScroll1.setVisible(fit.vScrollShown);
    HScroll1.move(HScroll1.x(), pics.height() + pics.y() + 1);
    VScroll1.move(pics.width() + pics.x() + 1, VScroll1.y());

    s.maxTileWidth = pics.width();
    s.maxTileHeight = pics.height();
    if (s.tileWidth > s.maxTileWidth) {
        s.tileWidth = s.maxTileWidth;
        c.trw.setText(platform::format(s.tileWidth, QStringLiteral("#"))); // trw_Change, nested
    }
    if (s.tileHeight > s.maxTileHeight) {
        s.tileHeight = s.maxTileHeight;
        c.trh.setText(platform::format(s.tileHeight, QStringLiteral("#"))); // trh_Change, nested
    }
    c.Label3.setCaption(maxSizeCaption(s.maxTileWidth, s.maxTileHeight));

    // Each may run the scroll bar's Change, nested.
    HScroll1.setMax(fit.hMax);
    VScroll1.setMax(fit.vMax);
    HScroll1.setValue(0);
    VScroll1.setValue(0);
}

} // namespace view
