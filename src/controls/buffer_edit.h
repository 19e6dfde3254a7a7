#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/subclassed_window.h"

// A chat buffer: the read-only RICHEDIT50W control of one chat slot.
class BufferEdit : public SubclassedWindow {
public:
    int slot = 0;
    HINSTANCE instance = nullptr;
    // Called before the control answers a question about its text, selection,
    // lines or formats, so that text still on its way is in it by then.
    std::function<void()> before_read;

    // The text selected when the context menu opened; its items act on this.
    std::wstring selection;

    explicit BufferEdit(int slot) : slot(slot) {}
    ~BufferEdit() override;
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override;

    // Destroys the control and its object. While one of the control's own
    // messages is being handled (its read hook runs the queue, whose tasks
    // may close or renew this chat; its menu opens a chat), both live on,
    // hidden and without a control id, until that handler returns: the
    // handler goes on with a valid object and window. `successor`: the
    // control that took its place (renew_buffer); a read that was waiting
    // for the queue is answered from the chat's buffer of now, however many
    // renewals came since (none once the chat is closed).
    static void retire(std::unique_ptr<BufferEdit> buffer, HWND successor = nullptr);

    // Copies the selected text into `selection`; false (and no menu) when
    // nothing is selected or more than selection_limit characters are.
    bool capture_selection();
    // The context menu with its pictures; the caller destroys the menu, then
    // the pictures.
    HMENU build_context_menu(std::vector<HBITMAP>& pictures) const;
    // A menu item chosen (ids 10 to 17); other ids do nothing.
    void run_menu_item(int id);

private:
    LRESULT respond(HWND control, UINT message, WPARAM wparam, LPARAM lparam);
    void show_context_menu(LPARAM screen_point);
    void destroy_now();

    int handling_ = 0;  // own messages being handled, nested
    bool retired_ = false;
    // The chat's buffer of now, shared by every control that renewals put in
    // its place: a successor may itself be renewed and destroyed before the
    // read that waited on the queue is answered.
    std::shared_ptr<HWND> current_ = std::make_shared<HWND>(nullptr);
};

constexpr size_t selection_limit = 4095;
// Nicknames for the menu's first four items.
constexpr size_t nickname_selection_limit = 34;

// Creates the control as a child of `parent` with the given control id
// (200 + 2 x slot), in `place`, shown or hidden, and subclasses it; nullptr when
// the system refuses the control.
std::unique_ptr<BufferEdit> create_buffer_edit(int control_id, HWND parent, HINSTANCE instance, const RECT& place,
                                               bool visible);
