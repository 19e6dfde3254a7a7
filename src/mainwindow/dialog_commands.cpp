#include <memory>

#include "app/chat_client.h"
#include "dialogs/change_topic_dialog.h"
#include "dialogs/join_all_channels_dialog.h"
#include "dialogs/join_channels_dialog.h"
#include "dialogs/manual_dialogs.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "dialogs/settings_dialogs.h"
#include "mainwindow/command_groups.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {
// Each dialog object is made on its first showing and kept for the run, so
// that what it keeps between showings (the directory's rows on screen, the
// sort direction) survives.
template <class Kind>
Dialog& client_dialog(ChatClient& client, std::unique_ptr<Dialog>& slot, int template_id) {
    if (!slot) slot = std::make_unique<Kind>(client.instance, template_id, client.main_window, client);
    return *slot;
}

template <class Kind>
Dialog& plain_dialog(ChatClient& client, std::unique_ptr<Dialog>& slot, int template_id) {
    if (!slot) slot = std::make_unique<Kind>(client.instance, template_id, client.main_window);
    return *slot;
}

bool selected_chat_is_channel(const ChatClient& client) {
    return client.current_chat && client.current_chat->in_use && client.current_chat->is_channel;
}
}  // namespace

bool handle_dialog_command(ChatClient& client, int id, int, HWND) {
    switch (id) {
    case IDM_ENCRYPTION_PASSWORDS:
        client_dialog<PasswordsDialog>(client, client.passwords_dialog, IDD_PASSWORDS).show();
        return true;
    case IDM_FAVORITE_CHANNELS:
        client_dialog<ChannelsDialog>(client, client.channels_dialog, IDD_CHANNELS).show();
        return true;
    case IDM_SERVERS_USER_IDS:
        client_dialog<ServersNicknamesDialog>(client, client.servers_nicknames_dialog, IDD_SERVERS_NICKNAMES).show();
        return true;
    case IDM_PREFERENCES:
        client_dialog<PreferencesDialog>(client, client.preferences_dialog, IDD_PREFERENCES).show();
        return true;
    case IDM_JOIN_FAVORITE_CHANNELS:
        client_dialog<JoinChannelsDialog>(client, client.join_channels_dialog, IDD_JOIN_CHANNELS).show();
        return true;
    case IDM_JOIN_ALL_CHANNELS:
        client_dialog<JoinAllChannelsDialog>(client, client.join_all_channels_dialog, IDD_JOIN_ALL_CHANNELS).show();
        return true;
    case IDM_CHANGE_TOPIC:
        // The menu item is greyed elsewhere; a topic belongs to a channel.
        if (selected_chat_is_channel(client))
            client_dialog<ChangeTopicDialog>(client, client.change_topic_dialog, IDD_CHANGE_TOPIC).show();
        return true;
    case IDC_NICKNAMES_ONLINE:
        EnableWindow(client.nicknames_online_button, FALSE);
        [[fallthrough]];
    case IDM_FAVORITE_NICKNAMES:
        client_dialog<NicknamesFavoritesDialog>(client, client.nicknames_favorites_dialog, IDD_FAVORITE_NICKNAMES)
            .show();
        return true;
    case IDM_MAIN_FEATURES:
        plain_dialog<ManualFeaturesDialog>(client, client.manual_features_dialog, IDD_MAIN_FEATURES).show();
        return true;
    case IDM_SEND_MESSAGES_FILES:
        plain_dialog<ManualProceduresDialog>(client, client.manual_procedures_dialog, IDD_SEND_PROCEDURES).show();
        return true;
    default:
        return false;
    }
}
