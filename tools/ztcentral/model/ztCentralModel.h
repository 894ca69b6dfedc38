#pragma once
// The stand-in server's data behind one mutex. The server runs one handler thread per
// connection; each command runs wholly under the lock, so it sees and leaves consistent data.

#include "ztcentral/model/ztCentralStore.h"

#include <mutex>
#include <string>
#include <string_view>
#include <utility>

class ztCentralModel {
public:
    // inClock stamps history entries; an empty clock reads the system time.
    explicit ztCentralModel(ztCentralStore::Clock inClock = {}) : itsStore(std::move(inClock)) {}
    ztCentralModel(const ztCentralModel&) = delete;
    ztCentralModel& operator=(const ztCentralModel&) = delete;

    // Runs inWork(store) with the mutex held and returns its result. inWork must not call
    // back into this model, and nothing it keeps from the store may be used after it returns.
    // Any thread may call.
    template <class Work> decltype(auto) locked(Work&& inWork) {
        std::lock_guard<std::mutex> lock(itsMutex);
        return std::forward<Work>(inWork)(itsStore);
    }

    // The canonical login name of the user with that login name (any letter case) and
    // password, or empty when there is none. For the server's Login.
    std::string authenticate(std::string_view inLoginName, std::string_view inPassword);

private:
    std::mutex itsMutex;
    ztCentralStore itsStore;
};
