#include "frm_ov_main.h"

#include "frm_pict.h"
#include "frm_saved_pic.h"

#include "output/browser.h"
#include "output/numbering.h"
#include "output/preview.h"
#include "output/saving.h"
#include "selection/capture.h"
#include "selection/mouse.h"
#include "selection/sizeoptions.h"
#include "view/fit.h"
#include "view/tileset.h"
#include "platform/button.h"
#include "platform/checkbox.h"
#include "platform/dialogs.h"
#include "platform/dirlist.h"
#include "platform/drivelist.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/filelist.h"
#include "platform/fonts.h"
#include "platform/frame.h"
#include "platform/label.h"
#include "platform/numtext.h"
#include "platform/optionbutton.h"
#include "platform/picturebox.h"
#include "platform/screen.h"
#include "platform/scrollbar.h"
#include "platform/system.h"
#include "platform/textbox.h"

#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLineEdit>
#include <QShortcut>

namespace {

constexpr QRgb kWindowText = 0xFF000000;
constexpr QRgb kSaveGreen = 0xFF00C000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Positions and sizes in the layout are twips, 15 to the pixel.
QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template <typename W> W* place(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QFont sansFont(double points, bool bold = false, bool italic = false) {
    return platform::captionFont(points, bold, italic);
}

} // namespace

frm_ov_main::frm_ov_main(Services services)
    : platform::Form(nullptr, services.screen,
                     Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint)
    , f_(services) {
    setObjectName(QStringLiteral("frm_ov_main"));
    setCaption(QStringLiteral("Harrow & Finch Orvane"));
    setWindowIcon(QIcon(QStringLiteral(":/orvane/orvane.png")));
    setFixedSize(844, 676); // 12660 x 10140 twips
    setFont(sansFont(8.25));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(platform::kBackColor));
    pal.setColor(QPalette::Button, QColor::fromRgb(platform::kBackColor));
    pal.setColor(QPalette::WindowText, QColor::fromRgb(kWindowText));
    setPalette(pal);

    f_.cmdb.defaultExt = QStringLiteral(".bmp");
    f_.cmdb.dialogTitle = QStringLiteral("Import Tileset");
    f_.cmdb.filter = view::importFilter();

    buildControls();
    wireEvents();
    addShortcuts();
    Form_Load();
}

frm_ov_main::~frm_ov_main() = default;

void frm_ov_main::buildControls() {
    using namespace platform;
    MainForm& f = f_;
    f.pics = place(new PictureBox(this, 448, 640), "pics", twips(120, 105, 6720, 9600));
    f.pics->setAccessibleName(QStringLiteral("Tileset view"));
    f.pics->setForeColor(kWhite);
    f.pics->setAcceptDrops(true);
    f.pics->addBorder();
    f.VScroll1 = place(new ScrollBar(Qt::Vertical, this), "VScroll1", twips(6840, 105, 300, 9600));
    f.HScroll1 =
        place(new ScrollBar(Qt::Horizontal, this), "HScroll1", twips(120, 9720, 6720, 300));
    f.VScroll1->hide();
    f.HScroll1->hide();

    f.Command2 =
        place(new Button(this, QStringLiteral("SAVE")), "Command2", twips(7260, 420, 1200, 1200));
    f.Command2->setFont(sansFont(13.5, true, true));
    f.Command2->setBackColor(kSaveGreen);
    f.Label7 = place(new Label(this, QString()), "Label7", twips(7245, 105, 2010, 180));
    f.Label7->setFont(sansFont(8.25, true));
    f.Label7->setAccessibleName(QStringLiteral("Next file"));
    f.Command6 = place(new Button(this, QStringLiteral("Paste from Clipboard")), "Command6",
                       twips(9225, 405, 1140, 570));
    f.Command5 = place(new Button(this, QStringLiteral("About...")), "Command5",
                       twips(10530, 405, 1140, 570));
    f.b_open = place(new Button(this, QStringLiteral("Import Tileset")), "b_open",
                     twips(9225, 1080, 1140, 570));
    f.b_exit =
        place(new Button(this, QStringLiteral("Exit")), "b_exit", twips(10530, 1080, 1140, 570));

    f.Frame1 = place(new Frame(this, QStringLiteral("Output options")), "Frame1",
                     twips(7260, 1725, 5145, 4455));
    QWidget* fr1 = f.Frame1;
    f.Drive1 = place(new DriveList(fr1, f.svc.drives), "Drive1", twips(330, 390, 1800, 315));
    f.Dir1 = place(new DirList(fr1), "Dir1", twips(330, 765, 1800, 1215));
    f.Command1 = place(new Button(fr1, QStringLiteral("Create new folder")), "Command1",
                       twips(330, 2070, 1800, 495));
    f.File1 =
        place(new FileList(fr1, QStringLiteral("*.bmp")), "File1", twips(2280, 390, 2640, 2760));
    f.Label1 = place(new Label(fr1, QStringLiteral("Start from (000 to 999) :")), "Label1",
                     twips(435, 2595, 1650, 225));
    f.Text1 =
        place(new TextBox(fr1, QStringLiteral("000"), 3), "Text1", twips(855, 2865, 390, 285));
    f.Text1->setAccessibleName(QStringLiteral("Start from"));
    f.Label2 = place(new Label(fr1, QStringLiteral(".BMP")), "Label2", twips(1290, 2895, 405, 300));
    f.Command3 =
        place(new Button(fr1, QStringLiteral("Reset")), "Command3", twips(975, 3405, 615, 300));
    f.c_clipb = place(new CheckBox(fr1, QStringLiteral("Save to Clipboard"), true), "c_clipb",
                      twips(2385, 3345, 1005, 420));
    f.c_file = place(new CheckBox(fr1, QStringLiteral("Save to file"), true), "c_file",
                     twips(3900, 3330, 885, 450));
    f.Command7 = place(new Button(fr1, QStringLiteral("Save as...")), "Command7",
                       twips(2700, 3870, 1380, 405));
    f.Command7->setPalette(QApplication::palette());

    f.Frame2 = place(new Frame(this, QStringLiteral("Selection rectangle")), "Frame2",
                     twips(7260, 6465, 3825, 3015));
    QWidget* fr2 = f.Frame2;
    f.o_adjust = place(new OptionButton(fr2, QStringLiteral("Adjustable"), true), "o_adjust",
                       twips(555, 345, 1455, 315));
    f.o_fixed = place(new OptionButton(fr2, QStringLiteral("Fixed"), false), "o_fixed",
                      twips(555, 735, 780, 315));
    f.Label9 =
        place(new Label(fr2, QStringLiteral("Color:"), true), "Label9", twips(2370, 600, 405, 195));
    f.Command4 = place(new Button(fr2, QString()), "Command4", twips(2835, 555, 765, 315));
    f.Command4->setAccessibleName(QStringLiteral("Rectangle colour"));
    f.Command4->setBackColor(kWhite);
    f.Frame3 = place(new Frame(fr2, QString()), "Frame3", twips(615, 1035, 2730, 1770));
    QWidget* fr3 = f.Frame3;
    f.o_16 = place(new OptionButton(fr3, QStringLiteral("16X16"), true), "o_16",
                   twips(225, 45, 1155, 255));
    f.o_32 = place(new OptionButton(fr3, QStringLiteral("32X32"), false), "o_32",
                   twips(225, 330, 1155, 255));
    f.o_64 = place(new OptionButton(fr3, QStringLiteral("64X64"), false), "o_64",
                   twips(225, 630, 1155, 255));
    f.o_custom = place(new OptionButton(fr3, QStringLiteral("Custom"), false), "o_custom",
                       twips(225, 915, 870, 255));
    f.c_snap = place(new CheckBox(fr3, QStringLiteral("Snap"), false), "c_snap",
                     twips(1715, 345, 675, 225));
    f.Label5 = place(new Label(fr3, QStringLiteral("Width")), "Label5", twips(1245, 915, 420, 195));
    f.Label6 =
        place(new Label(fr3, QStringLiteral("Height")), "Label6", twips(1920, 915, 480, 195));
    f.trw = place(new TextBox(fr3, QStringLiteral("16"), 4), "trw", twips(1230, 1140, 500, 285));
    f.trw->setAccessibleName(QStringLiteral("Custom width"));
    f.Label4 = place(new Label(fr3, QStringLiteral("X")), "Label4", twips(1740, 1185, 135, 195));
    f.trh = place(new TextBox(fr3, QStringLiteral("16"), 4), "trh", twips(1890, 1140, 500, 285));
    f.trh->setAccessibleName(QStringLiteral("Custom height"));
    f.Label3 = place(new Label(fr3, QStringLiteral("Max: 16 X 16"), true), "Label3",
                     twips(1350, 1515, 975, 195));
    for (QWidget* control : {static_cast<QWidget*>(f.o_16), static_cast<QWidget*>(f.o_32),
                             static_cast<QWidget*>(f.o_64), static_cast<QWidget*>(f.o_custom),
                             static_cast<QWidget*>(f.c_snap), static_cast<QWidget*>(f.trw),
                             static_cast<QWidget*>(f.trh)})
        control->setEnabled(false);

    f.Label8 = place(new Label(this, QString(), true), "Label8", twips(7275, 9750, 0, 195));
    f.Label8->setAccessibleName(QStringLiteral("Selection size"));

    // These labels take the size of their text at their place.
    for (Label* label : {f.Label9, f.Label3, f.Label8})
        label->adjustSize();

    pictWindow_ = new frm_pict(this, f.svc.screen);
    f.frm_pict = pictWindow_;
    f.pict = pictWindow_->pict;
    f.frm_saved_pic = [this] { return savedPicWindow(); };
}

void frm_ov_main::wireEvents() {
    MainForm& f = f_;
    f.b_exit->onClick = [this] { b_exit_Click(); };
    f.Command5->onClick = [this] { Command5_Click(); };
    f.b_open->onClick = [this] { b_open_Click(); };
    f.Command6->onClick = [this] { Command6_Click(); };
    f.pics->onDropFile = [this](const QString& path) { pics_DropFile(path); };
    f.HScroll1->onChange = [this] { HScroll1_Change(); };
    f.HScroll1->onScroll = [this] { HScroll1_Scroll(); };
    f.VScroll1->onChange = [this] { VScroll1_Change(); };
    f.VScroll1->onScroll = [this] { VScroll1_Scroll(); };
    f.o_adjust->onClick = [this] { o_adjust_Click(); };
    f.o_fixed->onClick = [this] { o_fixed_Click(); };
    f.o_16->onClick = [this] { o_16_Click(); };
    f.o_32->onClick = [this] { o_32_Click(); };
    f.o_64->onClick = [this] { o_64_Click(); };
    f.o_custom->onClick = [this] { o_custom_Click(); };
    f.trw->onChange = [this] { trw_Change(); };
    f.trh->onChange = [this] { trh_Change(); };
    f.pics->onMouseDown = [this](int b, int s, double x, double y) { pics_MouseDown(b, s, x, y); };
    f.pics->onMouseMove = [this](int b, int s, double x, double y) { pics_MouseMove(b, s, x, y); };
    f.pics->onMouseUp = [this](int b, int s, double x, double y) { pics_MouseUp(b, s, x, y); };
    f.Command4->onClick = [this] { Command4_Click(); };
    f.Text1->onChange = [this] { Text1_Change(); };
    f.Command3->onClick = [this] { Command3_Click(); };
    f.Command2->onClick = [this] { Command2_Click(); };
    f.Command7->onClick = [this] { Command7_Click(); };
    f.Drive1->onChange = [this] { Drive1_Change(); };
    f.Dir1->onChange = [this] { Dir1_Change(); };
    f.Command1->onClick = [this] { Command1_Click(); };
    f.c_file->onClick = [this] { c_file_Click(); };
    f.File1->onDblClick = [this] { File1_DblClick(); };
    f.File1->onKeyPress = [this](int key) { File1_KeyPress(key); };
    onClose = [this] { Form_Unload(); };
}

void frm_ov_main::addShortcuts() {
    // A text box with the focus takes Ctrl+V for itself before these see it.
    const auto shortcut = [this](QKeySequence keys, void (frm_ov_main::*handler)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this,
                [this, handler] { platform::guarded([&] { (this->*handler)(); }); });
    };
    shortcut(QKeySequence::Open, &frm_ov_main::b_open_Click);
    shortcut(QKeySequence::Paste, &frm_ov_main::Command6_Click);
    shortcut(QKeySequence::Save, &frm_ov_main::Command2_Click);
}

platform::Form* frm_ov_main::savedPicWindow() {
    if (!savedPic_) {
        savedPic_ = new frm_saved_pic(this, f_.svc.screen);
        savedPic_->onKeyPress = [this](int key) { frm_saved_pic_KeyPress(key); };
        // Where it is first made it stays; over the output options, clear of the view.
        savedPic_->move(mapToGlobal(f_.Frame1->geometry().topLeft()));
    }
    return savedPic_;
}

void frm_ov_main::Form_Load() {
    MainForm& f = f_;
    AppState& s = f.state;
    s.startNumber = 0;
    s.fileCounter = platform::toInt16(s.startNumber);

    // The program's folder picks the drive; where that fails, the working folder's
    // drive, and failing that the first drive.
    const QStringList roots = f.svc.drives.roots();
    QStringList candidates{f.svc.system.appPath(), f.svc.drives.workingFolder()};
    candidates << roots;
    for (const QString& candidate : candidates) {
        try {
            f.Drive1->setDrive(candidate);
            f.Dir1->setPath(output::driveFolder(f));
            break;
        } catch (const std::exception&) {
        }
    }
    f.File1->setPath(f.Dir1->path());
    f.cmdb.initDir = f.svc.system.appPath();
    s.outputFolder = platform::withSeparator(f.Dir1->path());
    s.maxTileWidth = 16;
    s.maxTileHeight = 16;
    s.tileWidth = 16;
    s.tileHeight = 16;
    s.viewMaxWidth = float(f.pics->width());
    s.viewMaxHeight = float(f.pics->height());
    output::updateNextFileLabel(f);

    placeSelectionView();
    pictWindow_->show();
}

void frm_ov_main::placeSelectionView() {
    // Beside the main window where the screen has room, else over its lower right.
    const QSize screen = f_.svc.screen.availableSize();
    const QPoint right = geometry().topRight() + QPoint(16, 0);
    if (right.x() + 2 * pictWindow_->width() < screen.width())
        pictWindow_->move(right);
    else
        pictWindow_->move(geometry().bottomRight() - QPoint(200, 160));
}

void frm_ov_main::Form_Unload() {
    f_.svc.system.end();
}
void frm_ov_main::b_exit_Click() {
    f_.svc.system.end();
}

void frm_ov_main::Command5_Click() {
    f_.svc.dialogs.msgBox(QStringLiteral("PANEWRIGHT\rOrvane Utility\rHarrow & Finch, 2026\r"
                                         "https://orvane.example.com/"));
}

void frm_ov_main::b_open_Click() {
    view::importTileset(f_);
}
void frm_ov_main::Command6_Click() {
    view::pasteTileset(f_);
}
void frm_ov_main::pics_DropFile(const QString& path) {
    view::importDroppedFile(f_, path);
}
void frm_ov_main::HScroll1_Change() {
    view::scrolled(f_);
}
void frm_ov_main::HScroll1_Scroll() {
    view::scrolled(f_);
}
void frm_ov_main::VScroll1_Change() {
    view::scrolled(f_);
}
void frm_ov_main::VScroll1_Scroll() {
    view::scrolled(f_);
}
void frm_ov_main::o_adjust_Click() {
    selection::adjustableMode(f_);
}
void frm_ov_main::o_fixed_Click() {
    selection::fixedMode(f_);
}
void frm_ov_main::o_16_Click() {
    selection::presetSize(f_, 16);
}
void frm_ov_main::o_32_Click() {
    selection::presetSize(f_, 32);
}
void frm_ov_main::o_64_Click() {
    selection::presetSize(f_, 64);
}
void frm_ov_main::o_custom_Click() {
    selection::customSize(f_);
}
void frm_ov_main::trw_Change() {
    selection::widthBoxChanged(f_);
}
void frm_ov_main::trh_Change() {
    selection::heightBoxChanged(f_);
}

void frm_ov_main::pics_MouseDown(int button, int, double x, double y) {
    selection::viewPressed(f_, button, x, y);
}

void frm_ov_main::pics_MouseMove(int button, int, double x, double y) {
    selection::viewDragged(f_, button, x, y);
}

void frm_ov_main::pics_MouseUp(int button, int, double, double) {
    selection::viewReleased(f_, button);
}

void frm_ov_main::Command4_Click() {
    selection::chooseColor(f_);
}
void frm_ov_main::Text1_Change() {
    output::startNumberChanged(f_);
}
void frm_ov_main::Command3_Click() {
    output::resetCounter(f_);
}
void frm_ov_main::Command2_Click() {
    output::saveSelection(f_);
}
void frm_ov_main::Command7_Click() {
    output::saveSelectionAs(f_);
}
void frm_ov_main::Drive1_Change() {
    output::driveChanged(f_);
}
void frm_ov_main::Dir1_Change() {
    output::folderChanged(f_);
}
void frm_ov_main::Command1_Click() {
    output::createFolder(f_);
}
void frm_ov_main::c_file_Click() {
    output::saveToFileClicked(f_);
}
void frm_ov_main::File1_DblClick() {
    output::previewFile(f_);
}
void frm_ov_main::File1_KeyPress(int keyAscii) {
    output::fileListKey(f_, keyAscii);
}
void frm_ov_main::frm_saved_pic_KeyPress(int keyAscii) {
    output::previewKey(f_, keyAscii);
}
