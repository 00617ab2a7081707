// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace vantrel {

// One copy of the program per user. The first copy listens on a local
// socket named after the program and the user; a later copy connects, asks
// the first to show itself, and ends. A socket left by a copy that crashed
// answers nobody and is taken over.
class CSingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit CSingleInstance(const QString& key);

    enum class Outcome {
        First,       // this is the only copy, and later ones will find it
        HandedOver,  // a running copy was asked to come to the front
        Failed,      // no copy answered and this one cannot listen either
    };
    [[nodiscard]] Outcome Acquire();
    // Why the last Acquire failed.
    [[nodiscard]] QString ErrorText() const { return m_server.errorString(); }

    // What to do when a later copy asks this one to show itself.
    void OnShowRequested(std::function<void()> show) { m_show = std::move(show); }

  private:
    QString m_name;
    QLocalServer m_server;
    std::function<void()> m_show;
};

}  // namespace vantrel
