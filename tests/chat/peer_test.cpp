#include "chat/chat_tabs.h"
#include "chat_fixture.h"

namespace {

using Peer = ChatTest;

TEST_F(Peer, UserHostMarksCompatibleCorrespondents) {
    struct Case {
        bool check_compatible;
        const wchar_t* user_host;
        bool ready;
    } cases[] = {
        {true, L"z-zalice@host.example", true},
        {true, L"Z-Zalice@host.example", true},
        {true, L"z-z", true},
        {true, L"z-", false},
        {true, L"alice@host.example", false},
        {true, L"zz-alice@host", false},
        {true, L"~z-zalice@host", false},
        {false, L"alice@host.example", true},
    };
    const bool saved = client.check_compatible_app;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user_host);
        client.check_compatible_app = c.check_compatible;
        const int slot = open_private_chat(client, L"peer", false);
        ASSERT_GT(slot, 0);
        set_user_host(client, slot, c.user_host);
        EXPECT_STREQ(client.chats[slot].user_host, c.user_host);
        EXPECT_EQ(client.chats[slot].peer_ready, c.ready);
        close_chat(client, L"peer");
    }
    client.check_compatible_app = saved;
}

TEST_F(Peer, UserHostIgnoresChannelsServerTabAndEmptyTextAndIsCut) {
    const int channel = create_chat(client, L"#room", true);
    const int slot = open_private_chat(client, L"peer", false);
    set_user_host(client, channel, L"z-zx@y");
    set_user_host(client, 0, L"z-zx@y");
    set_user_host(client, slot, L"");
    set_user_host(client, slot, nullptr);
    set_user_host(client, 99, L"z-zx@y");
    EXPECT_STREQ(client.chats[channel].user_host, L"");
    EXPECT_STREQ(client.chats[0].user_host, L"");
    EXPECT_STREQ(client.chats[slot].user_host, L"");
    EXPECT_FALSE(client.chats[channel].peer_ready);

    set_user_host(client, slot, (L"z-z" + std::wstring(100, L'u')).c_str());
    EXPECT_EQ(std::wstring(client.chats[slot].user_host), L"z-z" + std::wstring(71, L'u'));
}

TEST_F(Peer, PeerAddressIsStoredCutAndShownOnlyForTheSelectedChat) {
    const int first = open_private_chat(client, L"first", false);
    const int second = open_private_chat(client, L"second", false);
    HWND shown = client.peer_ip_edit;
    ASSERT_NE(shown, nullptr);
    SetWindowTextW(shown, L"");
    client.current_chat = &client.chats[first];

    set_peer_ip(client, second, L"10.0.0.2");
    EXPECT_STREQ(client.chats[second].peer_ip, L"10.0.0.2");
    EXPECT_EQ(window_text(shown), L"") << "a chat not selected is not shown";
    set_peer_ip(client, first, L"127.0.0.1:8087:and-more-text");
    EXPECT_STREQ(client.chats[first].peer_ip, L"127.0.0.1:8087:and-");
    EXPECT_EQ(window_text(shown), L"127.0.0.1:8087:and-");
    set_peer_ip(client, 0, L"1.2.3.4");
    EXPECT_STREQ(client.chats[0].peer_ip, L"");
}

}  // namespace
