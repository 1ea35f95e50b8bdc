#include "frm_saved_pic.h"

frm_saved_pic::frm_saved_pic(QWidget* owner, const platform::Screen& screen)
    : platform::Form(owner, screen,
                     Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frm_saved_pic"));
    setAccessibleName(QStringLiteral("Saved file preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(277, 208); // 4155 x 3120 twips
}
