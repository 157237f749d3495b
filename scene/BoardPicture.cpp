#include "scene/BoardPicture.h"

// The generator's output file is pulled into read-only data whole by the assembler, so the
// 1.5 MB picture needs neither a source array nor a copy at start-up.
#if defined(_WIN32)
// PE/COFF: read-only data is .rdata, and symbols have neither type nor size.
asm(".section .rdata$BoardPicture,\"dr\"\n"
    ".global BoardPicture\n"
    ".balign 4\n"
    "BoardPicture:\n"
    ".incbin \"" TARVIK_BOARD_PICTURE_FILE "\"\n"
    ".text\n");
#else
asm(".section .rodata.BoardPicture,\"a\",@progbits\n"
    ".global BoardPicture\n"
    ".type BoardPicture, @object\n"
    ".balign 4\n"
    "BoardPicture:\n"
    ".incbin \"" TARVIK_BOARD_PICTURE_FILE "\"\n"
    ".size BoardPicture, . - BoardPicture\n"
    ".previous\n");
#endif
