#pragma once
// SIGTERM and SIGINT end the app the same way as "Quit Lunebox": the
// handler only writes a byte to a socket pair, and the event loop, seeing
// it readable, quits normally, so stores are flushed and children stopped.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace corvane::app {

class QuitSignals final : public QObject {
    Q_OBJECT
public:
    // One per process; installs the handlers for SIGTERM and SIGINT.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signal);

private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace corvane::app
