#include "layout.h"

namespace layout {

namespace {

constexpr QRgb kSaveGreen = 0xFF00C000;
constexpr QRgb kWhite = 0xFFFFFFFF;

QRect tw(int left, int top, int width, int height) {
    return QRect(left, top, width, height);
}

std::vector<Control> build() {
    using M = MainForm;
    std::vector<Control> t;
    // clang-format off
    t.push_back({&M::pics, "pics", nullptr, "", tw(120, 105, 6720, 9600), 0, true, true, false, Face::Normal, std::nullopt, "Tileset view"});
    t.push_back({&M::VScroll1, "VScroll1", nullptr, "", tw(6840, 105, 300, 9600), 0, true, false});
    t.push_back({&M::HScroll1, "HScroll1", nullptr, "", tw(120, 9720, 6720, 300), 0, true, false});
    t.push_back({&M::Command2, "Command2", nullptr, "SAVE", tw(7260, 420, 1200, 1200), 0, true, true, false, Face::SaveButton, kSaveGreen});
    t.push_back({&M::Label7, "Label7", nullptr, "", tw(7245, 105, 2010, 180), 0, true, true, false, Face::Bold, std::nullopt, "Next file"});
    t.push_back({&M::Command6, "Command6", nullptr, "Paste from Clipboard", tw(9225, 405, 1140, 570)});
    t.push_back({&M::Command5, "Command5", nullptr, "About...", tw(10530, 405, 1140, 570)});
    t.push_back({&M::b_open, "b_open", nullptr, "Import Tileset", tw(9225, 1080, 1140, 570)});
    t.push_back({&M::b_exit, "b_exit", nullptr, "Exit", tw(10530, 1080, 1140, 570)});

    t.push_back({&M::Frame1, "Frame1", nullptr, "Output options", tw(7260, 1725, 5145, 4455)});
    t.push_back({&M::Drive1, "Drive1", "Frame1", "", tw(330, 390, 1800, 315)});
    t.push_back({&M::Dir1, "Dir1", "Frame1", "", tw(330, 765, 1800, 1215)});
    t.push_back({&M::Command1, "Command1", "Frame1", "Create new folder", tw(330, 2070, 1800, 495)});
    t.push_back({&M::File1, "File1", "Frame1", "*.bmp", tw(2280, 390, 2640, 2760)});
    t.push_back({&M::Label1, "Label1", "Frame1", "Start from (000 to 999) :", tw(435, 2595, 1650, 225)});
    t.push_back({&M::Text1, "Text1", "Frame1", "000", tw(855, 2865, 390, 285), 3, true, true, false, Face::Normal, std::nullopt, "Start from"});
    t.push_back({&M::Label2, "Label2", "Frame1", ".BMP", tw(1290, 2895, 405, 300)});
    t.push_back({&M::Command3, "Command3", "Frame1", "Reset", tw(975, 3405, 615, 300)});
    t.push_back({&M::c_clipb, "c_clipb", "Frame1", "Save to Clipboard", tw(2385, 3345, 1005, 420), 1});
    t.push_back({&M::c_file, "c_file", "Frame1", "Save to file", tw(3900, 3330, 885, 450), 1});
    t.push_back({&M::Command7, "Command7", "Frame1", "Save as...", tw(2700, 3870, 1380, 405), 0, true, true, false, Face::System});

    t.push_back({&M::Frame2, "Frame2", nullptr, "Selection rectangle", tw(7260, 6465, 3825, 3015)});
    t.push_back({&M::o_adjust, "o_adjust", "Frame2", "Adjustable", tw(555, 345, 1455, 315), 1});
    t.push_back({&M::o_fixed, "o_fixed", "Frame2", "Fixed", tw(555, 735, 780, 315), 0});
    t.push_back({&M::Label9, "Label9", "Frame2", "Color:", tw(2370, 600, 405, 195), 0, true, true, true});
    t.push_back({&M::Command4, "Command4", "Frame2", "", tw(2835, 555, 765, 315), 0, true, true, false, Face::Normal, kWhite, "Rectangle colour"});
    t.push_back({&M::Frame3, "Frame3", "Frame2", "", tw(615, 1035, 2730, 1770)});
    t.push_back({&M::o_16, "o_16", "Frame3", "16X16", tw(225, 45, 1155, 255), 1, false});
    t.push_back({&M::o_32, "o_32", "Frame3", "32X32", tw(225, 330, 1155, 255), 0, false});
    t.push_back({&M::o_64, "o_64", "Frame3", "64X64", tw(225, 630, 1155, 255), 0, false});
    t.push_back({&M::o_custom, "o_custom", "Frame3", "Custom", tw(225, 915, 870, 255), 0, false});
    t.push_back({&M::c_snap, "c_snap", "Frame3", "Snap", tw(1715, 345, 675, 225), 0, false});
    t.push_back({&M::Label5, "Label5", "Frame3", "Width", tw(1245, 915, 420, 195)});
    t.push_back({&M::Label6, "Label6", "Frame3", "Height", tw(1920, 915, 480, 195)});
    t.push_back({&M::trw, "trw", "Frame3", "16", tw(1230, 1140, 500, 285), 4, false, true, false, Face::Normal, std::nullopt, "Custom width"});
    t.push_back({&M::Label4, "Label4", "Frame3", "X", tw(1740, 1185, 135, 195)});
    t.push_back({&M::trh, "trh", "Frame3", "16", tw(1890, 1140, 500, 285), 4, false, true, false, Face::Normal, std::nullopt, "Custom height"});
    t.push_back({&M::Label3, "Label3", "Frame3", "Max: 16 X 16", tw(1350, 1515, 975, 195), 0, true, true, true});

    t.push_back({&M::Label8, "Label8", nullptr, "", tw(7275, 9750, 0, 195), 0, true, true, true, Face::Normal, std::nullopt, "Selection size"});
    // Not one of the original controls: it sits where nothing else is and waits for a tileset.
    t.push_back({&M::b_cut, "b_cut", nullptr, "Cut all...", tw(11220, 6615, 1140, 570), 0, false});
    // clang-format on
    return t;
}

} // namespace

const std::vector<Control>& mainWindow() {
    static const std::vector<Control> table = build();
    return table;
}

QRect pixels(const Control& control) {
    const QRect& t = control.twips;
    return QRect(t.x() / kTwipsPerLayoutPixel, t.y() / kTwipsPerLayoutPixel,
                 t.width() / kTwipsPerLayoutPixel, t.height() / kTwipsPerLayoutPixel);
}

} // namespace layout
