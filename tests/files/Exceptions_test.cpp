#include "Exceptions.h"

#include "ErrorOf.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(Guarded, PrefixesAndKeepsTheClass)
{
    const auto failing = [] { throw EConvertError("'x' is not a valid integer value"); };
    EXPECT_EQ(ErrorOf<EConvertError>([&] { Guarded("frmMain.OpenLijst: ", failing); }),
              "frmMain.OpenLijst: 'x' is not a valid integer value");
}

TEST(Guarded, NestedGuardsStackTheirPrefixes)
{
    try {
        Guarded("frmMutKandidaat.UpdateKandidaatRecord: ",
                [] { Guarded("frmKandidaatGeg.Save: ", [] { throw Exception("boom"); }); });
        FAIL() << "no exception";
    } catch (const Exception& e) { // what() follows the prefixed message
        EXPECT_EQ(std::string(e.what()), "frmMutKandidaat.UpdateKandidaatRecord: frmKandidaatGeg.Save: boom");
    }
}

TEST(Guarded, ForeignExceptionsBecomeExceptionsAndValuesPassThrough)
{
    EXPECT_THROW(Guarded("p: ", [] { throw std::runtime_error("x"); }), Exception);
    EXPECT_THROW(Guarded("p: ", [] { throw EAbort(); }), EAbort);
    EXPECT_EQ(Guarded("p: ", [] { return 42; }), 42);
}

namespace {

// A failed allocation passes the guards unchanged, so that no "std::bad_alloc" text with prefixes
// reaches a message box: the handler that shows it says so in words.
TEST(Guarded, AFailedAllocationPassesUnchanged)
{
    EXPECT_THROW(Guarded("p: ", [] { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_THROW(GuardedPlain("p: ", [] { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_THROW(GuardedPlain("p: ", [] { Guarded("q: ", [] { throw std::bad_alloc(); }); }, true), std::bad_alloc);
}

} // namespace

TEST(Guarded, TheLibrarysLengthFailuresReadInDutch)
{
    EXPECT_EQ(ErrorOf([] { GuardedPlain("q: ", [] { std::string().reserve(std::string().max_size() + 1); }); }),
              "q: Onvoldoende geheugen");
    EXPECT_EQ(ErrorOf([] { GuardedPlain("r: ", [] { throw std::runtime_error("x"); }); }), "r: x");
    EXPECT_EQ(MessageOf(EConvertError("fout")), "fout");
}
