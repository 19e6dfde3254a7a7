#pragma once
#include "framework/dialog.h"

class AboutDialog : public Dialog {
public:
    using Dialog::Dialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;
};
