#pragma once

#include <QObject>

class QSocketNotifier;

namespace clickwisp {

// Turns SIGTERM, SIGHUP and SIGINT (a logout, systemd stopping the
// session, a closed terminal, Ctrl+C) into the signal received, on the thread that made this
// object, through its event loop. The handler only writes the signal's
// number to a pipe; nothing else can run safely inside it. One object at a
// time; the former handlers come back when it goes.
class SessionEndSignals : public QObject {
    Q_OBJECT
public:
    explicit SessionEndSignals(QObject* parent = nullptr);
    ~SessionEndSignals() override;

    // False when the pipe could not be made: the signals then keep their
    // default action (the program ends without saving).
    bool ok() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace clickwisp
