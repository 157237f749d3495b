#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace sim {

class SimBackend;
class SimWatcher;

// The simulated board's own small window: plug and unplug it (back into the same port or
// into another), switch its JTAG chain, and upset it with the faults the program must survive.
class SimBoardWindow final : public QWidget {
    Q_OBJECT
public:
    SimBoardWindow(SimBackend& backend, SimWatcher& watcher, QWidget* parent = nullptr);

    void Unplug();
    void Plug(bool anotherPort);

private:
    void ShowState();

    SimBackend& m_backend;
    SimWatcher& m_watcher;
    QLabel* m_state;
    QPushButton* m_unplug;
    QPushButton* m_plug;
    QPushButton* m_plugOther;
    QCheckBox* m_jtagChain;
    QCheckBox* m_refuseRelease;
    QSpinBox* m_failPage;
};

}  // namespace sim
