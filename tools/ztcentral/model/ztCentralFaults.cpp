// Refusal switches and the server identity of the stand-in server.
#include "ztcentral/model/ztCentralFaults.h"

#include "ztcentral/model/ztCentralErr.h"

#include "messages/ztException.h"

#include <algorithm>

std::string ztCentralFaults::key(std::string_view inName) {
    std::string result(inName);
    std::transform(result.begin(), result.end(), result.begin(), [](char inChar) {
        return (inChar >= 'A' && inChar <= 'Z') ? static_cast<char>(inChar - 'A' + 'a') : inChar;
    });
    return result;
}

void ztCentralFaults::refuse(std::string_view inName, ztErr inError, std::string inTemplate) {
    std::lock_guard<std::mutex> lock(itsMutex);
    itsRefusals[key(inName)] = Refusal{inError, std::move(inTemplate)};
}

void ztCentralFaults::refuse(std::string_view inName) {
    refuse(inName, ztCentralErr_commandRefused, ztCentralText::commandRefused);
}

void ztCentralFaults::allow(std::string_view inName) {
    std::lock_guard<std::mutex> lock(itsMutex);
    itsRefusals.erase(key(inName));
}

void ztCentralFaults::allowAll() {
    std::lock_guard<std::mutex> lock(itsMutex);
    itsRefusals.clear();
}

void ztCentralFaults::check(std::string_view inCommand, std::string_view inFamily) const {
    std::lock_guard<std::mutex> lock(itsMutex);
    auto it = itsRefusals.find(key(inCommand));
    if (it == itsRefusals.end())
        it = itsRefusals.find(key(inFamily));
    if (it == itsRefusals.end())
        return;
    throw ztException(it->second.error, it->second.textTemplate.c_str(), 'c',
                      std::string(inCommand));
}

void ztCentralFaults::setIdentity(Identity inIdentity) {
    std::lock_guard<std::mutex> lock(itsMutex);
    itsIdentity = std::move(inIdentity);
}

ztCentralFaults::Identity ztCentralFaults::identity() const {
    std::lock_guard<std::mutex> lock(itsMutex);
    return itsIdentity;
}

std::string ztCentralFaults::wsdlReference() const {
    const Identity current = identity();
    return current.textI + " - " + current.textC + " - " + std::to_string(current.version);
}
