#pragma once

#include "controls/form.h"

// The saved-file preview: a tool window showing one file unscaled. Esc hides it,
// its close box discards it.
class frm_saved_pic : public platform::Form {
    Q_OBJECT
public:
    frm_saved_pic(QWidget* owner, const platform::Screen& screen);
};
