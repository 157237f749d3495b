#pragma once

#include <memory>
#include <string>

#include "app/Dialog.h"

class CBoardViewDlg;
class QGroupBox;
class QPlainTextEdit;

// The board test dialog: six boundary-scan tests (two of them disabled), a pin number and
// a level, the result box, and the board view in the frame at the bottom.
class CTestDlg final : public CDialog {
    Q_OBJECT
public:
    explicit CTestDlg(QWidget* parent = nullptr);
    ~CTestDlg() override;

    std::string ResultText = "<no tests performed yet>";
    std::string LevelText = "Hi-Z";
    int TestIndex = 0;
    int PinNumber = 1;

    // The board view, or none when it could not be created.
    CBoardViewDlg* BoardView() const { return m_boardView.get(); }

    void OnExecuteTest();
    void OnLeaveTestMode();

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnCancel() override;

private:
    QPlainTextEdit* m_resultBox = nullptr;
    QGroupBox* m_boardViewFrame = nullptr;
    std::unique_ptr<CBoardViewDlg> m_boardView;
};

// The test dialog open now; written by its constructor, read by the capture and by clicks
// on the board view.
extern CTestDlg* ActiveTestDlg;
