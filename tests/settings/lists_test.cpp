#include <gtest/gtest.h>

#include <string>

#include "app/text.h"
#include "settings/server_defaults.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

void fill_every_list(ChatClient& client) {
    for (int n = 1; n <= 15; ++n) {
        copy_text(client.favorite_channels[n].name, L"oldchannel");
        copy_text(client.favorite_channels[n].password, L"oldpassword");
        client.favorite_channels[n].autojoin = true;
        copy_text(client.servers[n].name, L"old.server");
        copy_text(client.servers[n].port, L"1");
        copy_text(client.servers[n].nickname, L"oldnick");
        copy_text(client.servers[n].username, L"olduser");
        copy_text(client.favorite_nicknames[n].nickname, L"oldfavourite");
    }
    client.check_nicknames_online_time = true;
}

TEST(NumberedLists, MissingFileEmptiesEverySlot) {
    SettingsFolder settings(false);
    ChatClient& client = settings.client;
    fill_every_list(client);
    load_settings(client, SettingsGroup::channels);
    load_settings(client, SettingsGroup::servers);
    load_settings(client, SettingsGroup::favorite_nicknames);
    for (int n = 1; n <= 15; ++n) {
        EXPECT_STREQ(client.favorite_channels[n].name, L"") << n;
        EXPECT_STREQ(client.favorite_channels[n].password, L"") << n;
        EXPECT_FALSE(client.favorite_channels[n].autojoin) << n;
        EXPECT_STREQ(client.servers[n].name, L"") << n;
        EXPECT_STREQ(client.servers[n].port, L"") << n;
        EXPECT_STREQ(client.servers[n].nickname, L"") << n;
        EXPECT_STREQ(client.servers[n].username, L"") << n;
        EXPECT_STREQ(client.favorite_nicknames[n].nickname, L"") << n;
    }
    EXPECT_FALSE(client.check_nicknames_online_time);

    // Writing does not create the missing folder.
    write_setting(client, L"channels", L"channel_name_1", L"quiet");
    EXPECT_EQ(GetFileAttributesW((settings.folder + L"Settings").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(read_setting(client, L"channels", L"channel_name_1"), L"");
}

TEST(NumberedLists, SlotsKeepTheirNumbers) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    fill_every_list(client);
    settings.write_ini(
        "[channels]\r\nchannel_name_5=quiet\r\nchannel_password_5=sesame77\r\nchannel_autojoin_5=true\r\n"
        "channel_name_15=last\r\nchannel_autojoin_15=TRUE\r\n"
        "[servers]\r\nserver_name_7=irc.test.local\r\nserver_port_7=6667\r\nserver_nickname_7=walrus\r\n"
        "server_username_7=tusker\r\n"
        "[nicknames_favorite]\r\nnickname_favorite_15=Seventh\r\ncheck_nicknames_online_time=true\r\n");
    load_settings(client, SettingsGroup::channels);
    load_settings(client, SettingsGroup::servers);
    load_settings(client, SettingsGroup::favorite_nicknames);
    for (int n = 1; n <= 15; ++n) {
        SCOPED_TRACE(n);
        EXPECT_STREQ(client.favorite_channels[n].name, n == 5 ? L"quiet" : n == 15 ? L"last" : L"");
        EXPECT_STREQ(client.favorite_channels[n].password, n == 5 ? L"sesame77" : L"");
        EXPECT_EQ(client.favorite_channels[n].autojoin, n == 5);
        EXPECT_STREQ(client.servers[n].name, n == 7 ? L"irc.test.local" : L"");
        EXPECT_STREQ(client.servers[n].port, n == 7 ? L"6667" : L"");
        EXPECT_STREQ(client.servers[n].nickname, n == 7 ? L"walrus" : L"");
        EXPECT_STREQ(client.servers[n].username, n == 7 ? L"tusker" : L"");
        EXPECT_STREQ(client.favorite_nicknames[n].nickname, n == 15 ? L"Seventh" : L"");
    }
    EXPECT_TRUE(client.check_nicknames_online_time);
}

TEST(NumberedLists, HandEditedValuesAreCutToTheirFields) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("[channels]\r\n" + repeated_value_line("channel_name_1", 'c', 600) +
                       repeated_value_line("channel_password_1", 'p', 300) + "[servers]\r\n" +
                       repeated_value_line("server_name_15", 's', 300) + "server_port_15=123456\r\n" +
                       repeated_value_line("server_nickname_15", 'n', 100) +
                       repeated_value_line("server_username_15", 'u', 40) + "[nicknames_favorite]\r\n" +
                       repeated_value_line("nickname_favorite_1", 'f', 90));
    load_settings(client, SettingsGroup::channels);
    load_settings(client, SettingsGroup::servers);
    load_settings(client, SettingsGroup::favorite_nicknames);
    EXPECT_EQ(std::wstring(client.favorite_channels[1].name), std::wstring(204, L'c'));
    EXPECT_EQ(std::wstring(client.favorite_channels[1].password), std::wstring(63, L'p'));
    EXPECT_EQ(std::wstring(client.servers[15].name), std::wstring(63, L's'));
    EXPECT_STREQ(client.servers[15].port, L"1234");
    EXPECT_EQ(std::wstring(client.servers[15].nickname), std::wstring(34, L'n'));
    EXPECT_EQ(std::wstring(client.servers[15].username), std::wstring(10, L'u'));
    EXPECT_EQ(std::wstring(client.favorite_nicknames[1].nickname), std::wstring(34, L'f'));
}

TEST(NumberedLists, AnOnlineMarkDoesNotOutliveItsNickname) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("[nicknames_favorite]\r\nnickname_favorite_1=Kestrel\r\nnickname_favorite_2=Osprey\r\n");
    load_settings(client, SettingsGroup::favorite_nicknames);
    client.favorite_nicknames[1].online = client.favorite_nicknames[2].online = true;
    settings.write_ini("[nicknames_favorite]\r\nnickname_favorite_1=Kestrel\r\nnickname_favorite_2=Harrier\r\n");
    load_settings(client, SettingsGroup::favorite_nicknames);
    EXPECT_TRUE(client.favorite_nicknames[1].online);
    EXPECT_FALSE(client.favorite_nicknames[2].online);
}

namespace {
// The shared client's identity, put back after a test that changes it.
struct SavedIdentity {
    std::wstring host, port, nickname, username;
    explicit SavedIdentity(const ConnectionParams& c) : host(c.host), port(c.port), nickname(c.nickname), username(c.username) {}
    void restore(ConnectionParams& c) const {
        c.host = host;
        c.port = port;
        c.nickname = nickname;
        c.username = username;
    }
};
}  // namespace

TEST(ServerDefaults, WrittenOnRegistrationAndReloadedWhereStored) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    const SavedIdentity saved(client.connection);
    settings.write_ini("");
    client.connection.host = L"irc.test.local";
    client.connection.port = L"6667";
    client.connection.nickname = L"walrus";
    client.connection.username = L"tusker";
    client.connection.tls = false;
    write_server_defaults(client);
    // A user who never connects with TLS finds no TLS key in the file.
    EXPECT_EQ(read_setting(client, L"servers", L"server_tls_default"), L"");
    client.connection.tls = true;
    write_server_defaults(client);
    EXPECT_TRUE(read_server_defaults(client).tls);
    client.connection.tls = false;
    write_server_defaults(client);
    EXPECT_EQ(read_setting(client, L"servers", L"server_tls_default"), L"false");

    for (SharedText* field : {&client.connection.host, &client.connection.port, &client.connection.nickname,
                              &client.connection.username})
        *field = L"x";
    load_settings(client, SettingsGroup::server_defaults);
    EXPECT_EQ(client.connection.host, L"irc.test.local");
    EXPECT_EQ(client.connection.port, L"6667");
    EXPECT_EQ(client.connection.nickname, L"walrus");
    EXPECT_EQ(client.connection.username, L"tusker");

    // A missing or empty key leaves the value in memory.
    settings.write_ini("[servers]\r\nserver_name_default=other.test.local\r\nserver_port_default=\r\n");
    load_settings(client, SettingsGroup::server_defaults);
    EXPECT_EQ(client.connection.host, L"other.test.local");
    EXPECT_EQ(client.connection.port, L"6667");
    EXPECT_EQ(client.connection.nickname, L"walrus");
    ServerDefaults stored = read_server_defaults(client);
    EXPECT_EQ(stored.host, L"other.test.local");
    EXPECT_EQ(stored.port, L"");
    EXPECT_EQ(stored.nickname, L"");
    saved.restore(client.connection);
}

TEST(ServerDefaults, LongValuesAreCutWhenWrittenAndWhenRead) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    const SavedIdentity saved(client.connection);
    settings.write_ini("");
    client.connection.host = std::wstring(300, L'h');
    client.connection.port = std::wstring(200, L'9');
    client.connection.nickname = std::wstring(200, L'n');
    client.connection.username = std::wstring(200, L'u');
    write_server_defaults(client);
    EXPECT_EQ(read_setting(client, L"servers", L"server_name_default"), std::wstring(127, L'h'));
    EXPECT_EQ(read_setting(client, L"servers", L"server_username_default"), std::wstring(127, L'u'));
    ServerDefaults stored = read_server_defaults(client);
    EXPECT_EQ(stored.host, std::wstring(63, L'h'));
    EXPECT_EQ(stored.port, L"9999");
    EXPECT_EQ(stored.nickname, std::wstring(34, L'n'));
    EXPECT_EQ(stored.username, std::wstring(10, L'u'));
    saved.restore(client.connection);
}

TEST(SettingsFile, PathIsBesideTheProgramOrNowhere) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    EXPECT_EQ(settings_file_path(client), settings.folder + L"Settings\\Settings.ini");
    const struct {
        std::wstring folder;
        std::wstring path;
    } cases[] = {
        {L"C:\\Program\\", L"C:\\Program\\Settings\\Settings.ini"},
        {L"C:\\Program", L"C:\\Program\\Settings\\Settings.ini"},
        {L"\\\\host\\share\\q\\", L"\\\\host\\share\\q\\Settings\\Settings.ini"},
        {L"", L""},
        {L"Program\\", L""},
        {L"\\Program\\", L""},
        {L"C:Program\\", L""},
        {L"C:\\" + std::wstring(234, L'd') + L"\\", L"C:\\" + std::wstring(234, L'd') + L"\\Settings\\Settings.ini"},
        {L"C:\\" + std::wstring(235, L'd') + L"\\", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.folder << "\"");
        copy_text(client.app_folder, c.folder.c_str());
        EXPECT_EQ(settings_file_path(client), c.path);
    }
}

TEST(SettingsFile, WrittenValuesReadBackUnchanged) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("");
    const struct {
        std::wstring written;
        std::wstring read;
    } cases[] = {
        {L"plain", L"plain"},
        {L"", L""},
        {L" leading blank", L" leading blank"},
        {L"trailing blank ", L"trailing blank "},
        {L"\"quoted\"", L"\"quoted\""},
        {L"'single'", L"'single'"},
        {L"\"", L"\""},
        {L"in\"side", L"in\"side"},
        {L"semi;colon = equals", L"semi;colon = equals"},
        {L"first line\r\nsecond=line", L"first line"},
        {L"first line\nsecond", L"first line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.written << "\"");
        write_setting(client, L"channels", L"channel_password_2", c.written);
        EXPECT_EQ(read_setting(client, L"channels", L"channel_password_2"), c.read);
    }
}

TEST(SettingsFile, ALineBreakInAValueCannotAddKeys) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("");
    write_setting(client, L"channels", L"channel_name_1", L"x\r\n[passwords]\r\nuser_password_1=planted");
    write_setting(client, L"servers", L"server_name_1", L"y\n[passwords]\nuser_password_2=planted");
    load_settings(client, SettingsGroup::passwords);
    load_settings(client, SettingsGroup::channels);
    EXPECT_STREQ(client.favorite_channels[1].name, L"x");
    EXPECT_EQ(read_setting(client, L"passwords", L"user_password_1"), L"");
    EXPECT_EQ(read_setting(client, L"passwords", L"user_password_2"), L"");
    EXPECT_EQ(client.encryption_passwords[1][0], 0);
    EXPECT_EQ(client.encryption_passwords[2][0], 0);
}

}  // namespace
