#include "cli/OneBoardBackend.h"

#include <algorithm>

namespace cli {

OneBoardBackend::OneBoardBackend(std::unique_ptr<HidBackend> inner, std::string path)
    : BackendDecorator(*inner), m_owned(std::move(inner)), m_path(std::move(path))
{
}

std::vector<HidInterfaceInfo> OneBoardBackend::EnumerateInterfaces()
{
    std::vector<HidInterfaceInfo> list = BackendDecorator::EnumerateInterfaces();
    std::erase_if(list, [this](const HidInterfaceInfo& info) { return info.path != m_path; });
    return list;
}

}  // namespace cli
