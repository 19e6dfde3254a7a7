#include "irc/receive_state.h"

#include "crypto/scram.h"

ReceiveState::ReceiveState() = default;
ReceiveState::~ReceiveState() = default;

void ReceiveState::reset() {
    negotiating = false;
    offered.clear();
    login = Login::idle;
    login_message.clear();
    mechanisms.clear();
    scram.reset();
    scram_verified = false;
    refused = false;
    batches.clear();
    playback_batches.clear();
}
