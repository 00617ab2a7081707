// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace vantrel {

// SIGTERM and SIGINT (a session ending, Ctrl+C) become a call on the window
// thread, so they end the program through the same shutdown as the close
// box. The handler only writes a byte to a socket pair; the notifier reads
// it in the event loop.
class CTerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit CTerminationSignals(std::function<void()> onSignal);
    ~CTerminationSignals() override;

  private:
    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace vantrel
