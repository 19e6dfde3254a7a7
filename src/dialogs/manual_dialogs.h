#pragma once
#include "framework/dialog.h"

// "Main Features" (template 206) and "Send Encrypted Messages and Files"
// (template 207): fixed help texts; Close (1) or Escape ends them.
class ManualDialog : public Dialog {
public:
    using Dialog::Dialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    HBITMAP uses_ = nullptr, not_uses_ = nullptr;
};

class ManualFeaturesDialog : public ManualDialog {
public:
    using ManualDialog::ManualDialog;
};

class ManualProceduresDialog : public ManualDialog {
public:
    using ManualDialog::ManualDialog;
};
