// Pictures on the menu background: the menu item pictures and the connection
// light beside the tab list.

#include <vector>

#include "app/chat_client.h"
#include "framework/dpi.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_pictures.h"
#include "resources/resource_ids.h"

namespace {
constexpr int menu_picture_size = 16;

// Reads the bitmap as top-down 32-bit pixels; false when the system refuses.
bool read_pixels(HDC dc, HBITMAP bitmap, int width, int height, std::vector<RGBQUAD>& pixels, BITMAPINFO& info) {
    info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(width) * height, RGBQUAD{});
    return GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) == height;
}

bool same_colour(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}
}  // namespace

HBITMAP make_menu_bitmap(HBITMAP bitmap) {
    BITMAP shape{};
    if (!bitmap || !GetObjectW(bitmap, sizeof shape, &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0) return nullptr;
    const int width = shape.bmWidth, height = shape.bmHeight;
    HDC dc = GetDC(nullptr);
    std::vector<RGBQUAD> pixels;
    BITMAPINFO info;
    HBITMAP copy = nullptr;
    if (read_pixels(dc, bitmap, width, height, pixels, info)) {
        const RGBQUAD background = pixels[0];
        const COLORREF menu = GetSysColor(COLOR_MENU);
        const RGBQUAD replacement{GetBValue(menu), GetGValue(menu), GetRValue(menu), 0};
        for (RGBQUAD& pixel : pixels)
            if (same_colour(pixel, background)) pixel = replacement;
        copy = CreateBitmap(width, height, shape.bmPlanes, shape.bmBitsPixel, nullptr);
        if (copy && SetDIBits(dc, copy, 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) {
            DeleteObject(copy);
            copy = nullptr;
        }
    }
    ReleaseDC(nullptr, dc);
    return copy;
}

HBITMAP load_menu_picture(HINSTANCE instance, int id, UINT dpi) {
    HBITMAP original = load_scaled_bitmap(instance, id, dpi, menu_picture_size);
    if (!original) return nullptr;
    HBITMAP picture = make_menu_bitmap(original);
    DeleteObject(original);
    return picture;
}

void set_menu_pictures(ChatClient& client) {
    static const struct {
        int command;
        int bitmap;
    } pictures[] = {
        {IDM_CONNECT, IDB_CONNECT},
        {IDM_DISCONNECT, IDB_DISCONNECT},
        {IDM_EXIT, IDB_EXIT},
        {IDM_JOIN_FAVORITE_CHANNELS, IDB_JOIN_CHANNEL},
        {IDM_JOIN_ALL_CHANNELS, IDB_JOIN_ALL},
        {IDM_USERS_IN_OUT, IDB_USERS_IN_OUT},
        {IDM_MESSAGES, IDB_MESSAGES},
        {IDM_AUTO_PROCESS_LINKS, IDB_LINK},
        {IDM_MESSAGE_SOUND, IDB_MESSAGE_SOUND},
        {IDM_MAIN_FEATURES, IDB_MANUAL},
        {IDM_SEND_MESSAGES_FILES, IDB_MANUAL},
        {IDM_ABOUT, IDB_ABOUT},
        {IDM_WEBSITE, IDB_LINK},
        {IDM_PREFERENCES, IDB_PREFERENCES},
        {IDM_FAVORITE_NICKNAMES, IDB_FAVORITE_NICKNAMES},
        {IDM_FAVORITE_CHANNELS, IDB_FAVORITE_CHANNELS},
        {IDM_ENCRYPTION_PASSWORDS, IDB_PASSWORDS},
        {IDM_SERVERS_USER_IDS, IDB_SERVERS},
        {IDM_SILENCE_ON, IDB_SILENCE_ON},
        {IDM_SILENCE_OFF, IDB_SILENCE_OFF},
    };
    if (!client.menu) return;
    // The menu lives as long as the process; so do its pictures, each until
    // the next scale's replaces it.
    for (const auto& entry : pictures) {
        HBITMAP picture = load_menu_picture(client.instance, entry.bitmap, client.dpi);
        if (!picture) continue;
        MENUITEMINFOW before{};
        before.cbSize = sizeof before;
        before.fMask = MIIM_CHECKMARKS;
        const bool had = GetMenuItemInfoW(client.menu, entry.command, FALSE, &before) != 0;
        SetMenuItemBitmaps(client.menu, entry.command, MF_BYCOMMAND, picture, picture);
        if (had && before.hbmpChecked && before.hbmpChecked != picture) DeleteObject(before.hbmpChecked);
    }
    DrawMenuBar(client.main_window);
}

namespace {
// Made once per scale: the static control does not own its picture, and the
// light changes with every connection.
struct Lights {
    HBITMAP picture[2] = {};
    UINT dpi = 0;
};

Lights& lights() {
    static Lights made;
    return made;
}
}  // namespace

void show_connection_state(ChatClient& client, bool connected) {
    Lights& made = lights();
    if (made.dpi != client.dpi) {
        // The control shows one of the old pictures until it takes the new one.
        HBITMAP old[2] = {made.picture[0], made.picture[1]};
        made = Lights{{}, client.dpi};
        show_connection_state(client, connected);
        for (HBITMAP picture : old)
            if (picture) DeleteObject(picture);
        return;
    }
    HBITMAP& light = made.picture[connected ? 1 : 0];
    if (!light) {
        HBITMAP original =
            load_scaled_bitmap(client.instance, connected ? IDB_CONNECTED : IDB_NOT_CONNECTED, client.dpi);
        if (original) {
            light = make_menu_bitmap(original);
            DeleteObject(original);
        }
    }
    if (client.connection_image && light)
        SendMessageW(client.connection_image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(light));
}

void refresh_connection_light(ChatClient& client) {
    const HBITMAP shown = client.connection_image ? reinterpret_cast<HBITMAP>(SendMessageW(
                                                        client.connection_image, STM_GETIMAGE, IMAGE_BITMAP, 0))
                                                  : nullptr;
    show_connection_state(client, shown && shown == lights().picture[1]);
}
