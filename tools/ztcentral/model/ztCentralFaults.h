#pragma once
// Faults on demand for tests and demonstrations: switch off a family of commands (or one
// command) so that it is refused with a chosen error, and change the texts and version the
// server announces in its Connect answer, from which the gateway builds its WSDL reference
// ("I - C - version") and decides whether to fetch the WSDL again. Thread-safe.

#include "messages/ztErrorMessage.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

class ztCentralFaults {
public:
    // What the server says about itself in its Connect answer.
    struct Identity {
        uint16_t version = 1036;         // field 1, server version
        std::string textC = "ztcentral"; // field 4
        std::string textI = "demo";      // field 10
    };

    ztCentralFaults() = default;
    ztCentralFaults(const ztCentralFaults&) = delete;
    ztCentralFaults& operator=(const ztCentralFaults&) = delete;

    // From now on commands of family inName, or the command inName (names ignore ASCII case),
    // are refused with inError and inTemplate; "$c" in the template is the command's name.
    void refuse(std::string_view inName, ztErr inError, std::string inTemplate);
    // Refuses with the server's own "not available" error.
    void refuse(std::string_view inName);
    void allow(std::string_view inName);
    void allowAll();
    // Throws the refusal that applies to the command inCommand of family inFamily, if any.
    void check(std::string_view inCommand, std::string_view inFamily) const;

    void setIdentity(Identity inIdentity);
    Identity identity() const;
    // The reference text the gateway makes of the identity: I, " - ", C, " - ", version.
    std::string wsdlReference() const;

private:
    struct Refusal {
        ztErr error;
        std::string textTemplate;
    };
    static std::string key(std::string_view inName);

    mutable std::mutex itsMutex;
    std::map<std::string, Refusal> itsRefusals; // key: lower-case name
    Identity itsIdentity;
};
