#include "scene/Markers.h"

namespace scene {

MarkerLook MarkerLookOf(char letter)
{
    if (letter == 'H' || letter == 'L')
        return {0, letter & 4};
    return {1, letter % 2 == 0 ? 4 : 0};
}

}  // namespace scene
