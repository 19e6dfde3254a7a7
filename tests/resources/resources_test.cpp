#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Every test executable carries quillmere.rc, so this process runs with the
// program's manifest and version resource: what they change can be asked here.

namespace {

std::wstring own_path() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The file's version resource, or an empty block when it has none.
std::vector<BYTE> version_block(const std::wstring& file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) block.clear();
    return block;
}

std::wstring version_string(std::vector<BYTE>& block, const wchar_t* name) {
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"";
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

std::wstring widen(const char* text) { return std::wstring(text, text + strlen(text)); }

}  // namespace

TEST(VersionResource, NamesTheProductAndTheProjectVersionInTextAndNumbers) {
    std::vector<BYTE> block = version_block(own_path());
    ASSERT_FALSE(block.empty()) << "no version resource";
    EXPECT_EQ(version_string(block, L"ProductName"), L"Quillmere");
    EXPECT_EQ(version_string(block, L"OriginalFilename"), L"Quillmere.exe");
    EXPECT_EQ(version_string(block, L"FileVersion"), widen(QUILLMERE_PROJECT_VERSION));
    EXPECT_EQ(version_string(block, L"ProductVersion"), widen(QUILLMERE_PROJECT_VERSION));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    wchar_t numbers[64];
    swprintf(numbers, 64, L"%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, widen(QUILLMERE_PROJECT_VERSION)) << "the numbers Explorer sorts by";
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST(Manifest, BringsTheVersionSixCommonControls) {
    // A message that only the version 6 button answers (the one that draws
    // visual styles); the version 5 button ignores it.
    HWND button = CreateWindowW(L"BUTTON", L"Connect", WS_POPUP | BS_PUSHBUTTON, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    SIZE ideal{};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
    DestroyWindow(button);
}

TEST(Manifest, AsksNoElevationDrawsAtEachScreensScaleAndNamesWindowsTen) {
    // Neither is visible under Wine (no UAC; every process reports DPI
    // awareness), so the embedded text itself is read.
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    std::string manifest(text, SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << "Windows 8.1 reads only this";
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos)
        << "without Windows 10 listed, Windows 10 and 11 report themselves as 8";
}
