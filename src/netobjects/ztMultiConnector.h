#pragma once
// Opening a connection to a server name that stands for several addresses (a group of
// servers of which only some accept work at a time): every address is tried in parallel,
// each on its own ztMultiConnector thread, in rounds, and the first that answers the
// Connect exchange as ready is taken. A server that answers "not ready" is asked again on
// later rounds over the connection it already has.

#include "netobjects/ztConnectAnswer.h"
#include "netobjects/ztNetObjectHandler.h"
#include "threads/ztThread.h"
#include "util/ztIPv6.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class ztEvent;
class ztProgress;

class ztMultiConnector : public ztThread {
public:
    // Connects to inAddress:inPort with the plain connect of ztNetObjectHandler, naming the
    // server inServerName in messages. The thread's own stop event cancels the attempt.
    ztMultiConnector(const ztIPv6& inAddress, uint16_t inPort, std::string inServerName,
                     uint16_t inExpectedVersion, bool inCompress,
                     const ztConnectSettings& inSettings);
    // Stops the attempt and waits for the thread; a handler not taken is stopped with it.
    ~ztMultiConnector() override;

    // Read these once the thread has stopped (its stopped event is set).
    const ztIPv6& getAddress() const { return itsAddress; }
    ztConnectAnswer& getAnswer() { return itsAnswer; }
    const ztConnectAnswer& getAnswer() const { return itsAnswer; }
    // The connection, when the attempt succeeded; null once taken.
    ztNetObjectHandler* getHandler() const { return itsHandler.get(); }
    std::unique_ptr<ztNetObjectHandler> takeHandler() { return std::move(itsHandler); }
    // Whether a not-ready answer has been seen once (the next one is asked again).
    bool isChecked() const { return itsChecked; }
    void setChecked() { itsChecked = true; }
    bool isFinished() const { return itsFinished.load(); }

protected:
    // Runs the connect; an exception ends the thread without a handler.
    void run() override;

private:
    const ztIPv6 itsAddress;
    const uint16_t itsPort;
    const std::string itsServerName;
    const uint16_t itsExpectedVersion;
    ztConnectAnswer itsAnswer;
    bool itsChecked = false;
    const bool itsCompress;
    std::unique_ptr<ztNetObjectHandler> itsHandler;
    std::atomic<bool> itsFinished{false};
    const ztConnectSettings itsSettings;
};

// Opens a connection to the server inServerName. inAddress, when set, is connected
// directly; otherwise an address literal in inServerName is, and else the name is
// resolved (within the settings' time-out): a single address, or one IPv4 and one IPv6
// address, are connected directly (errors as for ztNetObjectHandler::connectToServer);
// more are raced against each other in rounds (ztConnectSettings) until
// one answers the Connect exchange as ready. inMessageName names the server in messages;
// inCancelEvent (optional, not owned) ends the attempt; inExpectedVersion, inProgress,
// outAnswer and inCompress are those of the plain connect. Returns the running handler,
// owned by the caller. Throws ztErr_hostNotFound when the name has no address,
// ztErr_cancelled (empty text) when cancelled, and ztErr_connectFailed when no address was
// taken in the total time. Any thread; blocks until done.
std::unique_ptr<ztNetObjectHandler>
connectToAnyServer(const std::string& inServerName, const ztIPv6& inAddress, uint16_t inPort,
                   const std::string& inMessageName, ztEvent* inCancelEvent,
                   uint16_t inExpectedVersion, ztProgress* inProgress, ztConnectAnswer& outAnswer,
                   bool inCompress, const ztConnectSettings& inSettings = {});
