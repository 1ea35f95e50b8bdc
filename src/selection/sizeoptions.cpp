#include "sizeoptions.h"

#include "rules.h"

#include "controls/checkbox.h"
#include "controls/dialogs.h"
#include "controls/label.h"
#include "system/numtext.h"
#include "controls/optionbutton.h"
#include "controls/textbox.h"

#include <initializer_list>

namespace selection {

namespace {

void setEnabled(std::initializer_list<QWidget*> controls, bool on) {
    for (QWidget* control : controls)
        control->setEnabled(on);
}

void sizeBoxChanged(platform::TextBox& box, double& size, double maximum) {
    const QString fallback = platform::format(size, QStringLiteral("#"));
    if (sizeTextRefused(box.text(), maximum))
        box.setText(fallback); // runs this handler again, nested
    size = platform::val(box.text());
}

} // namespace

void adjustableMode(const SizeControls& c) {
    setEnabled({&c.o_16, &c.o_32, &c.o_64, &c.o_custom, &c.c_snap, &c.trw, &c.trh}, false);
}

void fixedMode(const SizeControls& c, platform::Label& Label8) {
    Label8.setCaption(QString());
    setEnabled({&c.o_16, &c.o_32, &c.o_64, &c.o_custom, &c.c_snap}, true);
    if (c.o_custom.value())
        setEnabled({&c.trw, &c.trh}, true);
}

void presetSize(AppState& s, const SizeControls& c, platform::Dialogs& dialogs, int n) {
    if (!presetFits(n, s.maxTileWidth, s.maxTileHeight)) {
        dialogs.msgBox(c.Label3.caption());
        c.o_custom.setValue(true); // o_custom_Click, nested
        return;
    }
    setEnabled({&c.trw, &c.trh}, false);
    s.tileWidth = n;
    s.tileHeight = n;
}

void customSize(AppState& s, const SizeControls& c) {
    setEnabled({&c.trw, &c.trh}, true);
    s.tileWidth = platform::val(c.trw.text());
    s.tileHeight = platform::val(c.trh.text());
}

void widthBoxChanged(AppState& s, platform::TextBox& trw) {
    sizeBoxChanged(trw, s.tileWidth, s.maxTileWidth);
}

void heightBoxChanged(AppState& s, platform::TextBox& trh) {
    sizeBoxChanged(trh, s.tileHeight, s.maxTileHeight);
}

} // namespace selection
