#include "chat/chat_record.h"

#include "controls/buffer_edit.h"

ChatRecord::ChatRecord() = default;
ChatRecord::~ChatRecord() = default;
