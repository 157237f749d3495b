#pragma once

#include <memory>
#include <string>

#include "dialog/Dialog.h"

namespace boardlink {
class BoardLink;
}
class BoardViewFrame;
class QGroupBox;
class QPlainTextEdit;

// The board test dialog: six boundary-scan tests (two of them disabled), a pin number and
// a level, the result box, and the board view in the frame at the bottom. It runs the tests
// and the captures a click on the board view asks for on its board link.
class CTestDlg final : public CDialog {
    Q_OBJECT
public:
    explicit CTestDlg(boardlink::BoardLink& link, QWidget* parent = nullptr);
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

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnCancel() override;

private:
    boardlink::BoardLink& m_link;
    QPlainTextEdit* m_resultBox = nullptr;
    QGroupBox* m_boardViewFrame = nullptr;
    std::unique_ptr<BoardViewFrame> m_boardView;
};
