// The program's first request to its real home page address, on a network and a hosts file of
// the test's own: the home host is mapped to 127.0.0.1, where a plain listener on port 80 records
// what arrives.
#include "PlainListener.h"
#include "support/PrivateNamespace.h"
#include "support/Sandbox.h"
#include "web/HomePage.h"
#include "web/HomePageRequester.h"
#include "web/WebAddress.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

using namespace std::chrono_literals;

class HomeHostTest : public testing::SandboxedTest {
protected:
    // Maps host to ::1 first and to 127.0.0.1 after it: only an IPv4 address may be taken.
    std::string MapHomeHostToLoopback(const std::string& host) {
        const std::string hosts = pathOf("hosts");
        writeFile(hosts, "::1 " + host + "\n127.0.0.1 " + host + "\n");
        std::string refused = testing::EnterPrivateMounts();
        if (refused.empty())
            refused = testing::EnterPrivateNetwork();
        if (refused.empty())
            refused = testing::BindMount(hosts, "/etc/hosts");
        return refused;
    }
};

TEST_F(HomeHostTest, TheFirstRequestGoesToPort80OfTheHomeHostAsExactlyTheseBytes) {
    const std::optional<WebAddress> home = SplitWebAddress(HomePageAddress);
    ASSERT_TRUE(home);
    ASSERT_EQ(home->port, 80);
    if (const std::string refused = MapHomeHostToLoopback(home->host); !refused.empty())
        GTEST_SKIP() << "no network and hosts file of the test's own here (" << refused
                     << "); run the test as root on Linux to see the home host's request";
    testing::PlainListener listener(80);
    // Only the wait for the silent listener is shortened; it ends the recording.
    HomePageRequester requester(HomePageAddress, {30s, 200ms});
    ASSERT_TRUE(requester.Request());

    const std::string hostAsWritten = std::string(HomePageAddress).substr(7);
    EXPECT_EQ(listener.Received(10s), "GET / HTTP/1.1\r\nHost: " + hostAsWritten +
                                          "\r\nAccept: text/html, */*\r\n"
                                          "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                                          "\r\n");
    ASSERT_TRUE(requester.WaitForFinished(1, 10s));
    EXPECT_EQ(requester.LastResult().outcome, ExchangeOutcome::TimedOut);
}

} // namespace
} // namespace kolvane
