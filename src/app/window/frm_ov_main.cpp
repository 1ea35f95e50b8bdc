#include "frm_ov_main.h"

#include "frm_pict.h"
#include "layout.h"

#include "output/browser.h"
#include "output/numbering.h"
#include "output/preview.h"
#include "output/saving.h"
#include "selection/capture.h"
#include "selection/mouse.h"
#include "selection/sizeoptions.h"
#include "view/fit.h"
#include "view/redraw.h"
#include "view/tileset.h"
#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/dialogs.h"
#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "system/drives.h"
#include "controls/failure.h"
#include "controls/filelist.h"
#include "controls/fonts.h"
#include "controls/frame.h"
#include "controls/label.h"
#include "system/numtext.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/screen.h"
#include "controls/scrollbar.h"
#include "system/system.h"
#include "controls/textbox.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QKeySequence>
#include <QShortcut>

#include <algorithm>
#include <cstdint>

namespace {

constexpr QRgb kWindowText = 0xFF000000;
constexpr QRgb kOutlineWhite = 0xFFFFFFFF;
// The limits and the size before any tileset.
constexpr double kStartTileSize = 16;

QFont sansFont(double points, bool bold = false, bool italic = false) {
    return platform::captionFont(points, bold, italic);
}

// Makes one control of the table, of the kind its slot holds.
template <typename W>
W* makeControl(QWidget* parent, const layout::Control& c, const platform::Drives& drives) {
    using namespace platform;
    const QString text = QString::fromUtf8(c.text);
    const QRect place = layout::pixels(c);
    W* w = nullptr;
    if constexpr (std::is_same_v<W, PictureBox>)
        w = new PictureBox(parent, place.width(), place.height());
    else if constexpr (std::is_same_v<W, ScrollBar>)
        w = new ScrollBar(place.width() > place.height() ? Qt::Horizontal : Qt::Vertical, parent);
    else if constexpr (std::is_same_v<W, Label>)
        w = new Label(parent, text, c.autoSize);
    else if constexpr (std::is_same_v<W, DriveList>)
        w = new DriveList(parent, drives);
    else if constexpr (std::is_same_v<W, DirList>)
        w = new DirList(parent);
    else if constexpr (std::is_same_v<W, TextBox>)
        w = new TextBox(parent, text, c.value);
    else if constexpr (std::is_same_v<W, CheckBox>)
        w = new CheckBox(parent, text, c.value != 0);
    else if constexpr (std::is_same_v<W, OptionButton>)
        w = new OptionButton(parent, text, c.value != 0);
    else
        w = new W(parent, text); // Button, Frame, FileList (its pattern)
    w->setObjectName(QString::fromLatin1(c.name));
    w->setGeometry(place);
    if (c.accessibleName)
        w->setAccessibleName(QString::fromUtf8(c.accessibleName));
    switch (c.face) {
    case layout::Face::Normal:
        break;
    case layout::Face::Bold:
        w->setFont(sansFont(8.25, true));
        break;
    case layout::Face::SaveButton:
        w->setFont(sansFont(13.5, true, true));
        break;
    case layout::Face::System:
        w->setPalette(QApplication::palette());
        break;
    }
    if constexpr (std::is_same_v<W, Button>) {
        if (c.backColor)
            w->setBackColor(*c.backColor);
    }
    w->setEnabled(c.enabled);
    if (!c.visible)
        w->hide();
    return w;
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
    setFixedSize(layout::kWindowWidth, layout::kWindowHeight);
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
    QHash<QByteArray, QWidget*> containers;
    for (const layout::Control& c : layout::mainWindow()) {
        QWidget* parent = c.container ? containers.value(c.container) : this;
        QWidget* made = std::visit(
            [&](auto slot) -> QWidget* {
                using W = std::remove_pointer_t<std::remove_reference_t<decltype(f_.*slot)>>;
                W* control = makeControl<W>(parent, c, f_.svc.drives);
                f_.*slot = control;
                return control;
            },
            c.slot);
        containers.insert(c.name, made);
    }
    f_.pics->setForeColor(kOutlineWhite);
    f_.pics->setAcceptDrops(true);
    f_.pics->addBorder();
    // These labels take the size of their text at their place.
    for (const layout::Control& c : layout::mainWindow())
        if (c.autoSize)
            containers.value(c.name)->adjustSize();

    pictWindow_ = new frm_pict(this, f_.svc.screen);
    f_.frm_pict = pictWindow_;
    f_.pict = pictWindow_->pict;
}

// The one place where each control's event meets its handler.
void frm_ov_main::wireEvents() {
    MainForm& f = f_;
    f.b_exit->onClick = [this] { b_exit_Click(); };
    f.b_cut->onClick = [this] { b_cut_Click(); };
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
    // What follows a change of the shared state, whoever made it.
    connect(&f.state, &AppState::tilesetChanged, this, [this] {
        platform::guarded([this] {
            f_.b_cut->setEnabled(f_.state.sourcePicture != nullptr);
            // The open cut was for the tileset that is gone.
            if (cutDialog_)
                cutDialog_->reject();
        });
    });
    connect(&f.state, &AppState::fileCounterChanged, this, [this] {
        platform::guarded([this] {
            updateNextFileLabel();
            // SAVE or Reset moved the number while the cut is open.
            if (cutDialog_ &&
                std::min(cutDialog_->fileCounter(), int(INT16_MAX)) != f_.state.fileCounter)
                cutDialog_->setFileCounter(f_.state.fileCounter);
        });
    });
    connect(&f.state, &AppState::outputFolderChanged, this, [this] {
        platform::guarded([this] {
            if (cutDialog_)
                cutDialog_->setOutputFolder(f_.state.outputFolder);
        });
    });
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
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &frm_ov_main::b_cut_Click);
}

platform::Form& frm_ov_main::savedPicWindow() {
    if (!savedPic_) {
        savedPic_ = new frm_saved_pic(this, f_.svc.screen);
        savedPic_->onKeyPress = [this](int key) { frm_saved_pic_KeyPress(key); };
        // Where it is first made it stays; over the output options, clear of the view.
        savedPic_->move(mapToGlobal(f_.Frame1->geometry().topLeft()));
    }
    return *savedPic_;
}

view::ViewControls frm_ov_main::viewControls() {
    return {*f_.pics, *f_.HScroll1, *f_.VScroll1};
}

view::FitControls frm_ov_main::fitControls() {
    return {viewControls(), *f_.trw, *f_.trh, *f_.Label3, *f_.frm_pict, *f_.pict};
}

selection::MouseControls frm_ov_main::mouseControls() {
    return {*f_.pics, *f_.o_adjust, *f_.c_snap, *f_.Label8};
}

selection::SizeControls frm_ov_main::sizeControls() {
    return {*f_.o_16, *f_.o_32, *f_.o_64, *f_.o_custom, *f_.c_snap, *f_.trw, *f_.trh, *f_.Label3};
}

selection::CaptureControls frm_ov_main::captureControls() {
    return {*f_.pics, *f_.frm_pict, *f_.pict};
}

output::BrowserControls frm_ov_main::browserControls() {
    return {*f_.Drive1, *f_.Dir1, *f_.File1, *f_.Label7};
}

// --- The procedures several handlers share ---------------------------------

void frm_ov_main::fitViewToImage() {
    view::fitViewToImage(f_.state, fitControls());
    redrawView();
}

void frm_ov_main::redrawView() {
    view::redrawView(f_.state, viewControls());
    drawCutOverlay();
}

void frm_ov_main::updateNextFileLabel() {
    output::updateNextFileLabel(f_.state, *f_.Label7);
}

// --- Start-up and exit ---------------------------------------------------------

void frm_ov_main::Form_Load() {
    MainForm& f = f_;
    AppState& s = f.state;
    s.setStartNumber(0);
    s.setFileCounter(platform::toInt16(s.startNumber));

    // The program's folder picks the drive; where that fails, the working folder's
    // drive, and failing that the home folder's: never some other drive's root.
    const QStringList candidates{f.svc.system.appPath(), f.svc.drives.workingFolder(),
                                 f.svc.drives.homeFolder()};
    for (const QString& candidate : candidates) {
        try {
            f.Drive1->setDrive(candidate);
            f.Dir1->setPath(output::driveFolder(f.svc.drives, *f.Drive1));
            break;
        } catch (const platform::PlatformError&) {
        }
    }
    f.File1->setPath(f.Dir1->path());
    f.cmdb.initDir = f.svc.system.appPath();
    s.setOutputFolder(platform::withSeparator(f.Dir1->path()));
    s.setTileLimits(kStartTileSize, kStartTileSize);
    s.setTileSize(kStartTileSize, kStartTileSize);
    s.setViewLimits(float(f.pics->width()), float(f.pics->height()));
    updateNextFileLabel();

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

void frm_ov_main::b_cut_Click() {
    MainForm& f = f_;
    if (!f.state.sourcePicture)
        return;
    if (cutDialog_) {
        cutDialog_->raise();
        cutDialog_->activateWindow();
        return;
    }
    const AppState& s = f.state;
    const QSize tile = s.tileWidth >= 1 && s.tileHeight >= 1
                           ? QSize(int(s.tileWidth), int(s.tileHeight))
                           : QSize(int(kStartTileSize), int(kStartTileSize));
    cutDialog_ = new cut::CutDialog(
        s.sourcePicture->image(), s.fileCounter, s.outputFolder, tile, f.svc.dialogs,
        [this](const cut::Overlay& overlay) { showCutOverlay(overlay); }, this);
    cutDialog_->setSheetPath(tilesetPath_);
    cutDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the view under it still scrolls, to check the grid over the whole sheet.
    cutDialog_->setModal(false);
    connect(cutDialog_, &cut::CutDialog::written, this,
            [this] { platform::guarded([this] { cutWritten(); }); });
    // Over the output options, as the preview opens: the view and its grid stay in sight.
    cutDialog_->move(mapToGlobal(f.Frame1->geometry().topLeft()));
    cutDialog_->show();
}

void frm_ov_main::cutWritten() {
    MainForm& f = f_;
    if (!cutDialog_)
        return;
    // Whatever was written, the next number follows the last file, as SAVE leaves
    // it; past 999 the label says so as it does after SAVE's last number.
    const int next = std::min(cutDialog_->fileCounter(), int(INT16_MAX));
    f.state.setFileCounter(std::int16_t(next));
    f.File1->refresh();
}

void frm_ov_main::showCutOverlay(const cut::Overlay& overlay) {
    cutOverlay_ = overlay;
    f_.pics->refresh();
    drawCutOverlay();
}

void frm_ov_main::drawCutOverlay() {
    // The overlay lies over the view on the screen only, in the tileset's pixels
    // moved by the scroll offset; the view's image stays untouched. Only what the
    // view shows is drawn, so that scrolling stays quick on any sheet.
    if (cutOverlay_.isEmpty())
        return;
    platform::PictureBox& pics = *f_.pics;
    pics.setAutoRedraw(false);
    const QPoint offset(f_.HScroll1->value(), f_.VScroll1->value());
    const QRect shown(offset, pics.size());
    const auto draw = [&](const QRect& r) {
        const QRect v = r.translated(-offset);
        pics.lineBox(v.left(), v.top(), v.right(), v.bottom());
    };
    if (cutOverlay_.grid) {
        for (const QRect& line : cut::gridLines(*cutOverlay_.grid, shown))
            draw(line);
    }
    for (const QRect& box : cutOverlay_.boxes) {
        if (box.intersects(shown))
            draw(box);
    }
}

// --- Tileset and view -------------------------------------------------------

void frm_ov_main::tilesetImported(const QString& path) {
    tilesetPath_ = path;
    fitViewToImage();
}

void frm_ov_main::b_open_Click() {
    platform::endsSilently([&] {
        if (view::importTileset(f_.state, f_.cmdb, f_.svc.dialogs))
            tilesetImported(f_.cmdb.fileName);
    });
}

void frm_ov_main::pics_DropFile(const QString& path) {
    platform::endsSilently([&] {
        if (view::importFile(f_.state, f_.svc.dialogs, path))
            tilesetImported(path);
    });
}

void frm_ov_main::Command6_Click() {
    platform::endsWithMessage(f_.svc.dialogs, QStringLiteral("Invalid Clipboard data!"), [&] {
        if (view::pasteTileset(f_.state, f_.svc.clipboard, f_.svc.dialogs)) {
            tilesetPath_.clear();
            fitViewToImage();
        }
    });
}

void frm_ov_main::HScroll1_Change() {
    redrawView();
}
void frm_ov_main::HScroll1_Scroll() {
    redrawView();
}
void frm_ov_main::VScroll1_Change() {
    redrawView();
}
void frm_ov_main::VScroll1_Scroll() {
    redrawView();
}

// --- Selection --------------------------------------------------------------

void frm_ov_main::o_adjust_Click() {
    selection::adjustableMode(sizeControls());
}
void frm_ov_main::o_fixed_Click() {
    selection::fixedMode(sizeControls(), *f_.Label8);
}
void frm_ov_main::o_16_Click() {
    selection::presetSize(f_.state, sizeControls(), f_.svc.dialogs, 16);
}
void frm_ov_main::o_32_Click() {
    selection::presetSize(f_.state, sizeControls(), f_.svc.dialogs, 32);
}
void frm_ov_main::o_64_Click() {
    selection::presetSize(f_.state, sizeControls(), f_.svc.dialogs, 64);
}
void frm_ov_main::o_custom_Click() {
    selection::customSize(f_.state, sizeControls());
}
void frm_ov_main::trw_Change() {
    selection::widthBoxChanged(f_.state, *f_.trw);
}
void frm_ov_main::trh_Change() {
    selection::heightBoxChanged(f_.state, *f_.trh);
}

void frm_ov_main::pics_MouseDown(int button, int, double x, double y) {
    if (button != platform::LeftButton)
        return;
    redrawView(); // wipes the old outline
    selection::placeOnPress(f_.state, mouseControls(), x, y);
}

void frm_ov_main::pics_MouseMove(int button, int, double x, double y) {
    if (button != platform::LeftButton)
        return;
    selection::dragTo(f_.state, mouseControls(), x, y);
    drawCutOverlay(); // the drag's outline took the place of the old one and the overlay
}

void frm_ov_main::pics_MouseUp(int button, int, double, double) {
    if (button != platform::LeftButton)
        return;
    selection::captureSelection(f_.state, captureControls());
}

void frm_ov_main::Command4_Click() {
    platform::endsSilently([&] { selection::chooseColor(f_.cmdb, *f_.Command4, *f_.pics); });
}

// --- Output -----------------------------------------------------------------

void frm_ov_main::Text1_Change() {
    output::startNumberChanged(f_.state, *f_.Text1);
}

void frm_ov_main::Command3_Click() {
    // A start number that does not fit is not taken; the counter stays.
    platform::endsSilently([&] { output::resetCounter(f_.state, *f_.Label7); });
}

void frm_ov_main::Command2_Click() {
    MainForm& f = f_;
    if (f.c_clipb->value() == 1) {
        // Not silent: the user would paste whatever was there before.
        platform::endsWithMessage(f.svc.dialogs, QStringLiteral("Clipboard error!"), [&] {
            output::copyToClipboard(f.svc.clipboard, f.pict->image());
        });
    }
    if (f.c_file->value() != 1)
        return;
    platform::endsWithMessage(f.svc.dialogs, QStringLiteral("File error!"), [&] {
        output::saveNumbered(f.state, f.pict->image(), f.svc.dialogs, *f.Label7, *f.File1);
    });
}

void frm_ov_main::Command7_Click() {
    platform::endsSilently(
        [&] { output::saveSelectionAs(f_.cmdb, f_.svc.dialogs, f_.pict->image()); });
}

void frm_ov_main::Drive1_Change() {
    MainForm& f = f_;
    platform::endsWith(
        [&] {
            f.svc.dialogs.msgBox(QStringLiteral("Media not found!"));
            f.Drive1->setDrive(f.Dir1->path()); // runs this handler again for that drive
        },
        [&] { output::openDriveFolder(f.state, browserControls(), f.svc.drives); });
}

void frm_ov_main::Dir1_Change() {
    output::folderChanged(f_.state, browserControls());
}

void frm_ov_main::Command1_Click() {
    platform::endsWithMessage(f_.svc.dialogs, QStringLiteral("Invalid folder!"),
                              [&] { output::createFolder(f_.svc.dialogs, *f_.Dir1); });
}

void frm_ov_main::c_file_Click() {
    MainForm& f = f_;
    output::saveToFileClicked(
        *f.c_file, {*f.Text1, *f.Command1, *f.Command3, *f.Drive1, *f.Dir1, *f.File1, *f.Label7});
}

void frm_ov_main::File1_DblClick() {
    MainForm& f = f_;
    if (f.File1->fileName().isEmpty())
        return;
    platform::endsWith(
        [&] {
            f.svc.dialogs.msgBox(QStringLiteral("File error!"));
            f.File1->refresh();
        },
        [&] {
            const platform::PicturePtr picture = output::readSelectedFile(*f.File1, f.Dir1->path());
            output::showPreview(*picture, f.File1->fileName(), f.svc.screen, savedPicWindow());
        });
}

void frm_ov_main::File1_KeyPress(int keyAscii) {
    MainForm& f = f_;
    if (keyAscii != output::kBackspace || f.File1->fileName().isEmpty())
        return;
    platform::endsWithMessage(f.svc.dialogs, QStringLiteral("File error!"),
                              [&] { output::deleteSelectedFile(*f.File1, f.Dir1->path()); });
    f.File1->refresh();
}

void frm_ov_main::frm_saved_pic_KeyPress(int keyAscii) {
    if (keyAscii == output::kEscape)
        savedPicWindow().hide();
}
