#pragma once

#include "output/message_box.h"

// Message boxes shown with QMessageBox. The style picks the icon: 16 error, 32 question,
// 48 warning, 64 information, anything else none.
// The title is the application's name; the box has no owner window and waits for the user.
class QtMessageBox : public MessageBox {
public:
    void Show(const std::string& text, int32_t style) override;
};
