// Ranges and IPAM records: nesting, overlaps, address blocks, free addresses, statistics and
// the records of addresses that nothing was set on yet.
#include "central/ztCentralFixture.h"

#include "ztcentral/model/ztCentralErr.h"

namespace {

using Names = std::vector<std::string>;

class CentralRangesTest : public CentralTest {
protected:
    Names subrangesOf(const std::string& inParent) {
        return column(run("<GetSubranges><parentRef>{#6-" + inParent +
                          "}</parentRef>"
                          "</GetSubranges>"),
                      "ranges", "name");
    }
    std::string nextFree(const std::string& inRange, const std::string& inStart = {}) {
        return at(run("<GetNextFreeAddress><rangeRef>{#6-" + inRange + "}</rangeRef>" +
                      (inStart.empty() ? "" : "<startAddress>" + inStart + "</startAddress>") +
                      "</GetNextFreeAddress>"),
                  "address");
    }
};

TEST_F(CentralRangesTest, NewRangeSlidesBetweenParentAndChildren) {
    const TiXmlElement& servers = run("<GetRange><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetRange>");
    EXPECT_EQ(at(servers, "range/parentRef"), refOf("{#6-10.0.0.0/8}"));
    EXPECT_EQ(at(servers, "range/subnet"), "1");
    EXPECT_EQ(subrangesOf("10.0.0.0/8"), (Names{"10.0.1.0/24", "10.0.2.0/24"}));

    run("<AddRange><range><from>10.0.0.0</from><to>10.0.255.255</to></range></AddRange>");
    EXPECT_EQ(subrangesOf("10.0.0.0/8"), (Names{"10.0.0.0/16"}));
    EXPECT_EQ(subrangesOf("10.0.0.0/16"), (Names{"10.0.1.0/24", "10.0.2.0/24"}));
    EXPECT_EQ(column(run("<GetRanges><parentRef>{#6-10.0.0.0/16}</parentRef></GetRanges>"),
                     "ranges", "name"),
              (Names{"10.0.1.0/24", "10.0.2.0/24"}));

    // Removing the middle range hands its children back to its parent.
    run("<RemoveObject><ref>{#6-10.0.0.0/16}</ref></RemoveObject>");
    EXPECT_EQ(subrangesOf("10.0.0.0/8"), (Names{"10.0.1.0/24", "10.0.2.0/24"}));
    run("<RemoveObject><ref>{#6-10.0.0.0/8}</ref></RemoveObject>");
    EXPECT_EQ(
        at(run("<GetRange><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetRange>"), "range/parentRef"),
        "<missing>");
}

TEST_F(CentralRangesTest, RangesThatCannotNestAreRefused) {
    struct Row {
        const char* name;
        const char* range;
        ztErr error;
        const char* message;
    };
    const Row rows[] = {
        {"overlap with a sibling", "<from>10.0.1.128</from><to>10.0.2.10</to>",
         ztErr_invalidArgument, "it overlaps the range 10.0.1.0/24."},
        {"the same range again", "<name>10.0.1.0/24</name>", ztErr_itemExists,
         "An object of type \"Range\" named \"10.0.1.0/24\" already exists."},
        {"the same range by bounds", "<from>10.0.1.0</from><to>10.0.1.255</to>", ztErr_itemExists,
         "already exists."},
        {"name and bounds disagree",
         "<name>10.0.3.0/24</name><from>10.0.4.0</from>"
         "<to>10.0.4.255</to>",
         ztErr_invalidArgument, "it does not match from and to."},
        {"families mixed", "<from>10.0.3.0</from><to>2001:db8::1</to>", ztErr_invalidArgument,
         "first and last address of one family, in order."},
        {"bounds reversed", "<from>10.0.3.9</from><to>10.0.3.1</to>", ztErr_invalidArgument,
         "first and last address of one family, in order."},
        {"only one bound", "<from>10.0.3.0</from>", ztErr_invalidArgument,
         "Missing element \"to\" in argument \"range\"."},
        {"prefix with host bits", "<name>10.0.3.1/24</name>", ztErr_invalidArgument,
         "a prefix or two addresses joined by - is expected."},
        {"nothing", "<title>x</title>", ztErr_invalidArgument,
         "a prefix or two addresses joined by - is expected."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message =
            fails(std::string("<AddRange><range>") + row.range + "</range></AddRange>", row.error);
        EXPECT_NE(message.find(row.message), std::string::npos) << message;
    }
}

TEST_F(CentralRangesTest, RangeThatIsNoPrefixIsNamedByItsBounds) {
    const TiXmlElement& added =
        run("<AddRange><range><from>10.0.3.5</from><to>10.0.3.9</to></range></AddRange>");
    const TiXmlElement& range =
        run("<GetRange><rangeRef>" + at(added, "ref") + "</rangeRef></GetRange>");
    EXPECT_EQ(at(range, "range/name"), "10.0.3.5-10.0.3.9");
    EXPECT_EQ(at(range, "range/subnet"), "0");
    EXPECT_EQ(at(range, "range/parentRef"), refOf("{#6-10.0.0.0/8}"));
    // The name works as a reference, as REST paths give it.
    run("<GetRange><rangeRef>{#6-10.0.3.5-10.0.3.9}</rangeRef></GetRange>");
}

TEST_F(CentralRangesTest, AddressBlocksAreSubrangesAndGaps) {
    const TiXmlElement& blocks =
        run("<GetAddressBlocks><rangeRef>{#6-10.0.0.0/8}</rangeRef></GetAddressBlocks>");
    EXPECT_EQ(column(blocks, "addressBlocks", "from"),
              (Names{"10.0.0.0", "10.0.1.0", "10.0.2.0", "10.0.3.0"}));
    EXPECT_EQ(column(blocks, "addressBlocks", "size"), (Names{"256", "256", "256", "16776448"}));
    const TiXmlElement& free = run("<GetAvailableAddressBlocks><rangeRef>{#6-10.0.0.0/8}</rangeRef>"
                                   "<size>300</size></GetAvailableAddressBlocks>");
    EXPECT_EQ(column(free, "addressBlocks", "to"), (Names{"10.255.255.255"}));
    // A subrange reaching the end leaves no gap after it.
    const TiXmlElement& lab = run("<GetAvailableAddressBlocks><rangeRef>{#6-10.0.2.0/24}</rangeRef>"
                                  "</GetAvailableAddressBlocks>");
    EXPECT_EQ(column(lab, "addressBlocks", "size"), (Names{"256"}));
}

TEST_F(CentralRangesTest, NextFreeAddressSkipsTakenOnesAndSubnetEnds) {
    EXPECT_EQ(nextFree("10.0.1.0/24"), "10.0.1.1");
    // .10 is assigned and .11 reserved.
    EXPECT_EQ(nextFree("10.0.1.0/24", "10.0.1.10"), "10.0.1.12");
    fails("<GetNextFreeAddress><rangeRef>{#6-10.0.1.0/24}</rangeRef>"
          "<startAddress>10.0.2.1</startAddress></GetNextFreeAddress>",
          ztErr_invalidArgument);

    run("<AddRange><range><name>192.168.5.0/30</name></range></AddRange>");
    EXPECT_EQ(nextFree("192.168.5.0/30"), "192.168.5.1");
    for (const char* address : {"192.168.5.1", "192.168.5.2"})
        run(std::string("<SetProperties><ref>{#8-") + address +
            "}</ref><properties><property>"
            "<name>state</name><value>Assigned</value></property></properties></SetProperties>");
    EXPECT_EQ(fails("<GetNextFreeAddress><rangeRef>{#6-192.168.5.0/30}</rangeRef>"
                    "</GetNextFreeAddress>",
                    ztCentralErr_objectNotFound),
              "Range \"192.168.5.0/30\" has no free address.");
    // A range that is no subnet hands out its first and last address too.
    run("<AddRange><range><from>192.168.6.0</from><to>192.168.6.0</to></range></AddRange>");
    EXPECT_EQ(nextFree("192.168.6.0/32"), "192.168.6.0");
}

TEST_F(CentralRangesTest, StatisticsCountRecordStates) {
    const TiXmlElement& answer =
        run("<GetRangeStatistics><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetRangeStatistics>");
    EXPECT_EQ(at(answer, "rangeStatistics/total"), "256");
    EXPECT_EQ(at(answer, "rangeStatistics/assigned"), "2");
    EXPECT_EQ(at(answer, "rangeStatistics/reserved"), "1");
    EXPECT_EQ(at(answer, "rangeStatistics/free"), "253");
    EXPECT_EQ(at(answer, "rangeStatistics/utilizationPercentage"), "1");
    EXPECT_EQ(at(run("<GetRange><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetRange>"),
                 "range/utilizationPercentage"),
              "1");
}

TEST_F(CentralRangesTest, AddressesInRangesHaveRecords) {
    const TiXmlElement& records =
        run("<GetIPAMRecords><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetIPAMRecords>");
    EXPECT_EQ(column(records, "ipamRecords", "address"),
              (Names{"10.0.1.10", "10.0.1.11", "10.0.1.25"}));
    EXPECT_EQ(column(run("<GetIPAMRecords><rangeRef>{#6-10.0.1.0/24}</rangeRef>"
                         "<filter>state:assigned</filter></GetIPAMRecords>"),
                     "ipamRecords", "name"),
              (Names{"10.0.1.10", "10.0.1.25"}));

    const TiXmlElement& assigned =
        run("<GetIPAMRecord><address>10.0.1.10</address></GetIPAMRecord>");
    EXPECT_EQ(at(assigned, "ipamRecord/state"), "Assigned");
    EXPECT_EQ(at(assigned, "ipamRecord/dnsHost"), "www.corp.example.");
    EXPECT_EQ(at(assigned, "ipamRecord/rangeRef"), refOf("{#6-10.0.1.0/24}"));

    const TiXmlElement& untouched =
        run("<GetIPAMRecord><addrRef>{#8-10.0.1.99}</addrRef></GetIPAMRecord>");
    EXPECT_EQ(at(untouched, "ipamRecord/state"), "Free");
    EXPECT_EQ(at(untouched, "ipamRecord/address"), "10.0.1.99");
    // An untyped reference to an address finds its record too.
    run("<GetHistory><objRef>{-10.0.1.10}</objRef></GetHistory>");
    EXPECT_EQ(at(run("<GetIPAMRecord><address>2001:DB8:0::0:1</address></GetIPAMRecord>"),
                 "ipamRecord/name"),
              "2001:db8::1");
    EXPECT_EQ(fails("<GetIPAMRecord><address>172.16.0.1</address></GetIPAMRecord>",
                    ztCentralErr_objectNotFound),
              "Object \"172.16.0.1\" not found.");
}

TEST_F(CentralRangesTest, AddressLeadsToItsRangeAndPing) {
    EXPECT_EQ(
        at(run("<GetRangeByIPAddress><addrRef>{#8-10.0.2.20}</addrRef></GetRangeByIPAddress>"),
           "range/name"),
        "10.0.2.0/24");
    EXPECT_EQ(at(run("<GetRangeByIPAddress><addrRef>{#8-10.0.3.1}</addrRef></GetRangeByIPAddress>"),
                 "range/name"),
              "10.0.0.0/8");
    EXPECT_EQ(at(run("<Ping><addrRef>{#8-10.0.1.10}</addrRef></Ping>"), "reachable"), "1");
    EXPECT_EQ(at(run("<Ping><addrRef>{#8-10.0.1.11}</addrRef></Ping>"), "reachable"), "0");
    EXPECT_EQ(at(run("<GetInheritAccess><rangeRef>{#6-10.0.1.0/24}</rangeRef></GetInheritAccess>"),
                 "inheritAccess"),
              "1");
}

TEST_F(CentralRangesTest, RecordStatesAndCustomPropertiesAreChecked) {
    fails("<SetProperties><ref>{#8-10.0.1.12}</ref><properties><property><name>address</name>"
          "<value>10.0.1.13</value></property></properties></SetProperties>",
          ztErr_invalidArgument);
    fails("<SetProperties><ref>{#8-10.0.1.12}</ref><properties><property><name>claimed</name>"
          "<value>maybe</value></property></properties></SetProperties>",
          ztErr_invalidArgument);
    run("<SetProperties><ref>{#8-10.0.1.12}</ref><properties><property><name>claimed</name>"
        "<value>TRUE</value></property></properties></SetProperties>");
    EXPECT_EQ(at(run("<GetIPAMRecord><address>10.0.1.12</address></GetIPAMRecord>"),
                 "ipamRecord/claimed"),
              "1");
}

} // namespace
