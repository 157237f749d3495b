#include <QOpenGLWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "RecordingBoardView.h"
#include "pins/PinState.h"
#include "scene/PictureTexels.h"
#include "view/BoardScene.h"

using picture_texels::Shown;

namespace {

pins::Capture Filled(uint8_t value)
{
    pins::Capture capture;
    capture.fill(value);
    return capture;
}

scene::picture::Rgb Rgb(QRgb c)
{
    return {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
            static_cast<uint8_t>(qBlue(c))};
}

class BoardViewWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!BoardViewFrame::OpenGLAvailable())
            GTEST_SKIP() << "this display offers no OpenGL context";
        m_frame.resize(720, 260);
    }

    QWidget m_frame;
};

}  // namespace

TEST_F(BoardViewWindow, SitsInItsFrameAtTheTemplatesSize)
{
    RecordingBoardView view(&m_frame);
    EXPECT_EQ(view.parentWidget(), &m_frame);
    EXPECT_EQ(view.pos(), QPoint(0, 0));
    const QSize client = view.ClientArea()->size();
    EXPECT_NEAR(client.width(), 684, 1);
    EXPECT_NEAR(client.height(), 223, 1);
    EXPECT_EQ(client, BoardViewFrame::ClientSize());
    EXPECT_EQ(view.contentsRect(), view.ClientArea()->geometry()) << "the edge surrounds the client area";
}

// Each new view starts from the initial look, whatever an earlier one showed, and draws the
// board with its markers when shown.
TEST_F(BoardViewWindow, ShowsTheBoardInItsInitialLook)
{
    for (int opening = 0; opening < 2; ++opening) {
        // Each opening in a window of its own, as each test dialog is.
        QWidget window;
        window.resize(m_frame.size());
        auto* view = new RecordingBoardView(&window);
        ASSERT_TRUE(view->HasOpenGL());
        EXPECT_EQ(view->ShownCapture(), Filled(0xFF)) << "opening " << opening;

        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QImage frame = static_cast<QOpenGLWidget*>(view->ClientArea())->grabFramebuffer();
        ASSERT_EQ(frame.size(), BoardViewFrame::ClientSize());

        // A stretch of bare board and the shaft of position 0's marker, which reads '1'.
        const double w = frame.width() / 5500.0;
        const double h = frame.height() / 1900.0;
        const QPoint board(qRound(1720 * w), qRound((1900 - 900) * h));
        const QPoint shaft(qRound(1350 * w), qRound((1900 - 1692) * h));
        EXPECT_EQ(Rgb(frame.pixel(board)), Shown(scene::picture::BoardGreen));
        EXPECT_EQ(Rgb(frame.pixel(shaft)), (scene::picture::Rgb{255, 255, 128}));
        EXPECT_NE(view->Scene().BoardImage(), nullptr);
        // An earlier view's last capture is not shown by the next one.
        pins::Capture driven = Filled(0x00);
        view->ShowCapture(driven);

        delete view;
    }
}

// The picture is uploaded once per OpenGL context: later paints still show it.
TEST_F(BoardViewWindow, PictureShowsOnLaterPaints)
{
    auto boardShown = [](BoardViewFrame& view) {
        const QImage frame = static_cast<QOpenGLWidget*>(view.ClientArea())->grabFramebuffer();
        const QPoint board(qRound(1720 * frame.width() / 5500.0), qRound((1900 - 900) * frame.height() / 1900.0));
        return Rgb(frame.pixel(board)) == Shown(scene::picture::BoardGreen);
    };
    QWidget first;
    first.resize(m_frame.size());
    auto* view = new RecordingBoardView(&first);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    EXPECT_TRUE(boardShown(*view)) << "first paint";
    view->ShowCapture(Filled(0x00));
    EXPECT_TRUE(boardShown(*view)) << "a later paint";
}

// Only the left button asks for a pin. A double click comes as a click followed by a
// double-click event, which counts as a second press.
TEST_F(BoardViewWindow, HandsLeftButtonPressesToTheView)
{
    RecordingBoardView view(&m_frame);
    m_frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
    QTest::mouseClick(view.ClientArea(), Qt::LeftButton, {}, QPoint(170, 200));
    QTest::mouseClick(view.ClientArea(), Qt::RightButton, {}, QPoint(300, 20));
    QTest::mouseClick(view.ClientArea(), Qt::LeftButton, {}, QPoint(178, 10));
    QTest::mouseDClick(view.ClientArea(), Qt::LeftButton, {}, QPoint(178, 10));
    EXPECT_EQ(view.presses, (std::vector<QPoint>{{170, 200}, {178, 10}, {178, 10}}));
}
