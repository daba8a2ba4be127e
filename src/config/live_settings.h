#pragma once

#include <filesystem>
#include <string>

#include "base/file_error.h"

// Where the live view listens, kept in Rennik.ini in a section of its own, "ライブ表示設定",
// apart from the measurement settings: the program writes it only when the crew turns the view
// on.
namespace rennik {

struct LiveSettings {
    std::string address = "0.0.0.0";  // every interface, or one of this machine's IPv4 addresses
    int port = 8080;
    friend bool operator==(const LiveSettings&, const LiveSettings&) = default;
};

// A missing or odd key takes its default: a port that is not a whole number from 1024 to 65535,
// an address that is not a dotted IPv4 address.
LiveSettings loadLiveSettings(const std::filesystem::path& iniPath);
WriteResult saveLiveSettings(const LiveSettings& settings, const std::filesystem::path& iniPath);

}  // namespace rennik
