#include "platform/windows/UsbLocation.h"

#include <algorithm>
#include <charconv>

namespace platform::windows {
namespace {

// The number in "NAME(n)" when the element is of that name; nullopt otherwise.
std::optional<int> ElementNumber(std::string_view element, std::string_view name)
{
    if (element.size() < name.size() + 3 || element.substr(0, name.size()) != name || element[name.size()] != '(' ||
        element.back() != ')')
        return std::nullopt;
    const std::string_view digits = element.substr(name.size() + 1, element.size() - name.size() - 2);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number < 0)
        return std::nullopt;
    return number;
}

}  // namespace

std::optional<UsbLocation> ParseLocationPath(std::string_view path)
{
    UsbLocation location;
    bool belowRoot = false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('#', start), path.size());
        const std::string_view element = path.substr(start, end - start);
        if (!belowRoot) {
            if (ElementNumber(element, "USBROOT")) {
                belowRoot = true;
                location.controller = std::string(path.substr(0, end));
            }
        } else if (const std::optional<int> port = ElementNumber(element, "USB")) {
            location.ports.push_back(*port);
        } else {
            // A function of a composite device (USBMI) or anything past the port chain.
            break;
        }
        start = end + 1;
    }
    if (location.ports.empty())
        return std::nullopt;
    return location;
}

std::vector<boardlink::UsbPort> NumberBuses(const std::vector<std::optional<UsbLocation>>& locations)
{
    std::vector<std::string> controllers;
    for (const std::optional<UsbLocation>& location : locations)
        if (location)
            controllers.push_back(location->controller);
    std::sort(controllers.begin(), controllers.end());
    controllers.erase(std::unique(controllers.begin(), controllers.end()), controllers.end());

    std::vector<boardlink::UsbPort> ports;
    for (const std::optional<UsbLocation>& location : locations) {
        boardlink::UsbPort port;
        if (location) {
            const auto bus = std::lower_bound(controllers.begin(), controllers.end(), location->controller);
            port.push_back(static_cast<int>(bus - controllers.begin()) + 1);
            port.insert(port.end(), location->ports.begin(), location->ports.end());
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

}  // namespace platform::windows
