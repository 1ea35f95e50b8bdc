#include "frm_pict.h"

#include "controls/picturebox.h"

#include <QCloseEvent>

frm_pict::frm_pict(QWidget* owner, const platform::Screen& screen)
    : platform::Form(owner, screen, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , pict(new platform::PictureBox(this, 32, 32)) {
    setObjectName(QStringLiteral("frm_pict"));
    setCaption(QStringLiteral("Selection view"));
    setAccessibleName(QStringLiteral("Selection view"));
    pict->setObjectName(QStringLiteral("pict"));
    pict->setAccessibleName(QStringLiteral("Captured selection"));
    pict->move(0, 0);
    setFixedSize(104, 82); // 1560 x 1230 twips
}

void frm_pict::closeEvent(QCloseEvent* event) {
    event->ignore();
}
