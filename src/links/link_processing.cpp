#include "links/link_processing.h"

#include "app/chat_client.h"

// Links are not processed yet: the message handler already calls here, so the
// link work only has to fill this in.
void process_link(ChatClient&, int, std::wstring&) {}
