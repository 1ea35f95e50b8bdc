#include "sizeoptions.h"

#include "app/mainform.h"
#include "platform/checkbox.h"
#include "platform/dialogs.h"
#include "platform/label.h"
#include "platform/numtext.h"
#include "platform/optionbutton.h"
#include "platform/textbox.h"

namespace selection {

namespace {

bool refused(const QString& text, double maximum) {
    return text.contains(u',') || text.contains(u'.') || !platform::isNumeric(text) ||
           platform::val(text) > maximum;
}

void sizeBoxChanged(MainForm& f, platform::TextBox& box, double AppState::*size,
                    double AppState::*maximum) {
    const QString fallback = platform::format(f.state.*size, QStringLiteral("#"));
    if (refused(box.text(), f.state.*maximum))
        box.setText(fallback); // runs this handler again, nested
    f.state.*size = platform::val(box.text());
}

} // namespace

void adjustableMode(MainForm& f) {
    for (QWidget* control : {static_cast<QWidget*>(f.o_16), static_cast<QWidget*>(f.o_32),
                             static_cast<QWidget*>(f.o_64), static_cast<QWidget*>(f.o_custom),
                             static_cast<QWidget*>(f.c_snap), static_cast<QWidget*>(f.trw),
                             static_cast<QWidget*>(f.trh)})
        control->setEnabled(false);
}

void fixedMode(MainForm& f) {
    f.Label8->setCaption(QString());
    for (QWidget* control : {static_cast<QWidget*>(f.o_16), static_cast<QWidget*>(f.o_32),
                             static_cast<QWidget*>(f.o_64), static_cast<QWidget*>(f.o_custom),
                             static_cast<QWidget*>(f.c_snap)})
        control->setEnabled(true);
    if (f.o_custom->value()) {
        f.trw->setEnabled(true);
        f.trh->setEnabled(true);
    }
}

void presetSize(MainForm& f, int n) {
    if (f.state.maxTileWidth < n || f.state.maxTileHeight < n) {
        f.svc.dialogs.msgBox(f.Label3->caption());
        f.o_custom->setValue(true); // runs the Custom handling
        return;
    }
    f.trw->setEnabled(false);
    f.trh->setEnabled(false);
    f.state.tileWidth = n;
    f.state.tileHeight = n;
}

void customSize(MainForm& f) {
    f.trw->setEnabled(true);
    f.trh->setEnabled(true);
    f.state.tileWidth = platform::val(f.trw->text());
    f.state.tileHeight = platform::val(f.trh->text());
}

void widthBoxChanged(MainForm& f) {
    sizeBoxChanged(f, *f.trw, &AppState::tileWidth, &AppState::maxTileWidth);
}

void heightBoxChanged(MainForm& f) {
    sizeBoxChanged(f, *f.trh, &AppState::tileHeight, &AppState::maxTileHeight);
}

} // namespace selection
