// The Authorization and Accept headers.
#include "ztwebext/ztWebAuth.h"

#include <gtest/gtest.h>

TEST(WebAuth, ReadsAuthorization) {
    struct Row {
        const char* name;
        const char* header;
        bool ok;
        const char* session;
        bool basic;
        const char* login;
        const char* password;
    } rows[] = {
        {"none", "", true, "", false, "", ""},
        {"bearer", "Bearer AbC123", true, "AbC123", false, "", ""},
        {"bearer any case", "bearer  AbC123 ", true, "AbC123", false, "", ""},
        {"basic", "Basic YWRtaW46ZGVtbw==", true, "", true, "admin", "demo"},
        {"colon in password", "Basic YTpiOmM=", true, "", true, "a", "b:c"},
        {"empty password", "Basic YTo=", true, "", true, "a", ""},
        {"empty name", "Basic OnB3", false, "", false, "", ""},
        {"no colon", "Basic YWJj", false, "", false, "", ""},
        {"bad base64", "Basic ***", false, "", false, "", ""},
        {"scheme only", "Bearer", false, "", false, "", ""},
        {"other scheme", "Digest a=b", false, "", false, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztWebCredentials credentials;
        std::string error;
        EXPECT_EQ(ztWebReadAuthorization(row.header, credentials, error), row.ok);
        if (!row.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(credentials.itsSession, row.session);
        EXPECT_EQ(credentials.itsBasic, row.basic);
        EXPECT_EQ(credentials.itsLoginName, row.login);
        EXPECT_EQ(credentials.itsPassword, row.password);
    }
}

TEST(WebAuth, PrefersXmlOnlyWhenRankedAboveJson) {
    struct Row {
        const char* accept;
        bool xml;
    } rows[] = {
        {"", false},
        {"*/*", false},
        {"application/json", false},
        {"application/xml", true},
        {"text/xml", true},
        {"Application/XML", true},
        {"application/xml, application/json", false},
        {"application/json;q=0.5, text/xml", true},
        {"application/xml;q=0.2, application/json", false},
        {"application/xml;q=0", false},
        {"application/xml;q=bad", false},
        {"text/html, application/xml;q=0.9, */*;q=0.8", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.accept);
        EXPECT_EQ(ztWebPrefersXml(row.accept), row.xml);
    }
}
