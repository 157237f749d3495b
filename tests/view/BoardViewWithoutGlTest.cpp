#include <QTest>

#include <gtest/gtest.h>

#include "RecordingBoardView.h"
#include "view/BoardScene.h"

// Runs with the display's OpenGL turned off (QT_XCB_GL_INTEGRATION=none): the view must
// neither crash nor show a picture, keep its size and still take clicks.
TEST(BoardViewWithoutOpenGL, IsAnEmptyViewThatStillTakesClicks)
{
    ASSERT_FALSE(BoardViewFrame::OpenGLAvailable()) << "this run must not have OpenGL";

    QWidget frame;
    frame.resize(720, 260);
    auto* view = new RecordingBoardView(&frame);
    EXPECT_FALSE(view->HasOpenGL());
    EXPECT_EQ(view->ClientArea()->size(), BoardViewFrame::ClientSize());

    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    view->InvalidateView();
    QCoreApplication::processEvents();

    // Nothing drawn: the client area shows one plain colour, and no picture was loaded.
    const QImage shown = view->ClientArea()->grab().toImage();
    ASSERT_FALSE(shown.isNull());
    const QRgb background = shown.pixel(0, 0);
    for (int y = 0; y < shown.height(); y += 3)
        for (int x = 0; x < shown.width(); x += 3)
            ASSERT_EQ(shown.pixel(x, y), background) << "pixel " << x << ", " << y;
    EXPECT_EQ(view->Scene().BoardImage(), nullptr);

    QTest::mouseClick(view->ClientArea(), Qt::LeftButton, {}, QPoint(170, 200));
    EXPECT_EQ(view->presses, (std::vector<QPoint>{{170, 200}}));

    delete view;
}
