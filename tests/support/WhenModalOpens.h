#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

// Runs act on the modal dialog of type Modal as soon as it is open (it may take a while to
// build under the sanitizers); gives up after five seconds so that a test never hangs.
template <typename Modal>
void WhenModalOpens(std::function<void(Modal*)> act)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        if (auto* modal = qobject_cast<Modal*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            act(modal);
        } else if (++*tries > 250) {
            poll->deleteLater();
            poll->stop();
            ADD_FAILURE() << "the expected dialog did not open";
        }
    });
    poll->start(20);
}
