#include "TrailingSlash.h"

#include <gtest/gtest.h>

TEST(WithTrailingSlash, OneSeparatorAtTheEnd)
{
    const struct {
        const char* folder;
        const char* expected;
    } cases[] = {
        {"", "/"},
        {"/", "/"},
        {"/tmp", "/tmp/"},
        {"/tmp/", "/tmp/"},
        {"/tmp//", "/tmp//"},   // left as it is
        {"C:\\DATA", "C:\\DATA/"}, // a backslash is a name character here
        {"map met spatie", "map met spatie/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithTrailingSlash(QString::fromUtf8(c.folder)), QString::fromUtf8(c.expected)) << c.folder;
}
