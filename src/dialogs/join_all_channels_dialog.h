#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "dialogs/dialog_controls.h"
#include "dialogs/directory_view.h"

// "Join  channel (all channels)" (template 203): the server's channel list in
// a virtual list view (it asks only for the cells it draws, so thousands of
// rows cost nothing to show), sorted by column, searched, cached per server.
class JoinAllChannelsDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

    // Shows the rows of channel_directory that hold `search` (UTF-8, empty
    // for all); returns the number of rows in channel_directory (0: nothing
    // shown or changed).
    int show_directory(const std::string& search);
    // end_directory_listing: the rows are complete.
    void listing_ended();

    // The open dialog's window (nullptr while closed) and what it shows.
    HWND window() const { return window_; }
    const DirectoryView& view() const { return view_; }
    bool busy() const { return busy_; }

private:
    void open(HWND dialog);
    void offer_cached_servers(HWND dialog);
    bool handle_command(int id, int code);
    bool handle_notify(const NMHDR& header, LRESULT& result);
    void update_list();
    void choose_server();
    void sort_column(int column);
    void join_selected();
    void copy_selected(int column);
    void show_row_menu();
    void set_waiting(bool waiting);
    // A listing asked for on a connection since replaced never ends: it
    // holds nothing up on the next one.
    void end_lost_listing();
    void release_resources();
    // The header's font and the pictures for the dialog's scale `dpi`; the
    // columns keep the widths they had, in proportion.
    void scale_to(UINT dpi);

    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    HWND list_view_ = nullptr;
    bool connected_at_open_ = false;
    int selected_row_ = -1;
    // A listing or a cache load is on its way: the rows are not complete.
    bool busy_ = false;
    unsigned listing_session_ = 0;  // the connection that was asked for the listing
    DirectoryView view_;
    HFONT header_font_ = nullptr;
    HBITMAP clear_picture_ = nullptr, join_picture_ = nullptr, copy_picture_ = nullptr;

    // Shared by all columns: the first click sorts ascending, the next
    // (on any column) descending.
    static bool sort_ascending_next;
};
