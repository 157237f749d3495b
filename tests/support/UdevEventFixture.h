#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// One line of a udev event fixture (tests/fixtures/udev-hidraw-events.txt): the action and the
// node's devnode and syspath.
struct RecordedUdevEvent {
    std::string action;
    std::string devnode;
    std::string syspath;

    // The device path as libudev gives it: the syspath without the sysfs mount point.
    std::string Devpath() const { return syspath.starts_with("/sys/") ? syspath.substr(4) : syspath; }
};

// The events of the fixture file, in order; comment lines (#) and blank lines skipped.
inline std::vector<RecordedUdevEvent> ReadUdevEventFixture(const std::string& file)
{
    std::vector<RecordedUdevEvent> events;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        RecordedUdevEvent event;
        fields >> event.action;
        for (std::string field; fields >> field;) {
            if (field.starts_with("devnode="))
                event.devnode = field.substr(8);
            else if (field.starts_with("syspath="))
                event.syspath = field.substr(8);
        }
        events.push_back(event);
    }
    return events;
}
