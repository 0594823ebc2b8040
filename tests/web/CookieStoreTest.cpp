#include "web/CookieStore.h"

#include "support/Sandbox.h"
#include "web/HttpMessage.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

constexpr std::time_t Now = 1'800'000'000; // 2027-01-15 08:00:00 UTC
constexpr const char* Host = "www.Kolvane.example";

struct ChoiceCase {
    const char* setCookie;
    const char* sentBack; // the Cookie line right away
};

class CookieStoreTest : public testing::SandboxedTest {};

TEST_F(CookieStoreTest, ChoosesCookiesByDomainPathValueAndSecurity) {
    const ChoiceCase cases[] = {
        {"sid=abc", "sid=abc"},
        {" sid = abc ; Path=/ ; HttpOnly", "sid=abc"},
        {"sid=abc; domain=.kolvane.example", "sid=abc"},
        {"sid=abc; DOMAIN=WWW.kolvane.example", "sid=abc"},
        {"sid=abc; domain=other.example", ""},
        {"sid=abc; domain=olvane.example", ""},
        {"sid=abc; path=/shop", ""},
        {"sid=abc; path=nonsense", "sid=abc"},
        {"sid=", ""},
        {"sid=abc; Secure", ""},
        {"novalue", ""},
        {"=abc", ""},
        {"sid=a\rb", ""},
        {"sid=abc; expires=Thu, 01 Jan 2037 00:00:00 GMT", "sid=abc"},
        {"sid=abc; expires=Thu, 01 Jan 1970 00:00:01 GMT", ""},
        {"sid=abc; max-age=0; expires=Thu, 01 Jan 2037 00:00:00 GMT", ""},
        {"sid=abc; max-age=60; expires=Thu, 01 Jan 1970 00:00:01 GMT", "sid=abc"},
    };
    for (const ChoiceCase& test : cases) {
        SCOPED_TRACE(test.setCookie);
        CookieStore store;
        store.TakeSetCookie(test.setCookie, Host, Now);
        store.DropExpired(Now);
        EXPECT_EQ(store.CookieLine(Host, "/"), test.sentBack);
    }
}

TEST_F(CookieStoreTest, ReplacesListsAndExpiresCookies) {
    CookieStore store;
    store.TakeSetCookie("a=1; max-age=100", Host, Now);
    store.TakeSetCookie("b=2", Host, Now);
    store.TakeSetCookie("a=3; max-age=10", Host, Now);
    store.TakeSetCookie2("c=\"x,y\"; Version=1, d=4; Version=1", Host, Now);
    EXPECT_EQ(store.CookieLine(Host, "/"), "b=2; a=3; c=\"x,y\"; d=4");

    store.DropExpired(Now + 10);
    EXPECT_EQ(store.CookieLine(Host, "/"), "b=2; c=\"x,y\"; d=4");
}

TEST_F(CookieStoreTest, NeverHoldsMoreThanItsCapacity) {
    CookieStore store;
    for (std::size_t i = 0; i <= CookieStore::Capacity; ++i)
        store.TakeSetCookie("c" + std::to_string(i) + "=v", Host, Now);
    ASSERT_EQ(store.Cookies().size(), CookieStore::Capacity);
    EXPECT_EQ(store.Cookies().front().name, "c1");
}

TEST_F(CookieStoreTest, LongHeaderLinesFoldAfterBlanksAndCommas) {
    const struct {
        const char* line;
        const char* folded;
    } cases[] = {
        {"Cookie: a=1", "Cookie: a=1"},
        {"Cookie: a=1; b=2", "Cookie: a=1;\r\n b=2"},
        {"Cookie: a=1,b=22", "Cookie: a=1,\r\n b=22"},
        {"Cookie: a=1; b=2; c=3; d=4", "Cookie: a=1;\r\n b=2; c=3;\r\n d=4"},
        {"Cookie:a=123456789", "Cookie:a=123456789"},
        {"Cookie: a=123456789", "Cookie:\r\n a=123456789"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        EXPECT_EQ(FoldHeaderLine(test.line, 13), test.folded);
    }
    const std::string cookies(2000, 'v');
    const auto lines = RequestHeaderLines("h", {}, "a=1; b=" + cookies);
    EXPECT_EQ(lines.back(), "Cookie: a=1;\r\n b=" + cookies);
}

} // namespace
} // namespace kolvane
