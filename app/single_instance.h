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

    // True when this is the only copy; false after the running copy was
    // asked to come to the front.
    [[nodiscard]] bool Acquire();

    // What to do when a later copy asks this one to show itself.
    void OnShowRequested(std::function<void()> show) { m_show = std::move(show); }

  private:
    QString m_name;
    QLocalServer m_server;
    std::function<void()> m_show;
};

}  // namespace vantrel
