#include "link/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using boardlink::ParseReportDescriptor;
using boardlink::ReportDescriptorResult;

namespace {

using Bytes = std::vector<uint8_t>;

// One descriptor of the recorded-device fixture file, with the lengths the file states.
struct RecordedDescriptor {
    std::string source;
    std::string expect;
    Bytes bytes;
};

std::vector<RecordedDescriptor> LoadRecordedDescriptors(const std::string& file)
{
    std::ifstream in(file);
    std::vector<RecordedDescriptor> blocks;
    std::string line;
    RecordedDescriptor current;
    auto finish = [&] {
        if (!current.source.empty())
            blocks.push_back(current);
        current = {};
    };
    while (std::getline(in, line)) {
        if (line.empty()) {
            finish();
        } else if (line.rfind("# source:", 0) == 0) {
            current.source = line.substr(9);
        } else if (line.rfind("# expect:", 0) == 0) {
            current.expect = line.substr(10);
        } else if (line[0] != '#' && !current.source.empty()) {
            std::istringstream hex(line);
            std::string byte;
            while (hex >> byte)
                current.bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
        }
    }
    finish();
    return blocks;
}

std::string LengthsText(const ReportDescriptorResult& r)
{
    return "input=" + std::to_string(r.lengths.input) + " output=" + std::to_string(r.lengths.output);
}

const std::string FixtureFile = std::string(TARVIK_FIXTURE_DIR) + "/hid-report-descriptors.txt";

}  // namespace

// The recorded devices, in the fixture file's order, with their lengths worked out by hand
// from the descriptor bytes (they agree with the lengths Windows recorded for them).

void ExpectLengths(const boardlink::ReportLengths& lengths, uint16_t input, uint16_t output, uint16_t feature,
                   uint16_t usagePage, uint16_t usage)
{
    EXPECT_EQ(lengths.input, input);
    EXPECT_EQ(lengths.output, output);
    EXPECT_EQ(lengths.feature, feature);
    EXPECT_EQ(lengths.usagePage, usagePage);
    EXPECT_EQ(lengths.usage, usage);
}

TEST(ReportDescriptor, RecordedDevicesGetTheLengthsWindowsGives)
{
    struct Row {
        const char* sourceContains;
        uint16_t input, output, feature, usagePage, usage;
        bool usesReportIds;
    };
    const Row rows[] = {
        // 8 one-bit buttons + 3 byte axes = 4 bytes, + id byte; no output report.
        {"046D_C077", 5, 0, 0, 0x0001, 0x0002, false},
        // modifiers, reserved byte, 6 key codes = 8 bytes; 3 + 5 LED bits = 1 byte out.
        {"046A_0011", 9, 2, 0, 0x0001, 0x0006, false},
        // Report ID 0x10 with 6 bytes each way; the id byte is the one added.
        {"046D_C52F", 7, 7, 0, 0xFF00, 0x0001, true},
        // 64 bytes each way, no report ids.
        {"hid_generic_inout", 65, 65, 0, 0xFF00, 0x0001, false},
    };
    const std::vector<RecordedDescriptor> recorded = LoadRecordedDescriptors(FixtureFile);
    ASSERT_EQ(recorded.size(), std::size(rows)) << "descriptors read from " << FixtureFile;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(recorded[i].source);
        ASSERT_NE(recorded[i].source.find(row.sourceContains), std::string::npos);
        const ReportDescriptorResult result = ParseReportDescriptor(recorded[i].bytes);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(LengthsText(result), recorded[i].expect);
        ExpectLengths(result.lengths, row.input, row.output, row.feature, row.usagePage, row.usage);
        EXPECT_EQ(result.lengths.usesReportIds, row.usesReportIds);
    }
}

TEST(ReportDescriptor, ItemsThatShapeTheLengths)
{
    struct Row {
        const char* name;
        Bytes bytes;
        uint16_t input, output, feature, usagePage, usage;
    };
    const Row rows[] = {
        {"empty descriptor: no reports, no top-level collection", {}, 0, 0, 0, 0, 0},
        {"bits round up to a whole byte", {0x75, 0x01, 0x95, 0x03, 0x81, 0x02}, 2, 0, 0, 0, 0},
        {"largest report id wins",
         {0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0x85, 0x02, 0x95, 0x08, 0x81, 0x02}, 9, 0, 0, 0, 0},
        {"Pop restores Report ID, Size and Count",
         {0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0xA4, 0x85, 0x02, 0x95, 0x0A, 0x81, 0x02, 0xB4, 0x81, 0x02},
         11, 0, 0, 0, 0},
        {"Output and Feature counted apart from Input",
         {0x75, 0x08, 0x95, 0x03, 0xB1, 0x02, 0x95, 0x05, 0x91, 0x02}, 0, 6, 4, 0, 0},
        {"4-byte item data (Report Count 0x00000100)", {0x75, 0x08, 0x97, 0x00, 0x01, 0x00, 0x00, 0x81, 0x02},
         257, 0, 0, 0, 0},
        {"long item skipped whole, even bytes that look like Input",
         {0x75, 0x08, 0x95, 0x01, 0xFE, 0x02, 0x10, 0x81, 0x02, 0x81, 0x02}, 2, 0, 0, 0, 0},
        {"reserved short item ignored", {0x0C, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, 2, 0, 0, 0, 0},
        {"4-byte Usage names its own page",
         {0x05, 0x0C, 0x0B, 0x02, 0x00, 0x01, 0x00, 0xA1, 0x01, 0xC0}, 0, 0, 0, 0x0001, 0x0002},
        {"physical collection at top, then the first application collection counts",
         {0x05, 0x01, 0x09, 0x01, 0xA1, 0x00, 0xC0, 0x09, 0x06, 0xA1, 0x01, 0xC0, 0x09, 0x02, 0xA1, 0x01, 0xC0},
         0, 0, 0, 0x0001, 0x0006},
        {"usage does not carry past a main item",
         {0x05, 0x01, 0x09, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xA1, 0x01, 0xC0}, 2, 0, 0, 0x0001, 0},
        {"surplus End Collection is harmless", {0xC0, 0xC0, 0x09, 0x05, 0xA1, 0x01, 0xC0}, 0, 0, 0, 0, 0x0005},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ReportDescriptorResult result = ParseReportDescriptor(row.bytes);
        ASSERT_TRUE(result.ok) << result.error;
        ExpectLengths(result.lengths, row.input, row.output, row.feature, row.usagePage, row.usage);
    }
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefusedWithTheReason)
{
    struct Row {
        const char* name;
        Bytes bytes;
        const char* error;
    };
    const Bytes tooDeep(33, 0xA4);
    const Row rows[] = {
        {"short item missing its data", {0x75, 0x08, 0x05}, "byte 2: item data is cut short"},
        {"4-byte item cut after two bytes", {0x75, 0x08, 0x97, 0x01, 0x02}, "byte 2: item data is cut short"},
        {"long item without its tag", {0xFE, 0x05}, "byte 0: long item header is cut short"},
        {"long item data cut short", {0xFE, 0x05, 0x10, 0x01, 0x02}, "byte 0: long item data is cut short"},
        {"Pop without a Push", {0xA4, 0xB4, 0xB4}, "byte 2: Pop without a Push"},
        {"Push without end", tooDeep, "byte 32: Push nested deeper than 32"},
        {"Report ID 0", {0x85, 0x00}, "Report ID 0 is outside 1..255"},
        {"Report ID above 255", {0x86, 0x00, 0x01}, "Report ID 256 is outside 1..255"},
        {"absurd Report Size x Report Count",
         {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02},
         "byte 10: input report 0 is longer than 65534 bytes (Report Size 4294967295 x Report Count 4294967295)"},
        {"fields adding up past 65534 bytes",
         {0x75, 0x08, 0x96, 0x40, 0x9C, 0x91, 0x02, 0x91, 0x02}, "byte 7: output report 0 is longer than 65534 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ReportDescriptorResult result = ParseReportDescriptor(row.bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(row.error), std::string::npos) << result.error;
        EXPECT_EQ(result.lengths.input, 0);
        EXPECT_EQ(result.lengths.output, 0);
    }
}

// Whatever the bytes, the parser stays inside them: every cut of the recorded descriptors
// and a run of random ones, each in a buffer of exactly its size so that the address
// sanitizer sees any read past the end.
TEST(ReportDescriptor, NeverReadsPastTheDescriptor)
{
    for (const RecordedDescriptor& recorded : LoadRecordedDescriptors(FixtureFile)) {
        for (std::size_t length = 0; length <= recorded.bytes.size(); ++length) {
            const Bytes cut(recorded.bytes.begin(), recorded.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const ReportDescriptorResult result = ParseReportDescriptor(cut);
            EXPECT_TRUE(result.ok || !result.error.empty());
        }
    }
    std::mt19937 random(20061);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 64);
    for (int i = 0; i < 5000; ++i) {
        Bytes bytes(size(random));
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(byte(random));
        const ReportDescriptorResult result = ParseReportDescriptor(bytes);
        EXPECT_TRUE(result.ok || !result.error.empty());
    }
}
