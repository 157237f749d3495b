#include <cstdio>

#include "platform/Platform.h"

// Prints each argument as the program sees it through platform::Arguments, one per line in
// hexadecimal UTF-8, so that the test reads the bytes whatever the console's code page is.
int main(int argc, char** argv)
{
    for (const std::string& argument : platform::Arguments(argc, argv)) {
        for (unsigned char c : argument)
            std::printf("%02x", c);
        std::printf("\n");
    }
    return 0;
}
