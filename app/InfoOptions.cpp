#include "app/InfoOptions.h"

#include <string_view>

std::optional<int> AnswerInfoOption(int argc, const char* const* argv, const ProgramDescription& program,
                                    std::ostream& out)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            out << "Usage: " << program.name << " [OPTION]\n"
                << program.summary << "\n\n"
                << program.details << "\n\n"
                << "Options:\n"
                << "  -h, --help     display this help and exit\n"
                << "  -V, --version  output version information and exit\n\n"
                << "Qt's own options, such as -platform and -display, are taken as in every Qt program.\n";
            return 0;
        }
        if (argument == "--version" || argument == "-V") {
            out << program.name << ' ' << TARVIK_VERSION << '\n';
            return 0;
        }
    }
    return std::nullopt;
}
