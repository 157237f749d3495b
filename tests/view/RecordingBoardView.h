#pragma once

#include <vector>

#include <QPoint>

#include "view/BoardViewFrame.h"

// A board view that records the left-button presses its client area hands on.
class RecordingBoardView : public BoardViewFrame {
public:
    using BoardViewFrame::BoardViewFrame;
    void OnLButtonDown(QPoint point) override { presses.push_back(point); }
    std::vector<QPoint> presses;
};
