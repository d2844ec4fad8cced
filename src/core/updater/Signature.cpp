// Signature: libsodium's Ed25519 over the whole archive.
#include "core/updater/Signature.h"

#include <sodium.h>

#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace morvelan::Signature {
namespace {

// Exactly N bytes from hex, or nothing.
template <std::size_t N> std::optional<std::array<unsigned char, N>> bytes(std::string_view hex) {
    std::array<unsigned char, N> out{};
    std::size_t length = 0;
    if (hex.size() != 2 * N ||
        sodium_hex2bin(out.data(), N, hex.data(), hex.size(), nullptr, &length, nullptr) != 0 ||
        length != N)
        return std::nullopt;
    return out;
}

} // namespace

Result<void> check(const std::filesystem::path& file, std::string_view signatureHex,
                   std::string_view publicKeyHex) {
    const Error refused =
        failure("The update is not signed with Morvelan's release key, so it was not installed.");
    if (sodium_init() < 0) return failure("Couldn't start libsodium to check the update.");
    const auto key = bytes<crypto_sign_PUBLICKEYBYTES>(publicKeyHex);
    const auto signature = bytes<crypto_sign_BYTES>(signatureHex);
    if (!key || !signature) return refused;
    std::ifstream in(file, std::ios::binary);
    const std::string data(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) return failure("Couldn't read " + file.string());
    if (crypto_sign_verify_detached(signature->data(),
                                    reinterpret_cast<const unsigned char*>(data.data()),
                                    data.size(), key->data()) != 0)
        return refused;
    return success();
}

} // namespace morvelan::Signature
