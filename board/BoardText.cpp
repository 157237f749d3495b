#include "board/BoardText.h"

#include <cstdio>
#include <string_view>

#include "pins/PinTables.h"

namespace board::text {

std::string Address(unsigned address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

std::string Serial(uint16_t serial)
{
    char text[16];
    std::snprintf(text, sizeof text, "TRK_%05d", static_cast<int>(serial));
    return text;
}

namespace {

// Well-formed as Unicode defines it: no overlong forms, no surrogates, nothing past U+10FFFF,
// no character cut at the end.
bool IsWellFormedUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

std::string Date(const ProgrammingDate& date)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d at %02d:%02d:%02d", date.month, date.day, date.year, date.hour,
                  date.minute, date.second);
    return text;
}

std::string FileName(const std::string& stored)
{
    // Tarvik stores UTF-8. A name that is not well-formed UTF-8 was stored by another tool in
    // a single-byte code page: shown byte for byte as Latin-1 it stays readable, where UTF-8
    // would turn each such byte into a replacement sign. A leading byte order mark is part
    // of the name, not dropped.
    if (IsWellFormedUtf8(stored))
        return stored;
    std::string text;
    for (const char c : stored) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string PinLabel(int position)
{
    const int n = pins::HeaderPinTable[static_cast<std::size_t>(position)];
    char entry[16];
    // The last two pins of each header row are inputs.
    if (position % pins::HeaderRowLength < 38)
        std::snprintf(entry, sizeof entry, "P%03d", n);
    else
        std::snprintf(entry, sizeof entry, "In%02d", n);
    return entry;
}

std::string CaptureListing(std::span<const uint8_t, pins::CaptureBytes> capture)
{
    std::string listing = "Capture result:     H,L => driven    1,0 => not driven\r\n\r\n";
    for (int row = 0; row < pins::HeaderPositions; row += 8) {
        for (int p = row; p < row + 8; ++p)
            listing += ' ' + PinLabel(p) + ':' + pins::DecodePinState(capture, p);
        listing += "\r\n";
    }
    return listing;
}

std::string HeaderPositionText(std::span<const uint8_t, pins::CaptureBytes> capture, int position)
{
    const char letter = pins::DecodePinState(capture, position);
    const int pin = pins::HeaderPinTable[static_cast<std::size_t>(position)];
    return "...  pin " + std::to_string(pin) + " = " + letter + "\r\n";
}

}  // namespace board::text
