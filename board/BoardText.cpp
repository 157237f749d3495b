#include "board/BoardText.h"

#include <QString>
#include <QStringDecoder>
#include <cstdio>

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
    // would turn each such byte into a replacement sign.
    const QByteArrayView bytes(stored.data(), static_cast<qsizetype>(stored.size()));
    // Stateless: a character cut at the end is an error; ConvertInitialBom: a leading byte
    // order mark is part of the name, not dropped.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8(bytes);
    return (utf8.hasError() ? QString::fromLatin1(bytes) : text).toStdString();
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
