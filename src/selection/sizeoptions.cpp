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

// The size the box now holds, its text put back first when it is refused.
double sizeBoxChanged(platform::TextBox& box, double size, double maximum) {
    const QString fallback = platform::format(size, QStringLiteral("#"));
    if (sizeTextRefused(box.text(), maximum))
        box.setText(fallback); // runs this handler again, nested
    return platform::val(box.text());
}

} // namespace

void adjustableMode(const SizeControls& c) {
    setEnabled({&c.size16Option, &c.size32Option, &c.size64Option, &c.customOption, &c.snapBox,
                &c.widthBox, &c.heightBox},
               false);
}

void fixedMode(const SizeControls& c, platform::Label& sizeReadout) {
    sizeReadout.setCaption(QString());
    setEnabled({&c.size16Option, &c.size32Option, &c.size64Option, &c.customOption, &c.snapBox},
               true);
    if (c.customOption.value())
        setEnabled({&c.widthBox, &c.heightBox}, true);
}

void presetSize(AppState& s, const SizeControls& c, platform::Dialogs& dialogs, int n) {
    if (!presetFits(n, s.maxTileWidth, s.maxTileHeight)) {
        dialogs.msgBox(c.maxSizeLabel.caption());
        c.customOption.setValue(true); // the custom option's click follows, nested
        return;
    }
    setEnabled({&c.widthBox, &c.heightBox}, false);
    s.setTileSize(n, n);
}

void customSize(AppState& s, const SizeControls& c) {
    setEnabled({&c.widthBox, &c.heightBox}, true);
    s.setTileSize(platform::val(c.widthBox.text()), platform::val(c.heightBox.text()));
}

void widthBoxChanged(AppState& s, platform::TextBox& widthBox) {
    const double width = sizeBoxChanged(widthBox, s.tileWidth, s.maxTileWidth);
    s.setTileSize(width, s.tileHeight);
}

void heightBoxChanged(AppState& s, platform::TextBox& heightBox) {
    const double height = sizeBoxChanged(heightBox, s.tileHeight, s.maxTileHeight);
    s.setTileSize(s.tileWidth, height);
}

} // namespace selection
