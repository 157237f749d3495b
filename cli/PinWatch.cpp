#include "cli/PinWatch.h"

#include "board/BoardText.h"
#include "platform/Platform.h"
#include "pins/PinTables.h"

#include <cstdio>
#include <ctime>

#include "cli/BoardFacts.h"

namespace cli {

std::vector<PinChange> PinChanges(const PinCapture& before, const PinCapture& after)
{
    std::vector<PinChange> changes;
    for (int position = 0; position < pins::HeaderPositions; ++position) {
        const char from = pins::DecodePinState(before, position);
        const char to = pins::DecodePinState(after, position);
        if (from != to)
            changes.push_back({position, from, to});
    }
    return changes;
}

std::string WatchTime(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
    const std::tm local = platform::LocalTime(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

std::string ChangeLine(const std::string& time, const PinChange& change)
{
    return time + " " + board::text::PinLabel(change.position) + " " + change.from + " -> " + change.to;
}

}  // namespace cli
