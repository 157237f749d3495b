#include "app/BoardDisplay.h"

#include "board/BoardText.h"
#include "board/Download.h"

using namespace board;

namespace {

// No board to read: the boxes show what the Parts of an empty reply show, a blank serial
// number and no file name.
bool NoBoard(const std::optional<Failure>& failure)
{
    return failure && (failure->kind == FailureKind::NoBoard || failure->kind == FailureKind::CannotOpen);
}

std::string DateOr(const std::optional<ProgrammingDate>& date) { return date ? text::Date(*date) : UnknownText; }

std::string CyclesOr(const std::optional<uint32_t>& cycles) { return cycles ? std::to_string(*cycles) : UnknownText; }

// The message box of a file the download cannot use.
std::string FileRefusalText(const Failure& failure)
{
    switch (failure.file) {
    case FileProblem::Empty: return "The RBF file is empty: it holds no configuration to download";
    case FileProblem::TooLong:
        return "The RBF file is " + std::to_string(failure.fileBytes) + " bytes long; the board's configuration area holds " +
               std::to_string(MaxConfigFileBytes) + " bytes";
    case FileProblem::CannotOpen: break;
    }
    return "Uable to open RBF file";
}

}  // namespace

void ShowOpeningInfo(const InfoRead& read, BoardBoxes& boxes)
{
    const BoardInfo& answered = read.answered;
    const bool noBoard = NoBoard(read.failure);
    boxes.m_strFile = answered.fileName ? text::FileName(*answered.fileName) : noBoard ? "" : UnknownText;
    boxes.m_strSerial = answered.serial ? text::Serial(*answered.serial) : noBoard ? text::Serial(0) : UnknownText;
    if (!read.failure && read.read.lastProgrammed && read.read.cycles) {
        boxes.m_strLastProgrammed = text::Date(*read.read.lastProgrammed);
        boxes.m_strCycles = std::to_string(static_cast<int32_t>(*read.read.cycles));
    } else {
        boxes.m_strCycles = UnknownText;
        boxes.m_strLastProgrammed = UnknownText;
    }
}

void ShowAttachInfo(const InfoRead& read, BoardBoxes& boxes)
{
    const BoardInfo& answered = read.answered;
    boxes.m_strSerial = answered.serial ? text::Serial(*answered.serial) : UnknownText;
    boxes.m_strLastProgrammed = DateOr(answered.lastProgrammed);
    boxes.m_strCycles = CyclesOr(answered.cycles);
    boxes.m_strFile = answered.fileName ? text::FileName(*answered.fileName) : UnknownText;
}

std::optional<std::string> ChainLine(const std::optional<Failure>& failed, const std::string& notEnabled)
{
    if (!failed)
        return std::nullopt;
    // A board that did not answer has not said that its chain is off.
    if (failed->kind == FailureKind::NoReply)
        return "JTAG boundary scan chain not checked: the board did not answer";
    return notEnabled;
}

std::optional<std::string> ChainLine(const Result<Done>& check, const std::string& notEnabled)
{
    return ChainLine(check.Ok() ? std::nullopt : std::optional<Failure>(check.Error()), notEnabled);
}

void ShowDownloadResult(const Result<DownloadResult>& result, MainWindowHost& host)
{
    if (!result) {
        host.MessageBox(FileRefusalText(result.Error()), "Open Error");
        return;
    }
    const DownloadResult& done = *result;
    switch (done.block) {
    case BlockEnd::Written:
    case BlockEnd::ReadBack:
        host.m_strSerial = done.info.serial ? text::Serial(*done.info.serial) : UnknownText;
        host.m_strLastProgrammed = DateOr(done.info.lastProgrammed);
        host.m_strCycles = CyclesOr(done.info.cycles);
        break;
    case BlockEnd::NotRead: break;
    case BlockEnd::Unknown:
        host.m_strSerial = UnknownText;
        host.m_strLastProgrammed = UnknownText;
        host.m_strCycles = UnknownText;
        break;
    }
    if (const std::optional<std::string> line = DownloadChainLine(done))
        host.LogLine(*line);
}
