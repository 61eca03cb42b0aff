// SIGTERM and SIGHUP reach the program as a Qt signal, through its event loop.
#include "ui/session_end.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace clickwisp;

class SessionEndTest : public QObject {
    Q_OBJECT
private slots:
    void termAndHupArriveThroughTheEventLoopAndTheFormerHandlersComeBack()
    {
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        struct sigaction before { };
        sigaction(SIGHUP, &ignore, &before);
        {
            SessionEndSignals endSignals;
            QVERIFY(endSignals.ok());
            QSignalSpy received(&endSignals, &SessionEndSignals::received);
            // Without the handler, SIGTERM would end this test program here.
            QCOMPARE(raise(SIGTERM), 0);
            QCOMPARE(received.count(), 0); // not inside the handler
            QTRY_COMPARE(received.count(), 1);
            QCOMPARE(received[0][0].toInt(), SIGTERM);
            raise(SIGHUP);
            raise(SIGHUP);
            QTRY_COMPARE(received.count(), 3);
            QCOMPARE(received[2][0].toInt(), SIGHUP);
        }
        struct sigaction after { };
        sigaction(SIGHUP, nullptr, &after);
        QVERIFY(after.sa_handler == SIG_IGN);
        sigaction(SIGHUP, &before, nullptr);
    }
};

QTEST_GUILESS_MAIN(SessionEndTest)
#include "session_end_test.moc"
