#include "config/live_settings.h"

#include <string_view>

#include "base/ipv4.h"
#include "config/profile.h"

namespace rennik {
namespace {

constexpr std::string_view kLiveSection = "ライブ表示設定";
constexpr std::string_view kLiveAddressKey = "待ち受けアドレス";
constexpr std::string_view kLivePortKey = "ポート";

}  // namespace

LiveSettings loadLiveSettings(const std::filesystem::path& iniPath) {
    LiveSettings settings;
    const std::string address = profile::readIni(iniPath, kLiveSection, kLiveAddressKey).value;
    if (isDottedIPv4(address)) {
        settings.address = address;
    }
    const std::string port = profile::readIni(iniPath, kLiveSection, kLivePortKey).value;
    if (!port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::stoi(port);
        if (n >= 1024 && n <= 65535) {
            settings.port = n;
        }
    }
    return settings;
}

WriteResult saveLiveSettings(const LiveSettings& settings, const std::filesystem::path& iniPath) {
    if (const WriteResult written = profile::writeIni(kLiveSection, kLiveAddressKey, settings.address, iniPath); !written) {
        return written;
    }
    return profile::writeIni(kLiveSection, kLivePortKey, std::to_string(settings.port), iniPath);
}

}  // namespace rennik
