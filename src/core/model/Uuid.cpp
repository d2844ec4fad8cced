// Uuid: random generation and the canonical text form.
#include "core/model/Uuid.h"

#include <random>

namespace morvelan {

namespace {

// Positions of the hyphens in the 36-character form.
bool isHyphenAt(std::size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::mt19937_64& generator() {
    // Seeded once from the system's entropy source; ids only need to be unique, not secret.
    static std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(),
                           device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    return engine;
}

} // namespace

Uuid Uuid::random() {
    Uuid id;
    auto& engine = generator();
    for (std::size_t i = 0; i < id.bytes.size(); i += 8) {
        std::uint64_t word = engine();
        for (std::size_t k = 0; k < 8; ++k)
            id.bytes[i + k] = std::uint8_t(word >> (8 * k));
    }
    id.bytes[6] = std::uint8_t((id.bytes[6] & 0x0F) | 0x40); // version 4
    id.bytes[8] = std::uint8_t((id.bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    Uuid id;
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (isHyphenAt(i)) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        int hi = hexValue(text[i]);
        int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0 || isHyphenAt(i + 1)) return std::nullopt;
        id.bytes[byte++] = std::uint8_t(hi << 4 | lo);
        i += 2;
    }
    return id;
}

std::string Uuid::str() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace morvelan
