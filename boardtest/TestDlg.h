#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "boardtest/BoardWorker.h"
#include "boardtest/PinWatch.h"
#include "dialog/Dialog.h"
#include "pins/PinState.h"

namespace board {
class Board;
}
class BoardViewFrame;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;

// The board test dialog: six boundary-scan tests (two of them disabled), a pin number and
// a level, the result box, the pin watch, and the board view in the frame at the bottom. It
// runs the tests, the captures a click on the board view asks for and the watch's captures
// on the board's worker, and shows what they found once they have ended.
class CTestDlg final : public CDialog {
    Q_OBJECT
public:
    // On the worker of the window that opened it.
    explicit CTestDlg(BoardWorker& worker, QWidget* parent = nullptr);
    // On a worker of its own for board.
    explicit CTestDlg(board::Board& board, QWidget* parent = nullptr);
    ~CTestDlg() override;

    std::string ResultText = "<no tests performed yet>";
    std::string LevelText = "Hi-Z";
    int TestIndex = 0;
    int PinNumber = 1;

    // The board view, or none when it could not be created.
    BoardViewFrame* BoardView() const { return m_boardView.get(); }

    void OnExecuteTest();
    void OnLeaveTestMode();
    // A click on the board view over header position: a fresh capture, and the pin's state.
    void OnHeaderPositionClicked(int position);

    bool Watching() const { return m_watch.Running(); }
    // No test, click or capture of the dialog is running or waiting to run on the board.
    bool BoardIdle() const { return m_worker.Idle(); }
    // The shortest time between two captures of the watch; by default one frame of the
    // screen the dialog is on. Zero lifts the limit: the watch captures as fast as the
    // board answers.
    void SetWatchInterval(std::chrono::milliseconds interval) { m_watchInterval = interval; }
    std::chrono::milliseconds WatchInterval() const;

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnCancel() override;

private:
    void OnWatchPins();
    // The controls that would start another board operation, disabled while one runs.
    void EnableBoardControls(bool enable);
    void StopWatch();
    void OnWatchCaptured(const pins::Capture& capture);
    void OnWatchCaptureFailed();
    // Puts ResultText into the result box, without touching the other controls.
    void ShowResultText();

    std::unique_ptr<BoardWorker> m_ownWorker;
    BoardWorker& m_worker;
    board::Board& m_board;
    bool m_leaving = false;
    QPlainTextEdit* m_resultBox = nullptr;
    QGroupBox* m_boardViewFrame = nullptr;
    QCheckBox* m_watchBox = nullptr;
    std::unique_ptr<BoardViewFrame> m_boardView;
    PinWatch m_watch;
    std::optional<std::chrono::milliseconds> m_watchInterval;
    // While watching, the header position whose line the result box follows after a click on
    // its marker; none: the box follows with the whole listing.
    std::optional<int> m_followedPosition;
};
