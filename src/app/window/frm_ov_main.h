#pragma once

#include "frm_saved_pic.h"
#include "mainform.h"

#include "cut/cutdialog.h"
#include "cut/overlay.h"

#include "controls/form.h"

#include <QPointer>

class frm_pict;

namespace view {
struct FitControls;
struct ViewControls;
} // namespace view
namespace selection {
struct CaptureControls;
struct MouseControls;
struct SizeControls;
} // namespace selection
namespace output {
struct BrowserControls;
} // namespace output

// The main window: it owns the shared state and the controls, and runs each
// control's event as the handler that owns it, giving the parts only the
// controls they touch.
class frm_ov_main : public platform::Form {
    Q_OBJECT
public:
    explicit frm_ov_main(Services services);
    ~frm_ov_main() override;

    // The whole record, for tests that look inside the window.
    MainForm& form() { return f_; }
    frm_saved_pic* previewWindow() const { return savedPic_; }

    // The procedures several handlers share.
    void fitViewToImage();
    // The tileset was imported from `path` outside the window's own controls (the
    // file named at start-up): as after "Import Tileset", the view fits it and a
    // cut names it as the sheet.
    void tilesetImported(const QString& path);
    // The file the tileset came from; empty for a pasted one.
    const QString& tilesetPath() const { return tilesetPath_; }
    void redrawView();
    void updateNextFileLabel();

    void Form_Load();
    void Form_Unload();
    void b_exit_Click();
    void b_cut_Click();
    void Command5_Click();
    void b_open_Click();
    void Command6_Click();
    void pics_DropFile(const QString& path);
    void HScroll1_Change();
    void HScroll1_Scroll();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void o_adjust_Click();
    void o_fixed_Click();
    void o_16_Click();
    void o_32_Click();
    void o_64_Click();
    void o_custom_Click();
    void trw_Change();
    void trh_Change();
    void pics_MouseDown(int button, int shift, double x, double y);
    void pics_MouseMove(int button, int shift, double x, double y);
    void pics_MouseUp(int button, int shift, double x, double y);
    void Command4_Click();
    void Text1_Change();
    void Command3_Click();
    void Command2_Click();
    void Command7_Click();
    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void c_file_Click();
    void File1_DblClick();
    void File1_KeyPress(int keyAscii);
    void frm_saved_pic_KeyPress(int keyAscii);

private:
    void buildControls();
    void wireEvents();
    void addShortcuts();
    void placeSelectionView();
    void showCutOverlay(const cut::Overlay& overlay);
    void drawCutOverlay();
    void cutWritten();
    platform::Form& savedPicWindow();

    view::ViewControls viewControls();
    view::FitControls fitControls();
    selection::MouseControls mouseControls();
    selection::SizeControls sizeControls();
    selection::CaptureControls captureControls();
    output::BrowserControls browserControls();

    MainForm f_;
    frm_pict* pictWindow_ = nullptr;
    QPointer<frm_saved_pic> savedPic_;
    // Cut all... stays open beside the window, which can still be scrolled under it.
    QPointer<cut::CutDialog> cutDialog_;
    cut::Overlay cutOverlay_;
    // The file the tileset came from; empty for a pasted one.
    QString tilesetPath_;
};
