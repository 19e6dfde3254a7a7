#include "transfer/transfer_status.h"

#include "app/text.h"
#include "crypto/file_crypto.h"
#include "mainwindow/main_window.h"
#include "transfer/transfer_protocol.h"

void show_transfer_status(const std::wstring& text, bool with_sound) {
    show_status_notice(file_transfer_label, text, with_sound);
}

void TransferProgress::update(unsigned long long done) {
    const ULONGLONG now = GetTickCount64();
    const bool finished = done >= total_;
    if (!finished && now - last_shown_ < transfer::progress_interval_ms) return;
    const int percent = total_ ? static_cast<int>(done * 100 / total_) : 100;
    if (finished && percent == last_percent_) return;
    last_shown_ = now;
    last_percent_ = percent;
    show_transfer_status(
        format_text(format_, name_, percent, format_byte_amount(done), format_byte_amount(total_)),
        false);
}
