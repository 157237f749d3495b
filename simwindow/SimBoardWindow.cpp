#include "simwindow/SimBoardWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <string>

#include "pins/PinTables.h"
#include "link/DeviceWatcher.h"
#include "link/Reports.h"
#include "sim/SimBackend.h"
#include "simwindow/SimWatcher.h"

namespace sim {
namespace {

constexpr const char* OtherPortPath = "/dev/hidraw-sim1";
// Room left between the two windows.
constexpr int WindowGap = 8;

QPushButton* AddButton(QLayout* layout, const QString& caption)
{
    auto* button = new QPushButton(caption);
    layout->addWidget(button);
    return button;
}

}  // namespace

SimBoardWindow::SimBoardWindow(SimBackend& backend, SimWatcher& watcher, QWidget* parent)
    : QWidget(parent, Qt::Window), m_backend(backend), m_watcher(watcher)
{
    setWindowTitle(QStringLiteral("Simulated Morvane board"));
    auto* layout = new QVBoxLayout(this);
    m_state = new QLabel;
    layout->addWidget(m_state);

    auto* usb = new QHBoxLayout;
    m_unplug = AddButton(usb, QStringLiteral("Unplug"));
    m_plug = AddButton(usb, QStringLiteral("Plug in"));
    m_plugOther = AddButton(usb, QStringLiteral("Plug into another port"));
    layout->addLayout(usb);
    connect(m_unplug, &QPushButton::clicked, this, &SimBoardWindow::Unplug);
    connect(m_plug, &QPushButton::clicked, this, [this] { Plug(false); });
    connect(m_plugOther, &QPushButton::clicked, this, [this] { Plug(true); });

    m_jtagChain = new QCheckBox(QStringLiteral("JTAG boundary-scan chain on"));
    m_jtagChain->setChecked(m_backend.Board().JtagChainEnabled());
    connect(m_jtagChain, &QCheckBox::toggled, this, [this](bool on) { Change([on](SimBackend& b) { b.Board().SetJtagChainEnabled(on); }); });
    layout->addWidget(m_jtagChain);

    m_realTiming = new QCheckBox(QStringLiteral("Real USB timing"));
    m_realTiming->setChecked(m_backend.RealTiming());
    connect(m_realTiming, &QCheckBox::toggled, this, [this](bool on) { m_backend.SetRealTiming(on); });
    layout->addWidget(m_realTiming);

    auto* faults = new QGroupBox(QStringLiteral("Faults"));
    auto* faultLayout = new QVBoxLayout(faults);
    // Every fault of the model, at the next exchange.
    for (const sim::LinkFaultName& fault : sim::LinkFaultNames) {
        QPushButton* button = AddButton(faultLayout, QStringLiteral("Next exchange: ") +
                                                         QString::fromUtf8(fault.name.data(), static_cast<qsizetype>(fault.name.size())));
        button->setToolTip(QString::fromUtf8(fault.help.data(), static_cast<qsizetype>(fault.help.size())));
        connect(button, &QPushButton::clicked, this, [this, kind = fault.fault] { Change([kind](SimBackend& b) { b.InjectFault(kind); }); });
    }
    connect(AddButton(faultLayout, QStringLiteral("Refuse the next capture")), &QPushButton::clicked, this,
            [this] { Change([](SimBackend& b) { b.Board().RefuseNextCapture(); }); });
    connect(AddButton(faultLayout, QStringLiteral("Blank the serial number")), &QPushButton::clicked, this, [this] {
        Change([](SimBackend& b) {
            b.Board().Flash()[0] = 0;
            b.Board().Flash()[1] = 0;
        });
    });
    auto* wrongStatus = new QCheckBox(QStringLiteral("Memory reads answer 'R' instead of 'S'"));
    connect(wrongStatus, &QCheckBox::toggled, this, [this](bool on) {
        Change([on](SimBackend& b) {
            b.Board().OverrideStatus(boardlink::ReadMemory, on ? std::optional<uint8_t>('R') : std::nullopt);
        });
    });
    faultLayout->addWidget(wrongStatus);
    m_refuseRelease = new QCheckBox(QStringLiteral("FPGA fails to configure on release"));
    connect(m_refuseRelease, &QCheckBox::toggled, this, [this](bool on) { Change([on](SimBackend& b) { b.Board().RefuseRelease(on); }); });
    faultLayout->addWidget(m_refuseRelease);

    auto* pageRow = new QFormLayout;
    m_failPage = new QSpinBox;
    // -1: no page fails; otherwise the configuration page (0..255) whose programming fails.
    m_failPage->setRange(-1, 255);
    m_failPage->setValue(-1);
    m_failPage->setSpecialValueText(QStringLiteral("none"));
    connect(m_failPage, &QSpinBox::valueChanged, this, [this](int page) {
        Change([page](SimBackend& b) {
            b.Board().RefusePage(page < 0 ? std::nullopt
                                          : std::optional<uint16_t>(static_cast<uint16_t>(0x0100 + page * 128)));
        });
    });
    pageRow->addRow(QStringLiteral("Fail configuration page"), m_failPage);
    faultLayout->addLayout(pageRow);
    layout->addWidget(faults);

    // What an undriven pin reads: its pull-up, unless something on the header pulls it low.
    auto* levels = new QGroupBox(QStringLiteral("Undriven pin levels"));
    auto* levelRow = new QHBoxLayout(levels);
    auto* pin = new QSpinBox;
    pin->setRange(1, pins::FpgaPinCount);
    pin->setPrefix(QStringLiteral("FPGA pin "));
    auto* level = new QComboBox;
    level->addItems({QStringLiteral("reads 1 (pulled up)"), QStringLiteral("reads 0 (pulled low)")});
    levelRow->addWidget(pin);
    levelRow->addWidget(level);
    connect(AddButton(levelRow, QStringLiteral("Set")), &QPushButton::clicked, this, [this, pin, level] {
        const uint8_t cellGroup = pins::BoundaryCellTable[static_cast<std::size_t>(pin->value())];
        const bool high = level->currentIndex() == 0;
        if (cellGroup != 0)
            Change([cellGroup, high](SimBackend& b) { b.Board().SetExternalLevel(cellGroup, high); });
    });
    layout->addWidget(levels);
    ShowState();
}

namespace {

// One axis of PlaceBeside: the start of the board window after the main window, before it,
// or (the main window moved) the pair centred on the screen; nothing when they do not fit.
struct AxisPlaces {
    int main;
    int board;
};
std::optional<AxisPlaces> PlaceOnAxis(int screenStart, int screenLength, int mainStart, int mainLength,
                                      int boardLength)
{
    const int screenEnd = screenStart + screenLength;
    if (mainStart + mainLength + WindowGap + boardLength <= screenEnd)
        return AxisPlaces{mainStart, mainStart + mainLength + WindowGap};
    if (mainStart - WindowGap - boardLength >= screenStart)
        return AxisPlaces{mainStart, mainStart - WindowGap - boardLength};
    const int pair = mainLength + WindowGap + boardLength;
    if (pair > screenLength)
        return std::nullopt;
    const int start = screenStart + (screenLength - pair) / 2;
    return AxisPlaces{start, start + mainLength + WindowGap};
}

// The start that keeps a window of this length on the screen, as near to `wanted` as can be.
int KeepOnScreen(int wanted, int length, int screenStart, int screenLength)
{
    return std::max(screenStart, std::min(wanted, screenStart + screenLength - length));
}

}  // namespace

SimBoardWindow::Places SimBoardWindow::PlaceBeside(const QRect& screen, const QRect& mainFrame,
                                                   const QSize& boardFrame)
{
    const QPoint main = mainFrame.topLeft();
    if (const auto across = PlaceOnAxis(screen.x(), screen.width(), main.x(), mainFrame.width(), boardFrame.width()))
        return {{across->main, main.y()},
                {across->board, KeepOnScreen(main.y(), boardFrame.height(), screen.y(), screen.height())}};
    if (const auto down = PlaceOnAxis(screen.y(), screen.height(), main.y(), mainFrame.height(), boardFrame.height()))
        return {{main.x(), down->main},
                {KeepOnScreen(main.x(), boardFrame.width(), screen.x(), screen.width()), down->board}};
    return {main, screen.topLeft()};
}

void SimBoardWindow::ShowBeside(QWidget& mainWindow)
{
    adjustSize();
    // Before it is shown this window has no frame yet; the window manager gives it the frame
    // the main window has.
    const QSize frame = mainWindow.frameGeometry().size() - mainWindow.size();
    const QScreen* screen = mainWindow.screen();
    const Places places = PlaceBeside(screen->availableGeometry(), mainWindow.frameGeometry(), size() + frame);
    if (places.main != mainWindow.pos())
        mainWindow.move(places.main);
    move(places.board);
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
}

void SimBoardWindow::Change(const std::function<void(SimBackend&)>& change)
{
    const auto held = m_backend.Hold();
    change(m_backend);
}

void SimBoardWindow::Unplug()
{
    boardlink::DeviceNotification removed;
    {
        const auto held = m_backend.Hold();
        if (!m_backend.Plugged())
            return;
        m_backend.Unplug();
        removed.devicePath = m_backend.BoardPath();
        removed.deviceIdentity = m_backend.BoardIdentity();
    }
    // The notice goes out with the board let go: the main window may look at the board then.
    m_watcher.Notify(boardlink::DeviceRemoveComplete, removed);
    ShowState();
}

void SimBoardWindow::Plug(bool anotherPort)
{
    boardlink::DeviceNotification arrived;
    {
        const auto held = m_backend.Hold();
        if (m_backend.Plugged())
            return;
        m_backend.Plug(anotherPort ? OtherPortPath : SimBackend::DefaultBoardPath);
        arrived.devicePath = m_backend.BoardPath();
        arrived.deviceIdentity = m_backend.BoardIdentity();
    }
    m_watcher.Notify(boardlink::DeviceArrival, arrived);
    ShowState();
}

void SimBoardWindow::ShowState()
{
    bool plugged = false;
    std::string path;
    {
        const auto held = m_backend.Hold();
        plugged = m_backend.Plugged();
        path = m_backend.BoardPath();
    }
    m_state->setText(plugged ? QStringLiteral("Plugged in at %1").arg(QString::fromStdString(path))
                             : QStringLiteral("Unplugged"));
    m_unplug->setEnabled(plugged);
    m_plug->setEnabled(!plugged);
    m_plugOther->setEnabled(!plugged);
}

}  // namespace sim
