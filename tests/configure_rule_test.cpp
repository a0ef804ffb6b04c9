// When the main dialog's Configure button may be pressed. The same table drives
// the real dialog under Wine (config_dlg_ui_test.cpp).
#include <gtest/gtest.h>

#include "tests/support/address_cases.h"
#include "ui/config_dlg.h"

namespace tw::test {
namespace {

TEST(ConfigureRule, AddressShape) {
    for (const AddressCase& c : kAddressCases) {
        EXPECT_EQ(isWellFormedAddress(c.address), c.wellFormed) << '"' << c.address << "\": " << c.why;
    }
}

TEST(ConfigureRule, NeedsANameAWellFormedAddressAndAClient) {
    AccountRequest request;
    request.displayName = "Ann Example";
    request.address = "ann@example.com";
    request.clientKind = Thunderbird;
    EXPECT_TRUE(canConfigure(request));

    AccountRequest noName = request;
    noName.displayName.clear();
    EXPECT_FALSE(canConfigure(noName));

    AccountRequest badAddress = request;
    badAddress.address = "ann@example";
    EXPECT_FALSE(canConfigure(badAddress));

    for (ClientKind kind : {kNoClient, kClientCount, 7}) {
        AccountRequest noClient = request;
        noClient.clientKind = kind;
        EXPECT_FALSE(canConfigure(noClient)) << kind;
    }
    AccountRequest eudora = request;
    eudora.clientKind = Eudora;
    EXPECT_TRUE(canConfigure(eudora));
}

}  // namespace
}  // namespace tw::test
