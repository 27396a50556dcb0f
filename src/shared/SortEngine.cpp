#include "SortEngine.h"

#include "DateTime.h"
#include "Exceptions.h"
#include "IntText.h"
#include "StrFuncs.h"
#include "SysCalls.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

using ZEBSortGrid::TSortKey;

namespace {

int Sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int CompareRows(int row1, int row2)
{
    return row1 < row2 ? -1 : (row1 > row2 ? 1 : 0);
}

TSortKey NumericKey(const std::string& text, TDisplayNumericFormat format)
{
    TSortKey key;
    if (text.empty())
        return key;
    key.Kind = ZEBSortGrid::ReadNumber(text, format, key.Value) ? TSortKey::kValue : TSortKey::kInvalid;
    return key;
}

bool OddDateLength(const std::string& text)
{
    return !text.empty() && text.size() != 10 && text.size() != 16 && text.size() != 19;
}

TSortKey DateKey(const std::string& text, TDisplayDateFormat format)
{
    TSortKey key;
    if (!text.empty()) {
        key.Kind = TSortKey::kValue;
        key.Value = ZEBSortGrid::ReadDateTime(text, format);
    }
    return key;
}

TSortKey TextKey(const std::string& text, bool caseSensitive)
{
    TSortKey key;
    key.Kind = TSortKey::kValue;
    key.Text = caseSensitive ? text : LowerStr(text);
    return key;
}

TSortKey KeyOf(const std::string& text, const TSortRules& rules)
{
    switch (rules.Format) {
    case cfNumber: return NumericKey(text, rules.Numeric);
    case cfDate: return DateKey(text, rules.Date);
    default: return TextKey(text, rules.CaseSensitive);
    }
}

int CompareKeyValues(const TSortKey& a, const TSortKey& b)
{
    if (a.Kind != b.Kind)
        return a.Kind < b.Kind ? -1 : 1;
    if (a.Value != b.Value)
        return a.Value < b.Value ? -1 : 1;
    return Sign(a.Text.compare(b.Text));
}

bool EqualKeys(const TSortKey& a, const TSortKey& b)
{
    return CompareKeyValues(a, b) == 0;
}

int CompareKeys(const TSortKey& a, int rowA, const TSortKey& b, int rowB)
{
    const int result = CompareKeyValues(a, b);
    return result != 0 ? result : CompareRows(rowA, rowB);
}

} // namespace

bool ZEBSortGrid::ReadNumber(const std::string& text, TDisplayNumericFormat format, double& value)
{
    const char thousands = format == nfNL ? '.' : ',';
    const char decimal = format == nfNL ? ',' : '.';
    thread_local std::string digits;
    digits.clear();
    for (char c : text)
        if (c != thousands)
            digits += c == decimal ? '.' : c;
    std::size_t begin = 0;
    std::size_t end = digits.size();
    while (begin < end && static_cast<unsigned char>(digits[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(digits[end - 1]) <= ' ')
        --end;
    if (begin < end && digits[begin] == '+')
        ++begin;
    if (begin == end)
        return false;
    for (std::size_t i = begin; i < end; ++i)
        if (!std::isdigit(static_cast<unsigned char>(digits[i])) && std::strchr(".eE+-", digits[i]) == nullptr)
            return false;
    const auto result = std::from_chars(digits.data() + begin, digits.data() + end, value);
    return result.ec == std::errc() && result.ptr == digits.data() + end;
}

double ZEBSortGrid::ReadDateTime(const std::string& text, TDisplayDateFormat format)
{
    const bool uk = format == dfUK || format == dfUKShort || format == dfUKLong;
    const bool shortForm = format == dfNLShort || format == dfUKShort;
    const bool longForm = format == dfNLLong || format == dfUKLong;
    const int year = StrToInt(MidStr(text, 7, 4));
    const int month = StrToInt(MidStr(text, uk ? 1 : 4, 2));
    const int day = StrToInt(MidStr(text, uk ? 4 : 1, 2));
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!shortForm) {
        hour = StrToInt(MidStr(text, 12, 2));
        minute = StrToInt(MidStr(text, 15, 2));
        if (longForm)
            second = StrToInt(MidStr(text, 18, 2));
        if (uk) {
            const std::string marker = LowerStr(MidStr(text, longForm ? 21 : 18, 2));
            if (marker == "pm" && hour < 12)
                hour += 12;
        }
    }
    return EncodeDateTime(year, month, day, hour, minute, second);
}

// The keys of a list of cell texts, and what the sort and the re-sort need to know of them.
struct TSortEngine::TKeys {
    std::vector<TSortKey> Keys;
    int Invalid = 0;
    int Odd = 0;
    int NonEmpty = 0;
};

TSortEngine::TSortEngine(TReport Report)
    : report_(Report ? std::move(Report) : TReport([](const std::string& message) { ShowMessage(message); }))
{
}

TSortEngine::TKeys TSortEngine::BuildKeys(const TSortRules& Rules, int Count, const TCellText& Text)
{
    TKeys result;
    result.Keys.resize(std::size_t(Count));
    for (int i = 0; i < Count; ++i) {
        const std::string& text = Text(i);
        result.Odd += OddDateLength(text);
        result.NonEmpty += !text.empty();
    }
    if (Rules.Format == cfDate && result.Odd >= 2)
        throw Exception("DateTimeCompare: wrong date format");
    for (int i = 0; i < Count; ++i) {
        const std::string& text = Text(i);
        TSortKey& key = result.Keys[std::size_t(i)];
        // A date is only read when there is another date to compare it with; a single one sorts
        // after the empty cells.
        if (Rules.Format == cfDate && result.NonEmpty < 2 && !text.empty())
            key.Kind = TSortKey::kValue;
        else
            key = KeyOf(text, Rules);
        result.Invalid += key.Kind == TSortKey::kInvalid;
    }
    return result;
}

void TSortEngine::ReportInvalid(int Count) const
{
    if (Count > 0)
        report_(InvalidNumberMessage);
}

int TSortEngine::CompareTexts(const std::string& A, int RowA, const std::string& B, int RowB,
                              const TSortRules& Rules) const
{
    const TKeys keys = BuildKeys(Rules, 2, [&](int i) -> const std::string& { return i == 0 ? A : B; });
    ReportInvalid(keys.Invalid);
    return CompareKeys(keys.Keys[0], RowA, keys.Keys[1], RowB);
}

std::vector<int> TSortEngine::Sort(int Col, const TSortRules& Rules, int First, int Count, const TCellText& Text,
                                   bool Tell)
{
    TKeys built = BuildKeys(Rules, Count, [&](int i) -> const std::string& { return Text(First + i); });
    std::vector<TSortKey>& keys = built.Keys;
    if (Tell)
        ReportInvalid(built.Invalid);

    // The sort moves small entries that hold what decides the order, so that comparing does not
    // reach into the keys; only texts are followed to where they are kept.  The order is the one
    // of CompareKeys: kind, value, text, then row.
    struct TEntry {
        int Kind;
        int Index;
        double Value;
        const std::string* Text; // null for numbers and dates, whose text is always empty
    };
    std::vector<TEntry> entries(static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i) {
        const TSortKey& key = keys[std::size_t(i)];
        entries[std::size_t(i)] = {key.Kind, i, key.Value, key.Text.empty() ? nullptr : &key.Text};
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        if (a.Kind != b.Kind)
            return a.Kind < b.Kind;
        if (a.Value != b.Value)
            return a.Value < b.Value;
        if (a.Text != b.Text) {
            const int texts = !a.Text ? -1 : (!b.Text ? 1 : a.Text->compare(*b.Text));
            if (texts != 0)
                return texts < 0;
        }
        return a.Index < b.Index;
    });
    std::vector<int> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].Index;
    if (Rules.Descending)
        std::reverse(order.begin(), order.end());

    state_ = TState{};
    state_.Col = Col;
    state_.Rules = Rules;
    state_.First = First;
    state_.SortedRows = Count;
    state_.InvalidKeys = built.Invalid;
    state_.OddLengthKeys = built.Odd;
    state_.NonEmptyKeys = built.NonEmpty;
    std::vector<int> rows(order.size());
    std::vector<TSortKey> sorted;
    sorted.reserve(order.size());
    constexpr std::size_t ahead = 8; // keys fetched while earlier ones are moved
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + ahead < order.size())
            __builtin_prefetch(&keys[std::size_t(order[i + ahead])]);
        rows[i] = First + order[i];
        sorted.push_back(std::move(keys[std::size_t(order[i])]));
        if (i > 0)
            state_.EqualPairs += EqualKeys(sorted[i - 1], sorted[i]);
    }
    state_.Keys.Assign(std::move(sorted));
    // A single date was not read, so its key cannot place another row.
    state_.Valid = !(Rules.Format == cfDate && built.NonEmpty == 1);
    return rows;
}

void TSortEngine::CellChanging(int Col, int Row, const std::string& OldText)
{
    TState& s = state_;
    if (!s.Valid || Col != s.Col || Row < s.First || Row == s.ChangedRow)
        return;
    if (s.ChangedRow >= 0) {
        s.Valid = false;
        return;
    }
    s.ChangedRow = Row;
    s.Appended = false;
    s.OldKey = OldText;
}

void TSortEngine::RowCountChanged(int OldCount, int NewCount)
{
    TState& s = state_;
    if (NewCount == OldCount)
        return;
    if (NewCount == OldCount + 1 && s.Valid && s.ChangedRow < 0) {
        s.ChangedRow = OldCount;
        s.Appended = true;
        s.OldKey.clear();
    } else {
        s.Valid = false;
    }
}

bool TSortEngine::SameRules(const TSortRules& Rules) const
{
    const TSortRules& r = state_.Rules;
    return r.Descending == Rules.Descending && r.Format == Rules.Format && r.CaseSensitive == Rules.CaseSensitive
        && (Rules.Format != cfNumber || r.Numeric == Rules.Numeric) && (Rules.Format != cfDate || r.Date == Rules.Date);
}

int TSortEngine::RowAfterMove(int Row, const TMove& Move)
{
    if (Move.From < 0)
        return Row;
    if (Row == Move.From)
        return Move.To;
    if (Row > Move.From)
        --Row;
    if (Row >= Move.To)
        ++Row;
    return Row;
}

bool TSortEngine::Resort(int Col, const TSortRules& Rules, int First, int RowCount, const TCellText& Text, TMove& Move)
{
    TState& s = state_;
    Move = TMove{};
    if (!s.Valid || s.Col != Col || !SameRules(Rules) || s.First != First
        || RowCount - First != s.SortedRows + (s.Appended ? 1 : 0) || s.Keys.Count() != s.SortedRows)
        return false;
    const TColumnFormat format = Rules.Format;
    const bool descending = Rules.Descending;

    if (s.ChangedRow < 0) {
        if (descending && s.EqualPairs > 0)
            return false;
        ReportInvalid(s.InvalidKeys);
        return true;
    }

    const int changed = s.ChangedRow;
    const int index = changed - First; // its place among the sorted rows
    const std::string& text = Text(changed);
    if (format == cfDate && (s.OddLengthKeys > 0 || OddDateLength(text) || OddDateLength(s.OldKey)))
        return false;
    // A date is only read when there is another date to compare it with.
    const int othersNonEmpty = s.NonEmptyKeys - (!s.Appended && !s.OldKey.empty() ? 1 : 0);
    if (format == cfDate && !text.empty() && othersNonEmpty == 0)
        return false;
    TSortKey key = KeyOf(text, Rules);
    // Neighbours with equal keys among the other rows: a descending sort would reverse them.
    int pairs = s.EqualPairs;
    if (descending && !s.Appended) {
        const int last = s.Keys.Count() - 1;
        const TSortKey& old = s.Keys[index];
        if (index > 0 && EqualKeys(s.Keys[index - 1], old))
            --pairs;
        if (index < last && EqualKeys(old, s.Keys[index + 1]))
            --pairs;
        if (index > 0 && index < last && EqualKeys(s.Keys[index - 1], s.Keys[index + 1]))
            ++pairs;
    }
    if (descending && pairs > 0)
        return false;

    int invalid = s.InvalidKeys + (key.Kind == TSortKey::kInvalid);
    if (!s.Appended)
        invalid -= s.Keys.Take(index).Kind == TSortKey::kInvalid;
    ReportInvalid(invalid);

    // The first of the other rows that the changed row goes before.
    const int others = s.Keys.Count();
    auto otherRow = [&](int k) { return First + k + (k >= index ? 1 : 0); };
    const int lo = s.Keys.FirstWhere([&](const TSortKey& other, int k) {
        const int c = CompareKeys(key, changed, other, otherRow(k));
        return descending ? c > 0 : c < 0;
    });
    if (descending) {
        if (lo > 0 && EqualKeys(s.Keys[lo - 1], key))
            ++pairs;
        if (lo < others && EqualKeys(key, s.Keys[lo]))
            ++pairs;
    }
    s.Keys.Insert(lo, std::move(key));

    Move = TMove{changed, First + lo};
    s.SortedRows = RowCount - First;
    s.EqualPairs = pairs;
    s.InvalidKeys = invalid;
    s.NonEmptyKeys = othersNonEmpty + !text.empty();
    s.ChangedRow = -1;
    s.Appended = false;
    s.OldKey.clear();
    return true;
}
