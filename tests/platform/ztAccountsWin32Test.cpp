// Windows account look-ups: the running account's security identifier, and the names that
// are not user accounts.
#include "platform/ztAccounts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <windows.h>

using namespace zt::platform;

namespace {

std::string currentUser() {
    char name[257] = {};
    DWORD size = sizeof name;
    return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

} // namespace

TEST(ztAccountsWin32, theRunningAccountHasItsOwnSecurityIdentifier) {
    const std::string user = currentUser();
    ASSERT_FALSE(user.empty());
    UserAccount account;
    ASSERT_EQ(findUserByName(user.c_str(), 16, account), 0) << user;
    EXPECT_EQ(account.securityId.rfind("S-1-5-", 0), 0u) << account.securityId;
    // The last part of the identifier is the account's relative id, kept as its user id.
    EXPECT_EQ(account.securityId.substr(account.securityId.rfind('-') + 1),
              std::to_string(account.userId));
    EXPECT_FALSE(account.domain.empty());

    UserAccount again;
    ASSERT_EQ(findUserByName(user.c_str(), 1024, again), 0);
    EXPECT_EQ(again.securityId, account.securityId) << "the same account, the same text";

    std::string host;
    ASSERT_EQ(hostName(host), 0);
    EXPECT_FALSE(host.empty());
}

TEST(ztAccountsWin32, namesThatAreNoUserAccountAreNotFound) {
    struct Row {
        const char* name;
        const char* why;
    };
    const Row rows[] = {
        {"no-such-account-zt", "unknown"},
        {"Everyone", "a well-known group"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        UserAccount account;
        account.name = "unchanged";
        EXPECT_EQ(findUserByName(row.name, 1024, account), ENOENT);
        EXPECT_EQ(account.name, "unchanged");
    }
}
