#pragma once

#include "app/mainform.h"
#include "platform/form.h"

#include <QPointer>

class frm_pict;
#include "frm_saved_pic.h"

// The main window: it holds the shared state and the controls, and routes each
// control's event to the handler that owns it.
class frm_ov_main : public platform::Form {
    Q_OBJECT
public:
    explicit frm_ov_main(Services services);
    ~frm_ov_main() override;

    MainForm& form() { return f_; }
    frm_pict* selectionView() const { return pictWindow_; }
    frm_saved_pic* previewWindow() const { return savedPic_; }

    void Form_Load();
    void Form_Unload();
    void b_exit_Click();
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
    platform::Form* savedPicWindow();

    MainForm f_;
    frm_pict* pictWindow_ = nullptr;
    QPointer<frm_saved_pic> savedPic_;
};
