#pragma once
// The party and candidate records, the two lists that own them and the process-wide instances.
//
// Both records are plain bytes: their layout is also their layout in the list file.

#include "Exceptions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// A text field of fixed capacity N: one length byte, then N character bytes of which the first
// Length are the text.  Storing a longer text cuts it to N without a message.  The bytes past the
// length are always zero, so records never carry leftover memory into a file.
template <std::size_t N>
struct TShortString {
    static_assert(N >= 1 && N <= 255, "the length must fit its byte");
    static constexpr std::size_t Capacity = N;

    std::uint8_t Length = 0;
    char Chars[N] = {};

    // The text; a length byte above the capacity counts as the capacity.
    std::string_view View() const { return {Chars, std::min<std::size_t>(Length, N)}; }
    std::string AsString() const { return std::string(View()); }

    void Assign(std::string_view text)
    {
        const std::size_t n = std::min(text.size(), N);
        std::memcpy(Chars, text.data(), n);
        std::memset(Chars + n, 0, N - n);
        Length = static_cast<std::uint8_t>(n);
    }
    TShortString& operator=(std::string_view text)
    {
        Assign(text);
        return *this;
    }

    // Brings bytes from outside (a file) into the field's rules: length at most N, zeros past it.
    void Normalize() { Assign(View()); }

    // Fields compare by their texts; the bytes past the length do not count.
    bool operator==(const TShortString& other) const { return View() == other.View(); }
};

// The party record: 14 fields, 632 bytes.
struct TPartijRecord {
    TShortString<8> Afkorting;
    TShortString<50> StatuNaam;
    TShortString<50> Aanduiding;
    TShortString<50> Adres;
    TShortString<10> PostCode;
    TShortString<50> Plaats;
    TShortString<50> NaamGemachtigde;
    TShortString<50> AdresGemachtigde;
    TShortString<50> PostcodeGemachtigde;
    TShortString<50> PlaatsGemachtigde;
    TShortString<50> NaamVervanger;
    TShortString<50> AdresVervanger;
    TShortString<50> PostcodeVervanger;
    TShortString<50> PlaatsVervanger;

    // Calls f with every field, in record order.
    template <class Self, class F>
    static void ForEachField(Self& r, F&& f)
    {
        f(r.Afkorting), f(r.StatuNaam), f(r.Aanduiding), f(r.Adres), f(r.PostCode), f(r.Plaats);
        f(r.NaamGemachtigde), f(r.AdresGemachtigde), f(r.PostcodeGemachtigde), f(r.PlaatsGemachtigde);
        f(r.NaamVervanger), f(r.AdresVervanger), f(r.PostcodeVervanger), f(r.PlaatsVervanger);
    }

    bool operator==(const TPartijRecord&) const = default;
};

// The candidate record: 11 fields, 285 bytes.
struct TKandidaatRecord {
    TShortString<3> KandidaatNr;
    TShortString<50> Achternaam;
    TShortString<15> Voorletters;
    TShortString<15> Voorvoegsels;
    TShortString<20> Voornaam;
    TShortString<50> NaamStemapparaat;
    TShortString<1> Geslacht;
    TShortString<10> Geboortedatum;
    TShortString<50> Adres;
    TShortString<10> Postcode;
    TShortString<50> Plaats;

    template <class Self, class F>
    static void ForEachField(Self& r, F&& f)
    {
        f(r.KandidaatNr), f(r.Achternaam), f(r.Voorletters), f(r.Voorvoegsels), f(r.Voornaam);
        f(r.NaamStemapparaat), f(r.Geslacht), f(r.Geboortedatum), f(r.Adres), f(r.Postcode), f(r.Plaats);
    }

    bool operator==(const TKandidaatRecord&) const = default;
};

static_assert(std::is_trivially_copyable_v<TPartijRecord> && std::is_standard_layout_v<TPartijRecord>);
static_assert(std::is_trivially_copyable_v<TKandidaatRecord> && std::is_standard_layout_v<TKandidaatRecord>);
static_assert(sizeof(TPartijRecord) == 632 && alignof(TPartijRecord) == 1);
static_assert(sizeof(TKandidaatRecord) == 285 && alignof(TKandidaatRecord) == 1);
static_assert(offsetof(TPartijRecord, StatuNaam) == 9 && offsetof(TPartijRecord, Aanduiding) == 60);
static_assert(offsetof(TPartijRecord, Adres) == 111 && offsetof(TPartijRecord, PostCode) == 162);
static_assert(offsetof(TPartijRecord, Plaats) == 173 && offsetof(TPartijRecord, NaamGemachtigde) == 224);
static_assert(offsetof(TPartijRecord, AdresGemachtigde) == 275);
static_assert(offsetof(TPartijRecord, PostcodeGemachtigde) == 326);
static_assert(offsetof(TPartijRecord, PlaatsGemachtigde) == 377);
static_assert(offsetof(TPartijRecord, NaamVervanger) == 428 && offsetof(TPartijRecord, AdresVervanger) == 479);
static_assert(offsetof(TPartijRecord, PostcodeVervanger) == 530);
static_assert(offsetof(TPartijRecord, PlaatsVervanger) == 581);
static_assert(offsetof(TKandidaatRecord, Achternaam) == 4 && offsetof(TKandidaatRecord, Voorletters) == 55);
static_assert(offsetof(TKandidaatRecord, Voorvoegsels) == 71 && offsetof(TKandidaatRecord, Voornaam) == 87);
static_assert(offsetof(TKandidaatRecord, NaamStemapparaat) == 108);
static_assert(offsetof(TKandidaatRecord, Geslacht) == 159 && offsetof(TKandidaatRecord, Geboortedatum) == 161);
static_assert(offsetof(TKandidaatRecord, Adres) == 172 && offsetof(TKandidaatRecord, Postcode) == 223);
static_assert(offsetof(TKandidaatRecord, Plaats) == 234);

// An owning list of records in entry order.  Items hands out pointers that the list keeps
// owning; Delete and Clear release records.  An index out of range raises an Exception.
template <class TRecord>
class TRecordList {
public:
    TRecordList() = default;
    TRecordList(const TRecordList&) = delete;
    TRecordList& operator=(const TRecordList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TRecord* Items(int index) const { return items_[CheckedIndex(index)].get(); }

    // Appends record (not null); the list takes ownership.  Returns its position.
    int Add(std::unique_ptr<TRecord> record)
    {
        if (!record)
            throw std::invalid_argument("Add: geen record");
        items_.push_back(std::move(record));
        return Count() - 1;
    }
    // Appends the records in their order or, with Replace, puts them in place of the records the
    // list holds, which are released.  All or nothing: a null record (std::invalid_argument) or
    // memory that runs out (std::bad_alloc) leaves the list as it was.
    void AddAll(std::vector<std::unique_ptr<TRecord>> records, bool Replace = false)
    {
        if (std::find(records.begin(), records.end(), nullptr) != records.end())
            throw std::invalid_argument("AddAll: geen record");
        if (Replace) {
            items_.swap(records); // the old records go with records
            return;
        }
        items_.reserve(items_.size() + records.size());
        std::move(records.begin(), records.end(), std::back_inserter(items_));
    }
    // Releases the record at index; the records behind it move up one place.
    void Delete(int index) { items_.erase(items_.begin() + CheckedIndex(index)); }
    // Releases every record; destroying the list does the same.
    void Clear() { items_.clear(); }

private:
    std::size_t CheckedIndex(int index) const
    {
        if (index < 0 || index >= Count())
            throw Exception("Lijstindex buiten bereik (" + std::to_string(index) + ")");
        return static_cast<std::size_t>(index);
    }

    std::vector<std::unique_ptr<TRecord>> items_;
};

// PartijList holds zero or one party record; whoever stores one clears the list first.
class TPartijList final : public TRecordList<TPartijRecord> {};
// KandidaatList holds the candidate records in entry order and is never sorted.
class TKandidaatList final : public TRecordList<TKandidaatRecord> {};

// The process-wide lists.  They exist while a TZVLists object lives: the main window holds one
// for its whole life, so every other window may take both as present.  Outside that span both
// pointers are null.
extern TPartijList* PartijList;
extern TKandidaatList* KandidaatList;

// Creates PartijList and then KandidaatList, both empty; destroying it frees KandidaatList and then
// PartijList with all their records.  Only one may exist at a time (a second raises logic_error).
class TZVLists {
public:
    TZVLists();
    ~TZVLists();
    TZVLists(const TZVLists&) = delete;
    TZVLists& operator=(const TZVLists&) = delete;
};
