// The look-up thread of a connect by name.
#include "net/ztConnectLookupThread.h"

#include "net/ztIPEndpoint.h"

#include <utility>

ztConnectLookupThread::ztConnectLookupThread(std::string inHostName)
    : itsHostName(std::move(inHostName)) {
    itsName = "ztConnectLookupThread";
}

ztConnectLookupThread::~ztConnectLookupThread() {
    waitForBodyEnd();
}

void ztConnectLookupThread::run() {
    itsResults = ztIPEndpoint::getAddressInfo(itsHostName);
    itsCompleted.store(true);
}
