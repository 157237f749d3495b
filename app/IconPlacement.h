#pragma once

#include <QPoint>

// Where the minimised window draws its icon: centred, in integer arithmetic.
constexpr QPoint IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight)
{
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
