#pragma once
// The demonstration setting of --demo: the stand-in central server with its demo data in
// the same process, on 127.0.0.1 port 1231, as the library's default server.

#include <memory>
#include <string>

class ztCentralServer;

class ztWebDemo {
public:
    ztWebDemo();
    ~ztWebDemo();
    ztWebDemo(const ztWebDemo&) = delete;
    ztWebDemo& operator=(const ztWebDemo&) = delete;

    // Starts the stand-in on inAddress port 1231 (generating its key pair takes a moment).
    // Returns an empty text or the one line saying why it could not start.
    std::string start(const std::string& inAddress);
    void stop();
    // What --demo prints: the URLs under inBaseUrl and the demo credentials.
    static std::string banner(const std::string& inBaseUrl, const std::string& inAddress);

    static constexpr const char* defaultAddress = "127.0.0.1";
    static constexpr const char* loginName = "administrator";
    static constexpr const char* password = "demo";

private:
    std::unique_ptr<ztCentralServer> itsServer;
};
