#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/linux/UdevRule.h"
#include "link/Reports.h"

namespace {

std::string ReadPackagingFile(const std::string& name)
{
    const std::string path = std::string(TARVIK_PACKAGING_DIR) + "/" + name;
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string UpperHex(uint16_t id)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", id);
    return text;
}

}  // namespace

// The rule that log lines name is the one shipped, and it opens the board's node to the
// seat's user only, early enough for the uaccess tag to take effect.
TEST(Packaging, UdevRuleGrantsTheSeatUserTheBoardOnly)
{
    const std::string name(platform::BoardUdevRuleFile);
    const std::string rule = ReadPackagingFile(name);
    ASSERT_FALSE(rule.empty());

    EXPECT_LT(std::stoi(name.substr(0, name.find('-'))), 73) << "73-seat-late.rules applies uaccess";
    EXPECT_NE(rule.find("KERNEL==\"hidraw*\""), std::string::npos);
    // The HID device above the node: USB bus, the board's vendor and product, any instance.
    const std::string parent = "0003:" + UpperHex(boardlink::BoardVendorId) + ":" + UpperHex(boardlink::BoardProductId) + ".*";
    EXPECT_NE(rule.find("KERNELS==\"" + parent + "\""), std::string::npos);
    EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos);
    EXPECT_FALSE(std::regex_search(rule, std::regex(R"(MODE\s*:?=\s*"0?\d\d[2367])")))
        << "no world-writable mode";
}

TEST(Packaging, DesktopEntryStartsTarvikWithItsIcon)
{
    const std::string entry = ReadPackagingFile("org.tarvik.Tarvik.desktop");
    for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=tarvik\n", "\nIcon=tarvik\n",
                             "\nCategories=Development;Electronics;\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    EXPECT_NE(ReadPackagingFile("tarvik.svg").find("<svg"), std::string::npos);
}
