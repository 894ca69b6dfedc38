#pragma once
// Demo data for the stand-in server: DNS and DHCP servers, zones and records, nested ranges
// with IPAM records, users, groups and roles, folders, custom properties, access entries,
// report definitions and one report. It is entered through the server's own commands, so the
// data obeys every rule a client's would.

class ztCentralModel;

class ztCentralSeed {
public:
    // Logins of the seeded users (login name, password).
    static constexpr const char* kAdminLogin = "administrator";
    static constexpr const char* kAdminPassword = "demo";
    static constexpr const char* kUserLogin = "alice";
    static constexpr const char* kUserPassword = "alice";

    // Fills an empty model. Throws ztException should a seed command be refused (a fault
    // of the seed, not of the caller).
    static void fill(ztCentralModel& ioModel);
};
