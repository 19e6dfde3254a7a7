#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text.h"
#include "links/link_download.h"
#include "settings/keyword_filter.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

struct PreferenceKey {
    const char* key;
    std::atomic<bool> ChatClient::*field;
    bool default_on;
};

const PreferenceKey preference_keys[] = {
    {"allow_receive_files", &ChatClient::allow_receive_files, true},
    {"allow_open_private_chats", &ChatClient::allow_open_private_chats, true},
    {"reply_away_message", &ChatClient::reply_away_message, false},
    {"show_rejected_message", &ChatClient::show_rejected_message, false},
    {"check_compatible_app", &ChatClient::check_compatible_app, true},
    {"enable_sounds_app", &ChatClient::enable_sounds_app, true},
    {"save_log_file", &ChatClient::save_log_file, true},
    {"enable_http_open", &ChatClient::enable_http_open, true},
    {"enable_https_only", &ChatClient::enable_https_only, true},
    {"enable_http_prc_images", &ChatClient::enable_http_prc_images, true},
    {"enable_http_prc_videos", &ChatClient::enable_http_prc_videos, false},
    {"enable_http_prc_web_pages", &ChatClient::enable_http_prc_web_pages, false},
    {"auto_reconnect", &ChatClient::auto_reconnect, true},
};

void set_every_preference(ChatClient& client, bool on) {
    for (const PreferenceKey& p : preference_keys) client.*p.field = on;
}

TEST(Preferences, NoFileGivesEveryDefault) {
    for (bool with_folder : {false, true}) {
        SCOPED_TRACE(with_folder ? "empty Settings folder" : "no Settings folder");
        SettingsFolder settings(with_folder);
        ChatClient& client = settings.client;
        StandInControl filter_box(client.filter_users_check, L"BUTTON", BS_AUTOCHECKBOX);
        for (bool before : {true, false}) {
            set_every_preference(client, before);
            copy_text(client.msg_dont_allow_open_private_chats, L"old text");
            copy_text(client.nicknames_keywords_filter, L"old words");
            client.filter_keywords = {"old"};
            EnableWindow(filter_box.window, TRUE);
            load_settings(client, SettingsGroup::preferences);
            for (const PreferenceKey& p : preference_keys) EXPECT_EQ(client.*p.field, p.default_on) << p.key;
            EXPECT_STREQ(client.msg_dont_allow_open_private_chats, L"Sorry, I don't accept private chats now");
            EXPECT_STREQ(client.nicknames_keywords_filter, L"");
            EXPECT_TRUE(client.filter_keywords.empty());
            EXPECT_FALSE(IsWindowEnabled(filter_box.window));
        }
        EXPECT_FALSE(read_random_nickname(client));
    }
}

TEST(Preferences, EachKeyReadsWithItsOwnRule) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    // Every switch stored as its opposite: all of them move.
    std::string ini = "[preferences]\r\n";
    for (const PreferenceKey& p : preference_keys) ini += std::string(p.key) + (p.default_on ? "=false\r\n" : "=true\r\n");
    settings.write_ini(ini);
    load_settings(client, SettingsGroup::preferences);
    for (const PreferenceKey& p : preference_keys) EXPECT_EQ(client.*p.field, !p.default_on) << p.key;

    // Capitals keep the default; a prefix decides.
    settings.write_ini(
        "[preferences]\r\nallow_receive_files=FALSE\r\nenable_http_prc_videos=true1\r\n"
        "save_log_file=falsely\r\nreply_away_message=TRUE\r\nrandom_nickname=true1\r\n");
    load_settings(client, SettingsGroup::preferences);
    EXPECT_TRUE(client.allow_receive_files);
    EXPECT_TRUE(client.enable_http_prc_videos);
    EXPECT_FALSE(client.save_log_file);
    EXPECT_FALSE(client.reply_away_message);
    EXPECT_FALSE(read_random_nickname(client));

    settings.write_ini("[preferences]\r\nallow_receive_files=false\r\n");
    load_settings(client, SettingsGroup::preferences);
    EXPECT_FALSE(client.allow_receive_files);

    // Settings.ini alone lets link downloads reach this machine and its network.
    for (const char* value : {"true", "TRUE", ""}) {
        settings.write_ini(std::string("[preferences]\r\nallow_local_link_downloads=") + value + "\r\n");
        load_settings(client, SettingsGroup::preferences);
        EXPECT_EQ(local_link_downloads_allowed(), std::string(value) == "true") << value;
    }
}

TEST(Preferences, TextsAreTakenAsTheyAreAndCutToTheirFields) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("[preferences]\r\nmsg_dont_allow_open_private_chats=Busy %s%d%n, back at 5\r\n");
    load_settings(client, SettingsGroup::preferences);
    EXPECT_STREQ(client.msg_dont_allow_open_private_chats, L"Busy %s%d%n, back at 5");

    settings.write_ini("[preferences]\r\n" + repeated_value_line("msg_dont_allow_open_private_chats", 'm', 500) +
                       repeated_value_line("nicknames_keywords_filter", 'k', 700));
    load_settings(client, SettingsGroup::preferences);
    EXPECT_EQ(std::wstring(client.msg_dont_allow_open_private_chats), std::wstring(99, L'm'));
    EXPECT_EQ(std::wstring(client.nicknames_keywords_filter), std::wstring(255, L'k'));
    ASSERT_EQ(client.filter_keywords.size(), 1u);
    EXPECT_EQ(client.filter_keywords[0], std::string(255, 'k'));
}

TEST(KeywordFilter, SplitsAtSpacesKeepingOrder) {
    const struct {
        const wchar_t* text;
        std::vector<std::string> keywords;
    } cases[] = {
        {L"", {}},
        {L"     ", {}},
        {L"alpha", {"alpha"}},
        {L"alpha beta", {"alpha", "beta"}},
        {L"alpha  beta", {"alpha", "beta"}},
        {L"   lead trail   ", {"lead", "trail"}},
        {L"c b a b", {"c", "b", "a", "b"}},
        // As UTF-8, like the user lists they are matched against.
        {L"caf\u00e9 na\u00efve", {"caf\xC3\xA9", "na\xC3\xAFve"}},
        {L"\u0416\u043e\u0440 \u738b", {"\xD0\x96\xD0\xBE\xD1\x80", "\xE7\x8E\x8B"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << std::wstring(c.text) << "\"");
        EXPECT_EQ(split_keywords(c.text), c.keywords);
    }
}

TEST(KeywordFilter, ReloadRebuildsTheListAndTheFilterBox) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    StandInControl filter_box(client.filter_users_check, L"BUTTON", BS_AUTOCHECKBOX);
    const struct {
        const char* stored;
        std::vector<std::string> keywords;
    } cases[] = {
        {"nicknames_keywords_filter=one", {"one"}},
        {"nicknames_keywords_filter=one  two", {"one", "two"}},
        {"nicknames_keywords_filter=", {}},
        {"nicknames_keywords_filter=\"  padded   words \"", {"padded", "words"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.write_ini(std::string("[preferences]\r\n") + c.stored + "\r\n");
        load_settings(client, SettingsGroup::preferences);
        EXPECT_EQ(client.filter_keywords, c.keywords);
        EXPECT_EQ(filter_keywords_copy(client), c.keywords);
        EXPECT_EQ(IsWindowEnabled(filter_box.window) != FALSE, !c.keywords.empty());
    }
}

}  // namespace
