// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace vantrel::test {

// Runs the action on the next modal dialog once it is up. The polling
// timer belongs to owner, so none outlives the test that set it.
inline void WhenModal(QObject* owner, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

}  // namespace vantrel::test
