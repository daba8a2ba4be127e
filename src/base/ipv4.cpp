#include "base/ipv4.h"

namespace rennik {

bool isDottedIPv4(std::string_view text) {
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        int value = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        // A leading zero is refused: "010" reads as octal 8 on the socket layer, so the reply
        // would go to another machine than the one the crew typed.
        const bool leadingZero = digits > 1 && text[i - digits] == '0';
        if (digits == 0 || digits > 3 || value > 255 || leadingZero) {
            return false;
        }
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') {
                return false;
            }
            ++i;
        }
    }
    return i == text.size();
}

}  // namespace rennik
