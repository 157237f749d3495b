#include "cli/Sha256.h"

#include <array>
#include <memory>

#include "platform/Platform.h"

namespace cli {
namespace {

constexpr std::array<uint32_t, 64> RoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

}  // namespace

Sha256::Sha256()
    : m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void Sha256::Block(const uint8_t* block)
{
    std::array<uint32_t, 64> w{};
    for (std::size_t i = 0; i < 16; ++i)
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 | uint32_t{block[4 * i + 2]} << 8 |
               uint32_t{block[4 * i + 3]};
    for (std::size_t i = 16; i < 64; ++i) {
        const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, h] = m_state;
    for (std::size_t i = 0; i < 64; ++i) {
        const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + RoundConstants[i] + w[i];
        const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const std::array<uint32_t, 8> add = {a, b, c, d, e, f, g, h};
    for (std::size_t i = 0; i < 8; ++i)
        m_state[i] += add[i];
}

void Sha256::Add(std::span<const uint8_t> bytes)
{
    m_totalBytes += bytes.size();
    for (uint8_t byte : bytes) {
        m_pending[m_pendingCount++] = byte;
        if (m_pendingCount == m_pending.size()) {
            Block(m_pending.data());
            m_pendingCount = 0;
        }
    }
}

std::string Sha256::Hex()
{
    // Padding: a one bit, zeros up to 56 bytes of the last block, the length in bits.
    const uint64_t bits = m_totalBytes * 8;
    const uint8_t one = 0x80;
    Add({&one, 1});
    const uint8_t zero = 0;
    while (m_pendingCount != 56)
        Add({&zero, 1});
    std::array<uint8_t, 8> length{};
    for (std::size_t i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Add(length);

    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (uint32_t word : m_state)
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += Digits[(word >> shift) & 0xF];
    return hex;
}

std::string Sha256Hex(std::span<const uint8_t> bytes)
{
    Sha256 digest;
    digest.Add(bytes);
    return digest.Hex();
}

std::optional<std::string> FileSha256(const std::string& path, std::string* cause)
{
    // Opened as a download opens it: a regular file only, so that one swapped for a named
    // pipe or a device during the run is refused instead of blocking the program.
    std::string why;
    const std::unique_ptr<platform::InputFile> file = platform::InputFile::Open(path, why);
    Sha256 digest;
    std::array<uint8_t, 64 * 1024> chunk{};
    std::optional<std::size_t> count = file ? file->Read(chunk.data(), chunk.size(), why) : std::nullopt;
    while (count && *count > 0) {
        digest.Add(std::span(chunk).first(*count));
        count = *count < chunk.size() ? std::optional<std::size_t>(0) : file->Read(chunk.data(), chunk.size(), why);
    }
    if (!count) {
        if (cause)
            *cause = why;
        return std::nullopt;
    }
    return digest.Hex();
}

}  // namespace cli
