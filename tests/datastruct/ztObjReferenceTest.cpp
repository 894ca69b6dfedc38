// The object type table and its case-insensitive look-ups by type name and collection name.
#include "datastruct/ztObjReference.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr ztObjType kNotFound = -100;

struct LookUpRow {
    const char* text;
    ztObjType expected; // kNotFound when the text is not in the map
};

void expectLookUps(bool (*inLookUp)(std::string_view, ztObjType&),
                   std::initializer_list<LookUpRow> inRows) {
    for (const LookUpRow& row : inRows) {
        SCOPED_TRACE(row.text);
        ztObjType type = kNotFound;
        EXPECT_EQ(row.expected != kNotFound, inLookUp(row.text, type));
        EXPECT_EQ(row.expected, type);
    }
}

TEST(ztObjReference, collectionNames) {
    expectLookUps(objectTypeFromCollection, {
                                                {"DNSServers", obj_dnsServer},
                                                {"dnsservers", obj_dnsServer},
                                                {"DNSSERVERS", obj_dnsServer},
                                                {"DNSZones", obj_dnsZone},
                                                {"IPAMRecords", obj_ipAddress},
                                                {"Policies", obj_policy},
                                                {"Unknown", obj_unknown},
                                                {"XDNSProfiles", obj_xdnsProfile},
                                                {"DNSServer", kNotFound},
                                                {"IPAddress", kNotFound},
                                                {"", kNotFound},
                                                {"DNSServers ", kNotFound},
                                                {"DNSServers/1", kNotFound},
                                            });
}

TEST(ztObjReference, typeNames) {
    expectLookUps(objectTypeFromName, {
                                          {"DNSZone", obj_dnsZone},
                                          {"dnszone", obj_dnsZone},
                                          {"IPAddress", obj_ipAddress},
                                          {"Unknown", obj_unknown},
                                          {"unknown", obj_unknown},
                                          {"Suite", obj_suite},
                                          {"DHCPScope", obj_scope},
                                          {"XDNSProfile", obj_xdnsProfile},
                                          {"IPAMRecords", kNotFound},
                                          {"DNSZones", kNotFound},
                                          {"Corvane", kNotFound},
                                          {"", kNotFound},
                                      });
}

// Every assigned type is found again under its own names, so no row shadows another.
TEST(ztObjReference, everyTypeRoundTrips) {
    for (ztObjType type = 0; type < kObjectTypeCount; ++type) {
        if (type == 15)
            continue;
        SCOPED_TRACE(type);
        ztObjType found = kNotFound;
        EXPECT_TRUE(objectTypeFromName(objectTypeName(type), found));
        EXPECT_EQ(type, found);
        EXPECT_TRUE(objectTypeFromCollection(objectTypeCollection(type), found));
        EXPECT_EQ(type, found);
    }
}

TEST(ztObjReference, namesOfUnassignedAndOutOfRangeTypes) {
    for (const ztObjType type : {ztObjType{15}, ztObjType{42}, ztObjType{-1}, ztObjType{0}}) {
        SCOPED_TRACE(type);
        EXPECT_STREQ("Unknown", objectTypeName(type));
        EXPECT_STREQ("Unknown", objectTypeCollection(type));
    }
    EXPECT_STREQ("IPAddress", objectTypeName(obj_ipAddress));
    EXPECT_STREQ("IPAMRecords", objectTypeCollection(obj_ipAddress));
    EXPECT_STREQ("XDNSProfiles", objectTypeCollection(41));
}

TEST(ztObjReference, restCollectionBecomesTypeName) {
    ztObjType type = kNotFound;
    ASSERT_TRUE(objectTypeFromCollection("dnsZONES", type));
    EXPECT_STREQ("DNSZone", objectTypeName(type));
}

// ctest runs each test in its own process, so here the maps are built by racing threads.
TEST(ztObjReference, concurrentFirstUseBuildsOneConsistentMap) {
    constexpr int kThreads = 8;
    std::latch start(kThreads);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            start.arrive_and_wait();
            ztObjType type = kNotFound;
            if (!objectTypeFromCollection("DNSZones", type) || type != obj_dnsZone)
                ++failures;
            if (!objectTypeFromName("policy", type) || type != obj_policy)
                ++failures;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, failures.load());
}

} // namespace
