#include "crypto/aes_cbc.h"

#include <cstdio>

void LibraryErrorLog::add(const CryptoPP::Exception& error) {
    text_ += error.what();
    text_ += '\n';
}

void LibraryErrorLog::flush() {
    if (text_.empty()) return;
    std::fwrite(text_.data(), 1, text_.size(), stdout);
    std::fflush(stdout);
    text_.clear();
}
