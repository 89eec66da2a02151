// The command frame, the receive tick, the dispatch step, the status poll and the watchdog,
// driven directly on a fake port, with the device layer's reading of the answers.

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "device/DeviceAnswers.h"
#include "device/EdidUpload.h"
#include "device/OperationGuard.h"
#include "link/DeviceLink.h"
#include "link/EventLoopWait.h"
#include "link/TThread_Uart_Api.h"
#include "tests/link/LinkFakes.h"

using namespace varnok;
using namespace varnok::test;

Q_DECLARE_METATYPE(QList<int>)

class TestLinkFrame : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingLinkView> view;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<DeviceAnswers> answers;
    std::shared_ptr<FakeLine> line;

    static QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

    // Feeds bytes and runs one receive tick.
    void tick(const QByteArray& bytes = {}) {
        line->incoming += bytes;
        link->Timer_UART_RxTimer();
    }

private slots:
    void init() {
        view = std::make_unique<RecordingLinkView>();
        link = std::make_unique<DeviceLink>(*view);
        answers = std::make_unique<DeviceAnswers>(*link);
        line = std::make_shared<FakeLine>();
        line->open = true;
        link->ComPort = std::make_unique<FakeSerialPort>(line);
    }
    void cleanup() {
        answers.reset();
        link.reset();
        view.reset();
    }

    void startState() {
        QCOMPARE(link->LinkMode, kLinkModeApi);
        QVERIFY(!link->Timer_UART_Rx->isActive());
        QVERIFY(!link->Timer_Poll_Status->isActive());
        QCOMPARE(link->Timer_UART_Rx->interval(), 100);
        QCOMPARE(link->Timer_Poll_Status->interval(), 1000);
        QVERIFY(link->dispatcher().Suspended());
        QVERIFY(!link->dispatcher().isRunning());
        QCOMPARE(link->dispatcher().objectName(), QStringLiteral("Thread_Uart_Api"));
    }

    void header_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("dataWrites");
        QTest::newRow("262 write 128") << 1 << 262 << 128 << hex("8106800d") << 128;
        QTest::newRow("261 write 128") << 1 << 261 << 128 << hex("8105800d") << 128;
        QTest::newRow("257 read") << 0 << 257 << 1 << hex("0101010d") << 0;
        QTest::newRow("257 set mode") << 1 << 257 << 1 << hex("8101010d") << 1;
        QTest::newRow("9 probe") << 0 << 9 << 3 << hex("0009030d") << 0;
        QTest::newRow("10 notice") << 1 << 10 << 0 << hex("800a000d") << 0;
        QTest::newRow("11 notice") << 1 << 11 << 0 << hex("800b000d") << 0;
        QTest::newRow("261 read") << 0 << 261 << 128 << hex("0105800d") << 0;
        QTest::newRow("264 select") << 1 << 264 << 1 << hex("8108010d") << 1;
        QTest::newRow("519 read") << 0 << 519 << 128 << hex("0207800d") << 0;
        QTest::newRow("count low byte only") << 0 << 1 << 300 << hex("00012c0d") << 0;
    }
    void header() {
        QFETCH(int, w);
        QFETCH(int, code);
        QFETCH(int, count);
        QFETCH(QByteArray, expected);
        QFETCH(int, dataWrites);
        QByteArray data(count, '\0');
        for (int i = 0; i < count; ++i) data[i] = char(i * 7 + 3);
        link->SendApiCommand(uint8_t(w), ApiCode(code), uint16_t(count),
                             reinterpret_cast<const uint8_t*>(data.constData()));
        QVERIFY(!line->writes.isEmpty());
        QCOMPARE(line->writes.first(), expected);
        // Each data byte goes out in a write of its own; a read request sends no data.
        QCOMPARE(line->writes.size(), 1 + dataWrites);
        for (int i = 0; i < dataWrites; ++i) QCOMPARE(line->writes[1 + i], data.mid(i, 1));
        QCOMPARE(link->LastApiCode, uint32_t(code));
        QCOMPARE(link->LastApiCount, uint32_t(count));
        // Polling comes back at the end of a data phase only.
        QCOMPARE(link->Timer_Poll_Status->isActive(), dataWrites > 0);
    }

    void sendResetsReceiveState() {
        link->RxBuffer.fill(0x55);
        link->RxLength = 77;
        link->Timer_Poll_Status->start();
        link->SendApiCommand(0, 261, 128);
        QCOMPARE(link->RxLength, 0u);
        QVERIFY(std::all_of(link->RxBuffer.begin(), link->RxBuffer.end(),
                            [](uint8_t b) { return b == 0; }));
        QVERIFY(!link->Timer_Poll_Status->isActive());
    }

    void uploadProgress_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("block 0") << 261 << 1 << 50;
        QTest::newRow("block 1") << 262 << 51 << 100;
    }
    void uploadProgress() {
        QFETCH(int, code);
        QFETCH(int, first);
        QFETCH(int, last);
        const QByteArray data(128, '\x11');
        // The data phase tells each byte after its write; the upload shows it in per cent.
        int written = 0;
        link->SendApiCommand(1, ApiCode(code), 128,
                             reinterpret_cast<const uint8_t*>(data.constData()), [&](int index) {
                                 QCOMPARE(index, written);
                                 QCOMPARE(line->writes.size(), 2 + index);
                                 ++written;
                                 view->showUploadProgress(UploadProgress(ApiCode(code), index));
                             });
        QCOMPARE(view->progress.size(), 128);
        QCOMPARE(view->progress.first(), first);
        QCOMPARE(view->progress.last(), last);
        QCOMPARE(view->progress[64], first + 25);
        QVERIFY(std::is_sorted(view->progress.begin(), view->progress.end()));
        QVERIFY(link->LinkFlags & DeviceAlive);
        // Other data phases show nothing and leave DeviceAlive alone.
        view->progress.clear();
        link->LinkFlags = 0;
        const uint8_t sel = 0xFF;
        link->SendApiCommand(1, 264, 1, &sel);
        QVERIFY(view->progress.isEmpty());
        QVERIFY(!(link->LinkFlags & DeviceAlive));
    }

    void endNoticeKeepsPollingWhileConnected_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("polling");
        // 11: an operation's closing frame; 10: any other write without data.
        QTest::newRow("11 connected") << 11 << int(ConnectionState::Connected) << true;
        QTest::newRow("11 disconnected") << 11 << int(ConnectionState::Disconnected) << false;
        QTest::newRow("11 isp") << 11 << int(ConnectionState::Isp) << false;
        QTest::newRow("10 connected") << 10 << int(ConnectionState::Connected) << false;
    }
    void endNoticeKeepsPollingWhileConnected() {
        QFETCH(int, code);
        QFETCH(int, state);
        QFETCH(bool, polling);
        link->setConnectionState(ConnectionState(state));
        {
            BoundOperation operation(*link);
            if (code == 11)
                operation.sendClosing(1, ApiCode(code));
            else
                link->SendApiCommand(1, ApiCode(code), 0);
        }
        QCOMPARE(line->writes.size(), 1);
        QCOMPARE(link->Timer_Poll_Status->isActive(), polling);
    }

    // The notices come from the guard alone: once around an operation, none from one nested in
    // it, none without a connected device, and the end notice even while the program closes.
    void guardNotices() {
        link->setConnectionState(ConnectionState::Connected);
        {
            const OperationGuard outer(*link);
            { const OperationGuard inner(*link); }
            QCOMPARE(line->writes, QList<QByteArray>{hex("800a000d")});
            link->shutDown();
            link->SendApiCommand(0, 257, 1);  // refused while closing
        }
        QCOMPARE(line->writes, (QList<QByteArray>{hex("800a000d"), hex("800b000d")}));
        // An operation begun after the close sent no start notice, so no end notice either.
        { const OperationGuard late(*link); }
        QCOMPARE(line->writes.size(), 2);
        init();
        link->setConnectionState(ConnectionState::Isp);
        { const OperationGuard isp(*link, OperationGuard::KeepDeviceAlive); }
        QVERIFY(line->writes.isEmpty());
        QVERIFY(link->LinkFlags & DeviceAlive);
        // The Controller page's Open announces itself in every state.
        { const OperationGuard open(*link, OperationGuard::AnnounceAlways); }
        QCOMPARE(line->writes, (QList<QByteArray>{hex("800a000d"), hex("800b000d")}));
    }

    void completionInTwoPieces() {
        link->SendApiCommand(0, 261, 128);
        // Bytes 1 and 2 are not zero here, so the log shows the whole text.
        const QByteArray response = QByteArray("\xA1\x01\x02") + QByteArray(128, 'x');
        tick(response.left(100));
        QCOMPARE(link->RxLength, 100u);
        QVERIFY(!(link->LinkFlags & ResponseReady));
        tick();  // nothing new: still incomplete
        QVERIFY(!(link->LinkFlags & ResponseReady));
        tick(response.mid(100));
        QCOMPARE(link->RxLength, 131u);
        QVERIFY(link->LinkFlags & ResponseReady);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(link->RxBuffer.data()), 132),
                 response + QByteArray(1, '\0'));
        // The log received the buffer's text after each piece.
        const QString text = QString::fromLatin1(response);
        QCOMPARE(view->log, text.left(100) + text);
    }

    void completionCountZeroAtThreeBytes() {
        link->SendApiCommand(1, 264, 0);
        tick(hex("a100"));
        QVERIFY(!(link->LinkFlags & ResponseReady));
        tick(hex("00"));
        QVERIFY(link->LinkFlags & ResponseReady);
    }

    void noCompletionOutsideApiMode() {
        link->LinkMode = 1;
        link->SendApiCommand(0, 9, 3);
        tick(reply("QEV"));
        tick();
        QCOMPARE(link->RxLength, 6u);
        QVERIFY(!(link->LinkFlags & ResponseReady));
        QCOMPARE(view->log, QStringLiteral("\xA1"));  // text stops at the first zero byte
    }

    void floodKeepsSixteenBytes() {
        link->SendApiCommand(0, 261, 128);
        tick(reply(QByteArray(20, 'r')));
        QByteArray flood(1025, 'F');
        for (int i = 0; i < 16; ++i) flood[i] = char('a' + i);
        const QString logBefore = view->log;
        tick(flood);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(link->RxBuffer.data()), 17),
                 flood.left(16) + QByteArray(1, 'r'));
        QCOMPARE(link->RxLength, 23u);
        QCOMPARE(line->discards, 1);
        QVERIFY(line->incoming.isEmpty());
        QCOMPARE(view->log, logBefore);
    }

    void overflowKeepsEarliestBytes() {
        link->SendApiCommand(0, 261, 2000 & 0xFFFF);  // a count the buffer cannot hold
        tick(QByteArray(1000, 'a'));
        tick(QByteArray(50, 'b') + QByteArray(50, 'c'));
        QCOMPARE(link->RxLength, 1024u);
        QCOMPARE(link->RxBuffer[999], uint8_t('a'));
        QCOMPARE(link->RxBuffer[1000], uint8_t('b'));
        QCOMPARE(link->RxBuffer[1023], uint8_t('b'));
        QCOMPARE(link->RxBuffer[1024], uint8_t(0));
        QVERIFY(line->incoming.isEmpty());  // the rest was read and dropped
        tick(QByteArray(10, 'd'));
        QCOMPARE(link->RxLength, 1024u);
        QCOMPARE(link->RxBuffer[1023], uint8_t('b'));
        QVERIFY(line->incoming.isEmpty());
        QCOMPARE(line->discards, 0);
    }

    void tickWithoutPortReadsNothing() {
        link->SendApiCommand(0, 257, 1);
        tick(reply("\x02"));
        link->DispatchResponse();
        link->ComPort.reset();
        const auto before = link->RxBuffer;
        const QString log = view->log;
        link->Timer_UART_RxTimer();
        QCOMPARE(link->RxBuffer, before);
        QCOMPARE(link->RxLength, 0u);
        QCOMPARE(view->log, log);
        // Sending without a port writes nothing and does not crash.
        link->SendApiCommand(1, 11, 0);
    }

    void dispatch_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("pollOn");
        QTest::newRow("1 model") << 1 << reply(QByteArray("ABC\0\0", 5)) << "ABC"
                                 << "" << -1 << true;
        QTest::newRow("2 version") << 2 << reply(QByteArray("1.2\0", 4)) << ""
                                   << "1.2" << -1 << true;
        QTest::newRow("9 id") << 9 << reply("QEV") << ""
                              << "" << -1 << true;
        for (int m : {0, 2, 3, 1})
            QTest::addRow("257 mode %d", m) << 257 << reply(QByteArray(1, char(m))) << ""
                                            << "" << m << true;
        QTest::newRow("261 block") << 261 << reply(QByteArray(128, 'e')) << ""
                                   << "" << -1 << true;
        QTest::newRow("dropped lead 0x00") << 257 << reply(QByteArray(1, '\2'), 0x00) << ""
                                           << "" << -1 << false;
    }
    void dispatch() {
        QFETCH(int, code);
        QFETCH(QByteArray, response);
        QFETCH(QString, model);
        QFETCH(QString, version);
        QFETCH(int, mode);
        QFETCH(bool, pollOn);
        QSignalSpy models(answers.get(), &DeviceAnswers::modelNameReceived);
        QSignalSpy versions(answers.get(), &DeviceAnswers::firmwareVersionReceived);
        QSignalSpy modes(answers.get(), &DeviceAnswers::edidModeReceived);
        link->SendApiCommand(0, ApiCode(code), uint16_t(response.size() - 3));
        tick(response);
        QVERIFY(link->LinkFlags & ResponseReady);
        link->DispatchResponse();
        QVERIFY(!(link->LinkFlags & ResponseReady));
        QCOMPARE(link->RxLength, 0u);
        QCOMPARE(link->LastApiCode, 0u);
        QCOMPARE(link->Timer_Poll_Status->isActive(), pollOn);
        QCOMPARE(models.size(), model.isEmpty() ? 0 : 1);
        if (!model.isEmpty()) QCOMPARE(models[0][0].toString(), model);
        QCOMPARE(versions.size(), version.isEmpty() ? 0 : 1);
        if (!version.isEmpty()) QCOMPARE(versions[0][0].toString(), version);
        QCOMPARE(modes.size(), mode < 0 ? 0 : 1);
        if (mode >= 0) QCOMPARE(int(modes[0][0].value<uint8_t>()), mode);
        QCOMPARE(bool(link->LinkFlags & DeviceAlive), mode >= 0);
        const QByteArray id(reinterpret_cast<const char*>(link->ManufacturerId.data()), 3);
        QCOMPARE(id, code == 9 ? QByteArray("QEV") : QByteArray(3, '\0'));
        // The data stays in the buffer for the caller to copy after its pause.
        QCOMPARE(link->RxBuffer[3], uint8_t(response[3]));
        link->DispatchResponse();  // nothing ready: no second effect
        QCOMPARE(models.size() + versions.size() + modes.size(),
                 int(!model.isEmpty()) + int(!version.isEmpty()) + int(mode >= 0));
    }

    void readyResponseDispatchedBeforeNextCommand() {
        QSignalSpy models(answers.get(), &DeviceAnswers::modelNameReceived);
        link->SendApiCommand(0, 1, 5);
        tick(reply(QByteArray("HDX4\0", 5)));
        QVERIFY(link->LinkFlags & ResponseReady);
        // The dispatcher has not run yet when the status poll sends its query.
        link->SendApiCommand(0, 257, 1);
        QCOMPARE(models.size(), 1);
        QCOMPARE(link->LastApiCode, 257u);
        QVERIFY(!(link->LinkFlags & ResponseReady));
    }

    void watchdog_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("firesAt");  // 0: never
        QTest::newRow("connected, silent") << int(ConnectionState::Connected) << 0 << 30;
        QTest::newRow("connected, alive")
            << int(ConnectionState::Connected) << int(DeviceAlive) << 0;
        QTest::newRow("isp") << int(ConnectionState::Isp) << int(IspMode) << 0;
        QTest::newRow("disconnected") << int(ConnectionState::Disconnected) << 0 << 0;
        QTest::newRow("searching") << int(ConnectionState::Searching) << 0 << 0;
    }
    void watchdog() {
        QFETCH(int, state);
        QFETCH(int, flags);
        QFETCH(int, firesAt);
        link->setConnectionState(ConnectionState(state));
        link->LinkFlags = uint8_t(flags);
        QSignalSpy requests(link.get(), &DeviceLink::disconnectRequested);
        for (int t = 1; t <= 65; ++t) {
            link->Timer_UART_RxTimer();
            if (firesAt == 0) {
                QCOMPARE(link->WatchdogTicks, uint8_t(0));
            } else if (t < firesAt) {
                QCOMPARE(requests.size(), 0);
            } else if (t == firesAt) {
                QCOMPARE(requests.size(), 1);
                QCOMPARE(link->WatchdogTicks, uint8_t(0));
            }
        }
        if (firesAt == 0) QCOMPARE(requests.size(), 0);
    }

    void pollOnlyWhileConnected() {
        link->LinkFlags = DeviceAlive;
        link->setConnectionState(ConnectionState::Disconnected);
        link->Timer_Poll_StatusTimer();
        QVERIFY(line->writes.isEmpty());
        QVERIFY(link->LinkFlags & DeviceAlive);
        link->setConnectionState(ConnectionState::Connected);
        link->Timer_Poll_Status->start();
        link->Timer_Poll_StatusTimer();
        QCOMPARE(line->writes, QList<QByteArray>{hex("0101010d")});
        QVERIFY(!(link->LinkFlags & DeviceAlive));
        QVERIFY(!link->Timer_Poll_Status->isActive());
    }

    void fatalPortErrorDisconnectsOnce() {
        QSignalSpy requests(link.get(), &DeviceLink::disconnectRequested);
        link->setConnectionState(ConnectionState::Connected);
        link->LinkFlags = DeviceAlive;
        line->fatal = true;
        line->incoming = "zz";
        link->Timer_UART_RxTimer();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(view->log, QStringLiteral("Port Error: Input/output error.\r\n"));
        QCOMPARE(line->incoming, QByteArray("zz"));  // a dead port is not read
        link->Timer_UART_RxTimer();
        QCOMPARE(view->log.count(QStringLiteral("Port Error")), 1);
        // While a search probes the port it is only logged; the search closes it.
        requests.clear();
        link->setConnectionState(ConnectionState::Searching);
        link->Timer_UART_RxTimer();
        QCOMPARE(requests.size(), 0);
    }

    void waitApiResponse() {
        QElapsedTimer t;
        t.start();
        QVERIFY(link->WaitApiResponse(20));  // nothing answers
        // 19 pauses of more than 10 ms each; counted in nanoseconds, since whole milliseconds
        // would round 190.4 ms down to 190.
        QVERIFY(t.nsecsElapsed() > qint64(19) * 10 * 1000 * 1000);
        // The lead byte ends the wait; the confirmation is discarded.
        link->SendApiCommand(1, 264, 1, reinterpret_cast<const uint8_t*>("\xff"));
        line->incoming = reply({});
        link->Timer_UART_Rx->start();
        QVERIFY(!link->WaitApiResponse(20));
        QCOMPARE(link->RxLength, 0u);
        QCOMPARE(link->RxBuffer[0], uint8_t(0));
    }

    void waitApiResponseTakesInWithoutTick() {
        // The wait reads what the port holds itself, so the confirmation ends it at the first
        // 10 ms poll rather than at the next 100 ms receive tick; the watchdog does not count it.
        link->setConnectionState(ConnectionState::Connected);
        link->Timer_UART_Rx->stop();
        link->SendApiCommand(1, 264, 1, reinterpret_cast<const uint8_t*>("\xff"));
        line->incoming = reply({});
        link->WatchdogTicks = 0;
        QVERIFY(!link->WaitApiResponse(20));
        QVERIFY(line->incoming.isEmpty());
        QCOMPARE(link->RxLength, 0u);
        QCOMPARE(link->RxBuffer[0], uint8_t(0));
        QCOMPARE(link->WatchdogTicks, uint8_t(0));
    }

    void waitApiResponseTakesTheWholeConfirmation() {
        // The lead byte comes in alone and the two bytes after it 15 ms later: the wait takes
        // them in before it discards the confirmation, so none is left for the next answer.
        link->setConnectionState(ConnectionState::Connected);
        link->Timer_UART_Rx->stop();
        link->SendApiCommand(1, 264, 1, reinterpret_cast<const uint8_t*>("\xff"));
        line->incoming = QByteArray(1, char(0xA1));
        QTimer::singleShot(15, [this] { line->incoming += QByteArray(2, '\0'); });
        QVERIFY(!link->WaitApiResponse(20));
        QTest::qWait(30);  // the rest has surely arrived by now
        QVERIFY(line->incoming.isEmpty());
        QCOMPARE(link->RxLength, 0u);
        QCOMPARE(link->RxBuffer[0], uint8_t(0));
        // A rest that never comes still counts as confirmed once the polls run out.
        link->SendApiCommand(1, 264, 1, reinterpret_cast<const uint8_t*>("\xff"));
        line->incoming = QByteArray(1, char(0xA1));
        QVERIFY(!link->WaitApiResponse(20));
        QCOMPARE(link->RxLength, 0u);
    }

    void waitMsProcessesEvents() {
        bool fired = false;
        QTimer::singleShot(5, [&] { fired = true; });
        const uint32_t elapsed = link->WaitMs(30);
        QVERIFY(elapsed > 30);
        QVERIFY(fired);
    }

    void dataPhaseIsPaced_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("closeAt");  // the byte after which the program closes; -2 never
        QTest::newRow("upload half") << 261 << 128 << -2;
        QTest::newRow("one selection byte") << 264 << 1 << -2;
        // A frame once begun is written whole, and paced, whenever the program closes.
        QTest::newRow("closed in the lead pause") << 261 << 128 << -1;
        QTest::newRow("closed mid data") << 262 << 128 << 10;
        QTest::newRow("closed at the mode byte") << 257 << 1 << 0;
    }
    void dataPhaseIsPaced() {
        // What the device needs: more than 50 ms from the header to the first data byte, and
        // more than 1 ms from each data byte to the next and to whatever is written after it.
        QFETCH(int, code);
        QFETCH(int, count);
        QFETCH(int, closeAt);
        const QByteArray data(count, '\x5A');
        if (closeAt == -1) QTimer::singleShot(0, link.get(), [this] { link->shutDown(); });
        QVERIFY(link->SendApiCommand(1, ApiCode(code), uint16_t(count),
                                     reinterpret_cast<const uint8_t*>(data.constData()),
                                     [&](int index) {
                                         if (index == closeAt) link->shutDown();
                                     }));
        const qint64 returnedNs = monotonicNs();
        QCOMPARE(link->shuttingDown(), closeAt != -2);
        // Closed, nothing begins after it.
        if (closeAt != -2) QVERIFY(!link->SendApiCommand(1, 10, 0));
        QCOMPARE(line->writes.size(), 1 + count);
        QCOMPARE(line->writeNs.size(), 1 + count);
        QVERIFY(line->writeNs[1] - line->writeNs[0] > 50'000'000);
        for (int i = 1; i <= count; ++i) {
            QCOMPARE(line->writes[i], QByteArray(1, '\x5A'));
            const qint64 next = i < count ? line->writeNs[i + 1] : returnedNs;
            if (next - line->writeNs[i] <= 1'000'000)
                QFAIL(qPrintable(QStringLiteral("byte %1 was followed after %2 ns")
                                     .arg(i - 1)
                                     .arg(next - line->writeNs[i])));
        }
    }

    void waitFromAnEarlierMoment() {
        // A pause measured from a moment already past ends that long after the moment, not after
        // the call; one already over returns at once, without running events.
        EventLoopWait pauses;
        QElapsedTimer since;
        since.start();
        QThread::usleep(3000);
        QVERIFY(pauses.until(since, 2) >= 3);  // over 3 ms passed, in whole ms rounded up
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        pauses.until(since, 1);
        QVERIFY(!ran);
        QVERIFY(pauses.until(since, 20) > 20);
        QVERIFY(since.nsecsElapsed() > 20'000'000);
        QVERIFY(ran);
    }

    void nestedWaitsEachKeepTheirLength() {
        // A pause may start inside another's event loop (any handler run during a pause may
        // wait); each wakes on its own and the outer still lasts its length.
        QElapsedTimer outer;
        outer.start();
        qint64 innerNs = 0;
        QTimer::singleShot(2, [&] {
            QElapsedTimer inner;
            inner.start();
            link->WaitMs(40);
            innerNs = inner.nsecsElapsed();
        });
        QVERIFY(link->WaitMs(10) > 10);
        QVERIFY(innerNs > 40'000'000);
        QVERIFY(outer.nsecsElapsed() > 10'000'000);
        // Many pauses in a row reuse their wake-ups: none adds a descriptor.
        const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
        const auto before = openFiles();
        for (int i = 0; i < 200; ++i) QVERIFY(link->WaitMs(1) > 1);
        QCOMPARE(openFiles(), before);
    }

    void dispatcherHandsOverInsidePauses() {
        QSignalSpy modes(answers.get(), &DeviceAnswers::edidModeReceived);
        line->answer = deviceAnswers();
        link->setConnectionState(ConnectionState::Connected);
        link->enableRxTimer();
        link->startDispatcher();
        link->startDispatcher();  // starting a running one changes nothing
        link->SendApiCommand(0, 257, 1);
        link->WaitMs(250);
        QCOMPARE(modes.size(), 1);
        QVERIFY(link->dispatcher().handOvers() >= 1);
        // The poll came back with the answer and keeps the device alive.
        QVERIFY(link->Timer_Poll_Status->isActive());
        QSignalSpy requests(link.get(), &DeviceLink::disconnectRequested);
        QTRY_VERIFY_WITH_TIMEOUT(modes.size() >= 3, 10000);
        QCOMPARE(requests.size(), 0);
        // Suspended: complete responses stay undispatched.
        link->suspendDispatcher();
        const auto before = link->dispatcher().handOvers();
        link->SendApiCommand(0, 257, 1);
        link->WaitMs(250);
        QVERIFY(link->LinkFlags & ResponseReady);
        QCOMPARE(link->dispatcher().handOvers(), before);
    }

    void destroyWhileHandOverPending() {
        // The program may end with a hand-over on its way; nothing waits on the main thread.
        for (int i = 0; i < 20; ++i) {
            line->answer = deviceAnswers();
            link->startDispatcher();
            link->SendApiCommand(0, 257, 1);
            link->Timer_UART_RxTimer();
            QThread::usleep(200);
            link.reset();
            init();
        }
    }

    // Kept last: once the application is told to quit, every event loop returns at once.
    void waitMsKeepsItsLengthWhileQuitting() {
        QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        QVERIFY(link->WaitMs(150) > 150);
        QVERIFY(link->WaitMs(60) > 60);
    }
};

QTEST_GUILESS_MAIN(TestLinkFrame)
#include "tst_link_frame.moc"
