#include <vector>

#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "support/test_client.h"
#include "window_fixture.h"

namespace {

constexpr COLORREF white = RGB(255, 255, 255);

// Every bitmap resource, at the size its control or menu gives it.
TEST(Pictures, EveryBitmapExistsAtItsSizeOnAWhiteBackground) {
    struct Case {
        int id, width, height;
    };
    std::vector<Case> cases;
    for (int id = 112; id <= 151; ++id) cases.push_back({id, 16, 16});
    for (int id : {112, 113, 114, 115, 118, 119}) cases[id - 112] = {id, 28, 28};
    for (int id : {117, 127, 128, 129, 130, 131, 132}) cases[id - 112] = {id, 20, 20};
    cases[116 - 112] = {116, 52, 45};
    cases[123 - 112] = {123, 230, 115};

    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bitmap " << c.id);
        HBITMAP picture = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(picture, nullptr);
        BITMAP shape{};
        GetObjectW(picture, sizeof shape, &shape);
        EXPECT_EQ(shape.bmWidth, c.width);
        EXPECT_EQ(shape.bmHeight, c.height);
        const std::vector<COLORREF> pixels = bitmap_pixels(picture);
        int drawn = 0;
        for (COLORREF pixel : pixels) drawn += pixel != white;
        EXPECT_GT(drawn, c.width * c.height / 10);  // a picture, not an empty square
        if (c.id != IDB_LOGO) {
            EXPECT_EQ(pixels.at(0), white);
        }
        DeleteObject(picture);
    }
}

// A small bitmap: `key` at the top left and on a diagonal, two other colours elsewhere.
HBITMAP pattern_bitmap(int bits, COLORREF key, bool dib_section) {
    const int width = 5, height = 3;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<RGBQUAD> pixels(width * height, RGBQUAD{200, 100, 50, 0});
    for (int i = 0; i < height; ++i) pixels[i * width + i] = RGBQUAD{GetBValue(key), GetGValue(key), GetRValue(key), 0};
    pixels[4] = RGBQUAD{1, 2, 3, 0};
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = nullptr;
    if (dib_section) {
        BITMAPINFO own = info;
        own.bmiHeader.biBitCount = static_cast<WORD>(bits);
        void* storage = nullptr;
        bitmap = CreateDIBSection(dc, &own, DIB_RGB_COLORS, &storage, nullptr, 0);
    } else {
        bitmap = CreateCompatibleBitmap(dc, width, height);
    }
    SetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return bitmap;
}

TEST(MenuBitmap, ReplacesExactlyTheTopLeftColourInACopy) {
    const COLORREF key = RGB(10, 20, 30);
    const COLORREF menu = GetSysColor(COLOR_MENU);
    ASSERT_NE(key, menu);
    struct Case {
        int bits;
        bool dib_section;
    };
    for (const Case& c : {Case{32, false}, Case{24, true}, Case{32, true}}) {
        SCOPED_TRACE(testing::Message() << c.bits << (c.dib_section ? " bit DIB section" : " bit device bitmap"));
        HBITMAP original = pattern_bitmap(c.bits, key, c.dib_section);
        ASSERT_NE(original, nullptr);
        HBITMAP copy = make_menu_bitmap(original);
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, original);
        BITMAP a{}, b{};
        GetObjectW(original, sizeof a, &a);
        GetObjectW(copy, sizeof b, &b);
        EXPECT_EQ(b.bmWidth, a.bmWidth);
        EXPECT_EQ(b.bmHeight, a.bmHeight);
        EXPECT_EQ(b.bmPlanes, a.bmPlanes);
        EXPECT_EQ(b.bmBitsPixel, a.bmBitsPixel);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const COLORREF before = bitmap_pixel(original, x, y);
                EXPECT_EQ(bitmap_pixel(copy, x, y), before == key ? menu : before) << x << "," << y;
            }
        EXPECT_EQ(bitmap_pixel(original, 0, 0), key);  // untouched
        EXPECT_EQ(bitmap_pixel(original, 4, 0), RGB(3, 2, 1));
        DeleteObject(copy);
        DeleteObject(original);
    }
    EXPECT_EQ(make_menu_bitmap(nullptr), nullptr);
}

using MenuPictures = MainWindowTest;

TEST_F(MenuPictures, ItemsShowTheirPictureOnTheMenuColour) {
    for (int command : {IDM_CONNECT, IDM_DISCONNECT, IDM_EXIT, IDM_JOIN_FAVORITE_CHANNELS, IDM_JOIN_ALL_CHANNELS,
                        IDM_USERS_IN_OUT, IDM_MESSAGES, IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND, IDM_MAIN_FEATURES,
                        IDM_SEND_MESSAGES_FILES, IDM_ABOUT, IDM_WEBSITE, IDM_PREFERENCES, IDM_FAVORITE_NICKNAMES,
                        IDM_FAVORITE_CHANNELS, IDM_ENCRYPTION_PASSWORDS, IDM_SERVERS_USER_IDS, IDM_SILENCE_ON,
                        IDM_SILENCE_OFF}) {
        SCOPED_TRACE(testing::Message() << "command " << command);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoW(client.menu, command, FALSE, &item));
        ASSERT_NE(item.hbmpChecked, nullptr);
        EXPECT_EQ(item.hbmpChecked, item.hbmpUnchecked);
        BITMAP shape{};
        GetObjectW(item.hbmpChecked, sizeof shape, &shape);
        EXPECT_EQ(shape.bmWidth, 16);
        EXPECT_EQ(shape.bmHeight, 16);
        EXPECT_EQ(bitmap_pixel(item.hbmpChecked, 0, 0), GetSysColor(COLOR_MENU));
    }
}

}  // namespace
