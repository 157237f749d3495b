#include "res/DialogTemplate.h"

namespace res {

// The board view: a child without caption or controls, filled by its OpenGL picture.
const DialogTemplate BoardViewFrameTemplate = {
    132, "", nullptr, 8, 459, 140, Child | SunkenEdge, {}, {}, {},
};

}  // namespace res
