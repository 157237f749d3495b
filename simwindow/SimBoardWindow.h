#pragma once

#include <functional>

#include <QPoint>
#include <QRect>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace sim {

class SimBackend;
class SimWatcher;

// The simulated board's own small window: plug and unplug it (back into the same port or
// into another), switch its JTAG chain and its real USB timing, and upset it with the faults
// the program must survive.
class SimBoardWindow final : public QWidget {
    Q_OBJECT
public:
    SimBoardWindow(SimBackend& backend, SimWatcher& watcher, QWidget* parent = nullptr);

    // Where the main window and this window go so that neither covers the other (places of
    // the frames' top left corners): this window beside the main window, right of it where it
    // fits, else left of it; where neither fits, the pair side by side across the screen (the
    // main window moves), else one above the other the same ways. Only a screen smaller than
    // both windows together leaves them overlapping.
    struct Places {
        QPoint main;
        QPoint board;
    };
    static Places PlaceBeside(const QRect& screen, const QRect& mainFrame, const QSize& boardFrame);
    // Shows this window beside the shown main window, without taking the focus from it.
    void ShowBeside(QWidget& mainWindow);

    void Unplug();
    void Plug(bool anotherPort);

private:
    // Changes the board with it held still: a board operation may be running on a worker.
    void Change(const std::function<void(SimBackend&)>& change);
    void ShowState();

    SimBackend& m_backend;
    SimWatcher& m_watcher;
    QLabel* m_state;
    QPushButton* m_unplug;
    QPushButton* m_plug;
    QPushButton* m_plugOther;
    QCheckBox* m_jtagChain;
    QCheckBox* m_realTiming;
    QCheckBox* m_refuseRelease;
    QSpinBox* m_failPage;
};

}  // namespace sim
