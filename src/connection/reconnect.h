#pragma once

class ChatClient;
struct ConnectRequest;

// A connection that ends without the user asking (the server closed it, the
// network failed, the server went silent) is started again after a growing
// wait (connection/reconnect_waits.h), with the request of the Connect that
// began it, through the same connect_and_start. The tabs stay: the channels
// are joined again in them once the new connection has registered, private
// chats stay open. Only a connection that registered starts such a series;
// the user's Disconnect or Connect, and shutdown, end it. The preference
// auto_reconnect switches it off. State of the user-interface thread.

// connect_and_start, user-interface thread: the request to repeat should this
// connection be lost. A connection not started here by a reconnect ends any
// series in progress.
void remember_connect_request(const ChatClient& client, const ConnectRequest& request);

// Receive thread, when its loop ended without being stopped: hands the end of
// the connection to the user-interface thread without waiting.
void report_connection_lost(ChatClient& client, unsigned session);

// User-interface thread: whether the current connection, ending now without
// the user asking, would be followed by a reconnect (its tabs are kept for it).
bool reconnect_follows(const ChatClient& client);

// User-interface thread: the user's Connect. Stops a pending wait and the
// watch over an attempt. True when a series was in progress (a wait, or an
// attempt not yet registered): its connection and the tabs it kept are the
// caller's to end.
bool cancel_reconnect(ChatClient& client);

// User-interface thread: the user's Disconnect, or shutdown. As
// cancel_reconnect, and the current connection's end is not followed by one.
void refuse_reconnect(ChatClient& client);

// User-interface thread: whether a wait is running, and the number of the
// attempt in progress or waited for (0 when none).
bool reconnect_waiting();
unsigned reconnect_attempt();

// Tests: shorter waits than a user gets (0 restores the usual ones).
void set_reconnect_waits(unsigned first_ms, unsigned longest_ms);
