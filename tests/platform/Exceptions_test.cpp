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

TEST(Guarded, TheLibrarysFailuresToFindMemoryReadInDutch)
{
    EXPECT_EQ(ErrorOf([] { Guarded("p: ", [] { throw std::bad_alloc(); }); }), "p: Onvoldoende geheugen");
    EXPECT_EQ(ErrorOf([] { GuardedPlain("q: ", [] { std::string().reserve(std::string().max_size() + 1); }); }),
              "q: Onvoldoende geheugen");
    EXPECT_EQ(ErrorOf([] { GuardedPlain("r: ", [] { throw std::runtime_error("x"); }); }), "r: x");
    EXPECT_EQ(MessageOf(EConvertError("fout")), "fout");
}
