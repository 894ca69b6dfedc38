// The WSDL and WSDL documentation requests: the namespace set on the wire in sorted order,
// and the server's XML read into the caller's document. Both requests are built alike, so
// every case runs for both.
#include "ztxmlint/halNReqGetWSDL.h"
#include "ztxmlint/halNReqGetWSDLDoc.h"

#include "halTestSupport.h"
#include "netobjects/ztNetReader.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using halTest::Bytes;
using halTest::bytes;
using halTest::operator+;
using Namespaces = std::set<std::string>;

template <typename Request> class halNReqGetWSDLBoth : public ::testing::Test {};

using Requests = ::testing::Types<halNReqGetWSDL, halNReqGetWSDLDoc>;
TYPED_TEST_SUITE(halNReqGetWSDLBoth, Requests);

TYPED_TEST(halNReqGetWSDLBoth, bodyIsTheCountAndTheNamesInSortedOrder) {
    const struct {
        const char* name;
        Namespaces namespaces;
        Bytes body;
    } rows[] = {
        {"no ns parameter", {}, {0, 0, 0, 0}},
        {"byte-wise order, upper case first",
         {"zeta", "alpha", "Mid"},
         Bytes{0, 0, 0, 3} + bytes("Mid") + Bytes{0} + bytes("alpha") + Bytes{0} + bytes("zeta") +
             Bytes{0}},
        {"an empty name is one NUL", {""}, {0, 0, 0, 1, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TypeParam request(row.namespaces, nullptr);
        EXPECT_EQ(halTest::bodyOf(request), row.body);
    }
}

TYPED_TEST(halNReqGetWSDLBoth, answerIsReplayedIntoTheDocument) {
    TiXmlDocument source;
    halTest::parseTree("<r><wsdl:definitions name=\"central\"><wsdl:types/></wsdl:definitions></r>",
                       source);
    ztDynamicNetWriter answer(64);
    halTest::writeNetForm(answer, *source.RootElement());
    const Bytes answerBytes = halTest::written(answer);

    TiXmlDocument document;
    TypeParam request(Namespaces{}, &document);
    ztNetReader reader(answerBytes.data(), answerBytes.size());
    EXPECT_EQ(request.readData(reader), ztErr_noError);
    EXPECT_EQ(halTest::print(document),
              "<wsdl:definitions name=\"central\"><wsdl:types /></wsdl:definitions>");

    // The publication writes a fault into a document that is still empty after a failure.
    TiXmlDocument failed;
    TypeParam truncated(Namespaces{}, &failed);
    ztNetReader shortReader(answerBytes.data(), answerBytes.size() - 1);
    EXPECT_THROW(truncated.readData(shortReader), std::out_of_range);
    EXPECT_EQ(failed.FirstChild(), nullptr);
}

} // namespace
