#pragma once
// The Internet-zone marks written while one lives (Wine has no place for the stream).
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/zone_mark.h"

class ZoneMarkRecorder {
public:
    using Mark = std::pair<std::wstring, std::string>;  // path, text
    ZoneMarkRecorder() {
        taken().clear();
        observe_zone_marks([](const std::wstring& path, const std::string& text) {
            std::lock_guard<std::mutex> guard(lock);
            taken().emplace_back(path, text);
        });
    }
    ~ZoneMarkRecorder() { observe_zone_marks(nullptr); }
    static std::vector<Mark> marks() {
        std::lock_guard<std::mutex> guard(lock);
        return taken();
    }

private:
    static inline std::mutex lock;
    static std::vector<Mark>& taken() {
        static std::vector<Mark> all;
        return all;
    }
};
