#pragma once

#include <memory>
#include <string>

#include "cli/BoardAccess.h"

namespace cli {

// A device layer that lists one board only, so that a board link on it finds that board
// and no other. Each board of a run gets one, with a device layer of its own beneath, so
// that boards are worked on side by side without sharing anything.
class OneBoardBackend final : public BackendDecorator {
public:
    OneBoardBackend(std::unique_ptr<HidBackend> inner, std::string path);

    std::vector<HidInterfaceInfo> EnumerateInterfaces() override;

private:
    std::unique_ptr<HidBackend> m_owned;
    std::string m_path;
};

}  // namespace cli
