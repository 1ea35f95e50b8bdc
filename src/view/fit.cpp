#include "fit.h"

#include "redraw.h"

#include "app/mainform.h"
#include "platform/form.h"
#include "platform/label.h"
#include "platform/numtext.h"
#include "platform/picturebox.h"
#include "platform/scrollbar.h"
#include "platform/textbox.h"

#include <cstdlib>

namespace view {

void fitViewToImage(MainForm& f) {
    AppState& s = f.state;
    const int w = s.sourcePicture->width();
    const int h = s.sourcePicture->height();

    f.pics->cls();
    f.pict->cls();
    f.frm_pict->setOuterWidth(1680);
    f.frm_pict->setOuterHeight(1635);
    f.pict->setWidth(32);
    f.pict->setHeight(32);

    if (w < s.viewMaxWidth) {
        f.pics->setWidth(w);
        f.HScroll1->hide();
    } else {
        f.pics->setWidth(int(s.viewMaxWidth));
        f.HScroll1->show();
    }
    if (h < s.viewMaxHeight) {
        f.pics->setHeight(h);
        f.VScroll1->hide();
    } else {
        f.pics->setHeight(int(s.viewMaxHeight));
        f.VScroll1->show();
    }
    f.HScroll1->move(f.HScroll1->x(), f.pics->height() + f.pics->y() + 1);
    f.VScroll1->move(f.pics->width() + f.pics->x() + 1, f.VScroll1->y());

    s.maxTileWidth = f.pics->width();
    s.maxTileHeight = f.pics->height();
    if (s.tileWidth > s.maxTileWidth) {
        s.tileWidth = s.maxTileWidth;
        f.trw->setText(platform::format(s.tileWidth, QStringLiteral("#")));
    }
    if (s.tileHeight > s.maxTileHeight) {
        s.tileHeight = s.maxTileHeight;
        f.trh->setText(platform::format(s.tileHeight, QStringLiteral("#")));
    }
    f.Label3->setCaption(
        QStringLiteral("Max: ") + platform::format(s.maxTileWidth, QStringLiteral("#")) +
        QStringLiteral(" X ") + platform::format(s.maxTileHeight, QStringLiteral("#")));

    f.HScroll1->setMax(std::abs(w - f.pics->width()));
    f.VScroll1->setMax(std::abs(h - f.pics->height()));
    f.HScroll1->setValue(0);
    f.VScroll1->setValue(0);
    redrawView(f);
}

void scrolled(MainForm& f) {
    redrawView(f);
}

} // namespace view
