#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// SHA-256 (FIPS 180-4) of a configuration file, so that a script can tell that the bytes
// a download wrote and read back are the bytes of its own copy of the file.
namespace cli {

class Sha256 {
public:
    Sha256();
    void Add(std::span<const uint8_t> bytes);
    // The digest as 64 lowercase hex digits; the object is spent afterwards.
    std::string Hex();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_pending{};
    std::size_t m_pendingCount = 0;
    uint64_t m_totalBytes = 0;
};

std::string Sha256Hex(std::span<const uint8_t> bytes);

// The digest of the whole file at path, byte for byte as it is now; nullopt when it cannot
// be read (cause, when given, takes the system's words).
std::optional<std::string> FileSha256(const std::string& path, std::string* cause = nullptr);

}  // namespace cli
