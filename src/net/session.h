#pragma once

// Each connection is a session with a number. The threads that work for one
// (the receive thread and what it starts) are bound to its number; the tasks
// they hand to the user-interface thread are dropped once a newer session has
// begun, so that a replaced connection's late work never acts on the current
// one. Their text is not: a line already received (the server's parting
// ERROR, a flood's backlog) is still shown in its chat, if that chat is open.

// User-interface thread: a new connection (or the end of the last one)
// replaces the current session. Returns the new number.
unsigned begin_session();

// The number of the current session.
unsigned current_session();

// Binds the calling thread to a session (0 unbinds it).
void bind_thread_to_session(unsigned session);

// The session the calling thread works for; 0 when it works for none (the
// user-interface thread, tests, tools).
unsigned thread_session();

// True when `session` is bound (non-zero) and no longer the current one.
bool session_is_replaced(unsigned session);
