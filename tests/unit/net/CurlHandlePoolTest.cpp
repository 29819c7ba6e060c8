// A pooled transfer handle carries nothing of its earlier request into its next one, however its
// last holder gave it back. (Under the leak checker this also catches a cookie file list that a
// reset dropped without freeing.)
#include "net/CurlHandlePool.h"

#include <gtest/gtest.h>

#include "net/CookieJar.h"
#include "net/CurlShare.h"

namespace talvex {
namespace {

// How many cookies the handle's own cookie engine lists; -1 when the query fails.
int ListedCookies(CURL* easy) {
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) {
        return -1;
    }
    int count = 0;
    for (curl_slist* item = list; item != nullptr; item = item->next) {
        ++count;
    }
    curl_slist_free_all(list);
    return count;
}

TEST(CurlHandlePoolTest, AHandleGivenBackUnclearedComesBackWithoutItsCookieSettings) {
    ClearSharedCookies();
    ASSERT_TRUE(StoreSharedCookie(L"http://pool.test/", L"k", L"v"));
    CurlHandlePool pool;
    CURL* first = nullptr;
    {
        CurlHandlePool::Lease lease = pool.Acquire("http://pool.test");
        ASSERT_TRUE(lease);
        first = lease.Easy();
        // A request's cookie settings, and no reset by the holder before giving it back.
        ASSERT_EQ(curl_easy_setopt(first, CURLOPT_SHARE, SharedCurlData()), CURLE_OK);
        ASSERT_EQ(curl_easy_setopt(first, CURLOPT_COOKIEFILE, ""), CURLE_OK);
        ASSERT_EQ(curl_easy_setopt(first, CURLOPT_COOKIEFILE, "second-name"), CURLE_OK);
        EXPECT_EQ(ListedCookies(first), 1);
    }
    EXPECT_EQ(pool.IdleCount(), 1u);
    CurlHandlePool::Lease again = pool.Acquire("http://pool.test");
    ASSERT_TRUE(again);
    EXPECT_EQ(again.Easy(), first);
    // The cookie engine is off until the next request turns it on; the shared store keeps its
    // cookie.
    EXPECT_EQ(ListedCookies(again.Easy()), 0);
    EXPECT_EQ(FindSharedCookie(L"http://pool.test/", L"k"), L"v");
    ClearSharedCookies();
}

}  // namespace
}  // namespace talvex
