#pragma once

#include <vector>

#include <QPoint>

#include "view/dialoggldlg.h"

// A board view that records the left-button presses its client area hands on.
class RecordingBoardView : public CBoardViewDlg {
public:
    using CBoardViewDlg::CBoardViewDlg;
    void OnLButtonDown(QPoint point) override { presses.push_back(point); }
    std::vector<QPoint> presses;
};
