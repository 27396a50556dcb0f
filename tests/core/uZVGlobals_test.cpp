#include "uZVGlobals.h"

#include "ErrorOf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

template <class T>
std::string RawBytes(const T& value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

TEST(TShortString, CutsLongTextAndZeroesThePastLength)
{
    TPartijRecord record;
    EXPECT_EQ(RawBytes(record), std::string(632, '\0')) << "a new record holds no leftover bytes";
    EXPECT_EQ(RawBytes(TKandidaatRecord()), std::string(285, '\0'));

    const std::string sixty = "abcdefghij" "klmnopqrst" "uvwxyzABCD" "EFGHIJKLMN" "OPQRSTUVWX" "Y0123456789";
    record.StatuNaam = sixty;
    EXPECT_EQ(record.StatuNaam.Length, 50);
    EXPECT_EQ(record.StatuNaam.AsString(), sixty.substr(0, 50));
    EXPECT_EQ(record.Aanduiding.Length, 0) << "the next field is untouched";

    record.StatuNaam = "kort";
    EXPECT_EQ(record.StatuNaam.AsString(), "kort");
    EXPECT_EQ(std::string(record.StatuNaam.Chars, 50), "kort" + std::string(46, '\0'));

    record.Afkorting = std::string("a\0b", 3); // any byte is a character
    EXPECT_EQ(record.Afkorting.View(), std::string_view("a\0b", 3));
}

TEST(TShortString, LengthAboveCapacityIsReadAsCapacityAndNormalised)
{
    TKandidaatRecord record;
    std::memset(static_cast<void*>(&record), 'x', sizeof record);
    record.KandidaatNr.Length = 200;
    record.Geslacht.Length = 0;
    EXPECT_EQ(record.KandidaatNr.View(), "xxx");
    TKandidaatRecord::ForEachField(record, [](auto& field) { field.Normalize(); });
    EXPECT_EQ(record.KandidaatNr.Length, 3);
    EXPECT_EQ(record.Geslacht.Chars[0], '\0');
    EXPECT_EQ(record.Achternaam.AsString(), std::string(50, 'x'));
}

TEST(Records, CompareByFieldTextsNotByTheBytesPastTheLength)
{
    TKandidaatRecord a, b;
    a.Achternaam = "Jansen";
    b.Achternaam = "Jansen";
    std::memset(b.Achternaam.Chars + 6, '#', 44);
    EXPECT_NE(RawBytes(a), RawBytes(b));
    EXPECT_EQ(a, b);
    b.Plaats = "Ede";
    EXPECT_NE(a, b);

    TPartijRecord p, q;
    q.PlaatsVervanger = "Ede";
    EXPECT_NE(p, q);
}

TEST(Records, FieldsVisitedInRecordOrder)
{
    std::vector<std::size_t> capacities;
    const TPartijRecord partij;
    TPartijRecord::ForEachField(partij, [&](auto& f) { capacities.push_back(f.Capacity); });
    EXPECT_EQ(capacities, (std::vector<std::size_t>{8, 50, 50, 50, 10, 50, 50, 50, 50, 50, 50, 50, 50, 50}));
    capacities.clear();
    const TKandidaatRecord kandidaat;
    TKandidaatRecord::ForEachField(kandidaat, [&](auto& f) { capacities.push_back(f.Capacity); });
    EXPECT_EQ(capacities, (std::vector<std::size_t>{3, 50, 15, 15, 20, 50, 1, 10, 50, 10, 50}));
}

namespace {

struct TCounted {
    static inline int Live = 0;
    explicit TCounted(int id) : Id(id) { ++Live; }
    ~TCounted() { --Live; }
    int Id;
};

std::vector<int> Ids(const TRecordList<TCounted>& list)
{
    std::vector<int> ids;
    for (int i = 0; i < list.Count(); ++i)
        ids.push_back(list.Items(i)->Id);
    return ids;
}

} // namespace

TEST(TRecordList, OwnsItsRecords)
{
    {
        TRecordList<TCounted> list;
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        for (int id = 1; id <= 4; ++id)
            EXPECT_EQ(list.Add(std::make_unique<TCounted>(id)), id - 1);
        EXPECT_EQ(TCounted::Live, 4);

        TCounted* third = list.Items(2);
        third->Id = 33; // handed out in place
        list.Delete(1);
        EXPECT_EQ(TCounted::Live, 3);
        EXPECT_EQ(Ids(list), (std::vector<int>{1, 33, 4}));
        EXPECT_EQ(list.Items(1), third);

        list.Clear();
        EXPECT_EQ(TCounted::Live, 0);
        EXPECT_EQ(list.Count(), 0);
        list.Add(std::make_unique<TCounted>(5));
    }
    EXPECT_EQ(TCounted::Live, 0) << "destroying a list releases its records";
}

TEST(TRecordList, AddsAllRecordsOrNone)
{
    const auto records = [](std::vector<int> ids) {
        std::vector<std::unique_ptr<TCounted>> made;
        for (int id : ids)
            made.push_back(id ? std::make_unique<TCounted>(id) : nullptr);
        return made;
    };
    {
        TRecordList<TCounted> list;
        list.AddAll(records({1, 2}));
        list.AddAll(records({3}));
        EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3}));
        EXPECT_THROW(list.AddAll(records({4, 0, 5})), std::invalid_argument);
        EXPECT_THROW(list.AddAll(records({4, 0}), true), std::invalid_argument);
        EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3}));
        list.AddAll(records({6, 7}), true);
        EXPECT_EQ(Ids(list), (std::vector<int>{6, 7}));
        EXPECT_EQ(TCounted::Live, 2) << "the replaced records are released";
    }
    EXPECT_EQ(TCounted::Live, 0);
}

TEST(TRecordList, RejectsBadIndexesAndNullRecords)
{
    TKandidaatList list;
    list.Add(std::make_unique<TKandidaatRecord>());
    EXPECT_EQ(ErrorOf([&] { list.Items(1); }), "Lijstindex buiten bereik (1)");
    EXPECT_THROW(list.Items(-1), Exception);
    EXPECT_THROW(list.Delete(1), Exception);
    EXPECT_THROW(list.Add(nullptr), std::invalid_argument);
    EXPECT_EQ(list.Count(), 1);
}

TEST(TZVLists, CreatesAndFreesTheProcessWideLists)
{
    EXPECT_EQ(PartijList, nullptr);
    EXPECT_EQ(KandidaatList, nullptr);
    {
        TZVLists lists;
        ASSERT_NE(PartijList, nullptr);
        ASSERT_NE(KandidaatList, nullptr);
        EXPECT_EQ(PartijList->Count(), 0);
        EXPECT_EQ(KandidaatList->Count(), 0);
        PartijList->Add(std::make_unique<TPartijRecord>());
        KandidaatList->Add(std::make_unique<TKandidaatRecord>());
        EXPECT_THROW(TZVLists second, std::logic_error);
        EXPECT_EQ(PartijList->Count(), 1) << "a refused second owner leaves the lists alone";
    }
    EXPECT_EQ(PartijList, nullptr);
    EXPECT_EQ(KandidaatList, nullptr);
    TZVLists again; // and they can be made once more
    EXPECT_EQ(KandidaatList->Count(), 0);
}
