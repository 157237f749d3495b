#include "link/ReportDescriptor.h"

#include <array>
#include <vector>

namespace boardlink {
namespace {

// Item types and tags of the short-item prefix byte (tag in the high nibble, type in bits 3..2,
// size code in bits 1..0).
enum ItemType : uint8_t { MainItem = 0, GlobalItem = 1, LocalItem = 2, ReservedItem = 3 };

enum MainTag : uint8_t { InputTag = 0x8, OutputTag = 0x9, CollectionTag = 0xA, FeatureTag = 0xB, EndCollectionTag = 0xC };
enum GlobalTag : uint8_t { UsagePageTag = 0x0, ReportSizeTag = 0x7, ReportIdTag = 0x8, ReportCountTag = 0x9, PushTag = 0xA, PopTag = 0xB };
enum LocalTag : uint8_t { UsageTag = 0x0 };

constexpr uint8_t LongItemPrefix = 0xFE;
constexpr uint32_t ApplicationCollection = 1;
// Push is meant for a level or two; a deeper stack only comes from a corrupt descriptor.
constexpr std::size_t MaxPushDepth = 32;
// The lengths are 16-bit and include the report-id byte.
constexpr uint64_t MaxPayloadBits = 65534ull * 8;

enum ReportKind { Input, Output, Feature, KindCount };

struct GlobalState {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct ReportBits {
    std::array<uint64_t, 256> bits{};
    bool present = false;
};

const char* KindName(ReportKind kind)
{
    switch (kind) {
    case Input: return "input";
    case Output: return "output";
    case Feature: return "feature";
    case KindCount: break;
    }
    return "report";
}

uint32_t ItemValue(std::span<const uint8_t> data)
{
    uint32_t value = 0;
    for (std::size_t i = 0; i < data.size(); ++i)
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return value;
}

uint16_t ByteLength(const ReportBits& report)
{
    if (!report.present)
        return 0;
    uint64_t largest = 0;
    for (uint64_t bits : report.bits)
        largest = bits > largest ? bits : largest;
    // Payload rounded up to whole bytes, plus the report-id byte.
    return static_cast<uint16_t>((largest + 7) / 8 + 1);
}

class Parser {
public:
    explicit Parser(std::span<const uint8_t> descriptor) : m_descriptor(descriptor) {}

    ReportDescriptorResult Run()
    {
        ReportDescriptorResult result;
        std::size_t offset = 0;
        while (offset < m_descriptor.size()) {
            const std::size_t remaining = m_descriptor.size() - offset;
            const uint8_t prefix = m_descriptor[offset];
            if (prefix == LongItemPrefix) {
                // Long items carry vendor data only: skip them whole.
                if (remaining < 3)
                    return Fail(result, offset, "long item header is cut short");
                const std::size_t length = 3u + m_descriptor[offset + 1];
                if (remaining < length)
                    return Fail(result, offset, "long item data is cut short");
                offset += length;
                continue;
            }
            const std::size_t sizeCode = prefix & 0x3u;
            const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
            if (remaining < 1 + dataSize)
                return Fail(result, offset, "item data is cut short");
            const auto type = static_cast<uint8_t>((prefix >> 2) & 0x3u);
            const auto tag = static_cast<uint8_t>(prefix >> 4);
            const std::span<const uint8_t> data = m_descriptor.subspan(offset + 1, dataSize);
            if (!Item(type, tag, data, offset, result))
                return result;
            offset += 1 + dataSize;
        }
        result.ok = true;
        result.lengths.input = ByteLength(m_reports[Input]);
        result.lengths.output = ByteLength(m_reports[Output]);
        result.lengths.feature = ByteLength(m_reports[Feature]);
        result.lengths.usesReportIds = m_usesReportIds;
        if (m_haveTopLevel) {
            result.lengths.usagePage = m_topLevelUsagePage;
            result.lengths.usage = m_topLevelUsage;
        }
        return result;
    }

private:
    static ReportDescriptorResult& Fail(ReportDescriptorResult& result, std::size_t offset, const std::string& why)
    {
        result = ReportDescriptorResult{};
        result.error = "report descriptor byte " + std::to_string(offset) + ": " + why;
        return result;
    }

    bool Item(uint8_t type, uint8_t tag, std::span<const uint8_t> data, std::size_t offset,
              ReportDescriptorResult& result)
    {
        const uint32_t value = ItemValue(data);
        switch (type) {
        case MainItem:
            return Main(tag, value, offset, result);
        case GlobalItem:
            return Global(tag, value, offset, result);
        case LocalItem:
            // A 4-byte Usage names its own usage page in the upper half.
            if (tag == UsageTag && !m_haveUsage) {
                m_haveUsage = true;
                m_firstUsagePage = data.size() == 4 ? (value >> 16) : m_global.usagePage;
                m_firstUsage = value & 0xFFFFu;
            }
            return true;
        default:
            // Reserved short items carry nothing the lengths depend on.
            return true;
        }
    }

    bool Main(uint8_t tag, uint32_t value, std::size_t offset, ReportDescriptorResult& result)
    {
        switch (tag) {
        case InputTag:
            if (!AddField(Input, offset, result))
                return false;
            break;
        case OutputTag:
            if (!AddField(Output, offset, result))
                return false;
            break;
        case FeatureTag:
            if (!AddField(Feature, offset, result))
                return false;
            break;
        case CollectionTag:
            if (m_depth == 0 && !m_haveTopLevel && value == ApplicationCollection) {
                m_haveTopLevel = true;
                m_topLevelUsagePage = static_cast<uint16_t>(m_haveUsage ? m_firstUsagePage : m_global.usagePage);
                m_topLevelUsage = static_cast<uint16_t>(m_haveUsage ? m_firstUsage : 0);
            }
            ++m_depth;
            break;
        case EndCollectionTag:
            // A surplus End Collection changes no length; stay at the top level.
            if (m_depth > 0)
                --m_depth;
            break;
        default:
            break;
        }
        // Local items hold for the next main item only.
        m_haveUsage = false;
        return true;
    }

    bool Global(uint8_t tag, uint32_t value, std::size_t offset, ReportDescriptorResult& result)
    {
        switch (tag) {
        case UsagePageTag:
            m_global.usagePage = value & 0xFFFFu;
            return true;
        case ReportSizeTag:
            m_global.reportSize = value;
            return true;
        case ReportCountTag:
            m_global.reportCount = value;
            return true;
        case ReportIdTag:
            if (value == 0 || value > 255) {
                Fail(result, offset, "Report ID " + std::to_string(value) + " is outside 1..255");
                return false;
            }
            m_global.reportId = value;
            return true;
        case PushTag:
            if (m_stack.size() >= MaxPushDepth) {
                Fail(result, offset, "Push nested deeper than " + std::to_string(MaxPushDepth));
                return false;
            }
            m_stack.push_back(m_global);
            return true;
        case PopTag:
            if (m_stack.empty()) {
                Fail(result, offset, "Pop without a Push");
                return false;
            }
            m_global = m_stack.back();
            m_stack.pop_back();
            return true;
        default:
            return true;
        }
    }

    bool AddField(ReportKind kind, std::size_t offset, ReportDescriptorResult& result)
    {
        ReportBits& report = m_reports[kind];
        report.present = true;
        if (m_global.reportId != 0)
            m_usesReportIds = true;
        // Both factors are below 2^32, so the product fits; the running sum is kept below
        // MaxPayloadBits, so it cannot wrap either.
        const uint64_t bits = static_cast<uint64_t>(m_global.reportSize) * m_global.reportCount;
        uint64_t& total = report.bits[m_global.reportId];
        if (bits > MaxPayloadBits - total) {
            Fail(result, offset,
                 std::string(KindName(kind)) + " report " + std::to_string(m_global.reportId) +
                     " is longer than 65534 bytes (Report Size " + std::to_string(m_global.reportSize) +
                     " x Report Count " + std::to_string(m_global.reportCount) + ")");
            return false;
        }
        total += bits;
        return true;
    }

    std::span<const uint8_t> m_descriptor;
    GlobalState m_global;
    std::vector<GlobalState> m_stack;
    std::array<ReportBits, KindCount> m_reports{};
    bool m_usesReportIds = false;
    bool m_haveUsage = false;
    uint32_t m_firstUsagePage = 0;
    uint32_t m_firstUsage = 0;
    unsigned m_depth = 0;
    bool m_haveTopLevel = false;
    uint16_t m_topLevelUsagePage = 0;
    uint16_t m_topLevelUsage = 0;
};

}  // namespace

ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor)
{
    return Parser(descriptor).Run();
}

}  // namespace boardlink
