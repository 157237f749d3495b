#include "scene/BoardPicture.h"

// The generator's output file is pulled into read-only data whole by the assembler, so the
// 1.5 MB picture needs neither a source array nor a copy at start-up.
asm(".section .rodata.BoardPicture,\"a\",@progbits\n"
    ".global BoardPicture\n"
    ".type BoardPicture, @object\n"
    ".balign 4\n"
    "BoardPicture:\n"
    ".incbin \"" TARVIK_BOARD_PICTURE_FILE "\"\n"
    ".size BoardPicture, . - BoardPicture\n"
    ".previous\n");
