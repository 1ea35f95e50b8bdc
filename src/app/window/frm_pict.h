#pragma once

#include "controls/form.h"

namespace platform {
class PictureBox;
}

// "Selection view": a tool window in front of the main window, holding the last
// capture in its picture box. It has no close box and lives as long as the program.
class frm_pict : public platform::Form {
    Q_OBJECT
public:
    frm_pict(QWidget* owner, const platform::Screen& screen);

    platform::PictureBox* pict;

protected:
    // A window manager may still offer to close it (Alt+F4); the capture has
    // nowhere else to live, so the window stays.
    void closeEvent(QCloseEvent* event) override;
};
