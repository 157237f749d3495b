#include "sim/SimBoard.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "link/Reports.h"

namespace sim {
namespace {

void SetCaptureBit(std::array<uint8_t, CaptureSize>& capture, std::size_t bit, bool value)
{
    const auto mask = static_cast<uint8_t>(0x80u >> (bit % 8));
    if (value)
        capture[bit / 8] |= mask;
    else
        capture[bit / 8] &= static_cast<uint8_t>(~mask);
}

}  // namespace

SimBoard::SimBoard()
{
    m_flash.fill(0xFF);
    m_window.fill(0xFF);
    m_externalLevel.fill(true);
    WriteInfoBlock(Info{});
}

void SimBoard::WriteInfoBlock(const Info& info)
{
    uint8_t* page = m_flash.data();
    page[0] = static_cast<uint8_t>(info.serial & 0xFF);
    page[1] = static_cast<uint8_t>(info.serial >> 8);
    page[2] = info.month;
    page[3] = info.day;
    page[4] = info.year;
    page[5] = info.hour;
    page[6] = info.minute;
    page[7] = info.second;
    for (int i = 0; i < 4; ++i)
        page[8 + i] = static_cast<uint8_t>(info.cycles >> (8 * i));
    const std::size_t nameLength = std::min<std::size_t>(std::strlen(info.fileName), 99);
    std::memcpy(page + 12, info.fileName, nameLength);
    page[12 + nameLength] = 0;
}

void SimBoard::OverrideStatus(uint8_t command, std::optional<uint8_t> status)
{
    m_statusOverride[command] = status;
}

SimBoard::Reply SimBoard::Execute(const uint8_t* command, std::size_t commandLength, std::size_t replyLength)
{
    Reply answer;
    answer.length = std::min(replyLength, ReplyCapacity);
    // Status and echo are set even in a reply too short to carry them; they then lie past its length.
    const std::span<uint8_t> reply(answer.bytes.data(), std::max<std::size_t>(answer.length, boardlink::DataByte));
    // Bytes past the end of a short report read as zero, as the firmware's receive buffer would.
    std::array<uint8_t, boardlink::ReportBufferSize> in{};
    std::copy_n(command, std::min(commandLength, in.size()), in.begin());

    const uint8_t code = in[boardlink::CommandByte];
    const uint8_t length = in[boardlink::LengthByte];
    const auto address = static_cast<uint16_t>(in[boardlink::AddressLowByte] | (in[boardlink::AddressHighByte] << 8));
    const uint8_t* data = in.data() + boardlink::DataByte;
    const std::size_t dataRoom = reply.size() - boardlink::DataByte;

    uint8_t status = StatusUnknownCommand;
    const bool refused = m_refuseNextCommand;
    m_refuseNextCommand = false;
    switch (refused ? uint8_t{0} : code) {
    case boardlink::ReadMemory:
        status = length <= dataRoom ? ReadMemory(address, length, reply.data() + boardlink::DataByte) : StatusRefused;
        break;
    case boardlink::WriteMemory:
        status = length <= in.size() - boardlink::DataByte ? WriteMemory(address, length, data) : StatusRefused;
        break;
    case boardlink::ProgramMode: status = ProgramMode(in[boardlink::AddressLowByte]); break;
    case boardlink::ProgramPage: status = ProgramPage(data); break;
    case boardlink::JtagCheck: status = m_jtagChainEnabled ? StatusOk : StatusRefused; break;
    case boardlink::JtagCapture: status = JtagCapture(); break;
    case boardlink::DrivePinHigh: status = DriveCellGroup(in[boardlink::AddressLowByte], PinDrive::High); break;
    case boardlink::DrivePinLow: status = DriveCellGroup(in[boardlink::AddressLowByte], PinDrive::Low); break;
    case boardlink::FloatPin: status = DriveCellGroup(in[boardlink::AddressLowByte], PinDrive::Released); break;
    case boardlink::DriveAllHigh: status = DriveAll(PinDrive::High); break;
    case boardlink::DriveAllLow: status = DriveAll(PinDrive::Low); break;
    case boardlink::LeaveTestMode: status = LeaveTestMode(); break;
    default: break;
    }
    if (refused)
        status = StatusRefused;
    if (m_statusOverride[code])
        status = *m_statusOverride[code];

    reply[boardlink::ReportIdByte] = 0;
    reply[boardlink::StatusByte] = status;
    // The firmware echoes the command and the address it carried out.
    reply[2] = code;
    reply[3] = in[boardlink::AddressLowByte];
    reply[4] = in[boardlink::AddressHighByte];
    return answer;
}

uint8_t SimBoard::ReadMemory(uint16_t address, std::size_t length, uint8_t* out) const
{
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = (address + i) & 0xFFFF;
        out[i] = at >= WindowAddress ? m_window[at - WindowAddress] : m_flash[at];
    }
    return StatusReadOk;
}

uint8_t SimBoard::WriteMemory(uint16_t address, std::size_t length, const uint8_t* data)
{
    // Only the memory window is writable; flash changes through ProgramPage alone.
    if (address < WindowAddress || address + length > WindowAddress + WindowSize)
        return StatusRefused;
    std::copy_n(data, length, m_window.begin() + (address - WindowAddress));
    return StatusOk;
}

uint8_t SimBoard::ProgramMode(uint8_t mode)
{
    if (mode == 1) {
        m_programmingMode = true;
        return StatusOk;
    }
    m_programmingMode = false;
    // Released, the FPGA configures itself from flash; a refused release stands for a
    // configuration that did not come up.
    return m_refuseRelease ? StatusRefused : StatusOk;
}

uint8_t SimBoard::ProgramPage(const uint8_t* data)
{
    const auto flashAddress = static_cast<uint16_t>(data[0] | (data[1] << 8));
    std::copy_n(data + 2, 16, m_window.begin() + 112);
    if (!m_programmingMode || flashAddress % PageSize != 0 || flashAddress + PageSize > WindowAddress)
        return StatusRefused;
    if (m_refusedPage && *m_refusedPage == flashAddress)
        return StatusRefused;
    std::copy_n(m_window.begin(), PageSize, m_flash.begin() + flashAddress);
    return StatusOk;
}

std::array<uint8_t, CaptureSize> SimBoard::Capture() const
{
    std::array<uint8_t, CaptureSize> capture{};
    for (std::size_t group = 0; group < CellGroupCount; ++group) {
        const std::size_t bit = 3 * group;
        const PinDrive drive = m_drive[group];
        const bool driven = drive != PinDrive::Released;
        const bool level = driven ? drive == PinDrive::High : m_externalLevel[group];
        if (bit < CaptureSize * 8)
            SetCaptureBit(capture, bit, level);
        if (bit + 1 < CaptureSize * 8)
            SetCaptureBit(capture, bit + 1, !driven);
        if (bit + 2 < CaptureSize * 8)
            SetCaptureBit(capture, bit + 2, drive == PinDrive::High);
    }
    return capture;
}

uint8_t SimBoard::JtagCapture()
{
    if (!m_jtagChainEnabled || m_refuseNextCapture) {
        m_refuseNextCapture = false;
        return StatusRefused;
    }
    const auto capture = Capture();
    std::copy(capture.begin(), capture.end(), m_window.begin());
    return StatusOk;
}

uint8_t SimBoard::DriveCellGroup(uint8_t cellGroup, PinDrive drive)
{
    if (!m_jtagChainEnabled || cellGroup == 0 || cellGroup >= CellGroupCount)
        return StatusRefused;
    m_testMode = true;
    m_drive[cellGroup] = drive;
    return StatusOk;
}

uint8_t SimBoard::DriveAll(PinDrive drive)
{
    if (!m_jtagChainEnabled)
        return StatusRefused;
    m_testMode = true;
    std::fill(m_drive.begin() + 1, m_drive.end(), drive);
    return StatusOk;
}

uint8_t SimBoard::LeaveTestMode()
{
    m_testMode = false;
    m_drive.fill(PinDrive::Released);
    return StatusOk;
}

}  // namespace sim
