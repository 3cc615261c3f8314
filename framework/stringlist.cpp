#include "stringlist.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "exceptions.h"
#include "format.h"
#include "streams.h"
#include "strutils.h"

namespace {

// Blanks in the delimited forms: every control character and the space.
bool IsBlank(char c) noexcept
{
    return static_cast<unsigned char>(c) <= ' ';
}

[[noreturn]] void SortedListError()
{
    throw EStringListError("Operations not allowed on sorted string list");
}

// Runs body between BeginUpdate and EndUpdate, ending the update on an exception too.
// Not a destructor-based guard: EndUpdate runs OnChange, which may throw.
template <typename Body>
void WithinUpdate(TStrings& strings, Body&& body)
{
    strings.BeginUpdate();
    try {
        body();
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

} // namespace

// ---- TStrings ----

void TStrings::ListIndexError(int index)
{
    throw EStringListError(Format("List index out of bounds (%d)", {index}));
}

void TStrings::Put(int index, const std::string& s)
{
    TObject* object = Objects(index);
    WithinUpdate(*this, [&] {
        Delete(index);
        InsertObject(index, s, object);
    });
}

TObject* TStrings::Objects(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject*)
{
}

int TStrings::Add(const std::string& s)
{
    int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string& s, TObject* object)
{
    int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object)
{
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2)
{
    std::string s1 = Strings(index1), s2 = Strings(index2);
    TObject* o1 = Objects(index1);
    TObject* o2 = Objects(index2);
    WithinUpdate(*this, [&] {
        Put(index1, s2);
        PutObject(index1, o2);
        Put(index2, s1);
        PutObject(index2, o1);
    });
}

void TStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    if (newIndex < 0 || newIndex >= Count()) ListIndexError(newIndex);
    std::string s = Strings(curIndex);
    TObject* object = Objects(curIndex);
    WithinUpdate(*this, [&] {
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    });
}

int TStrings::IndexOf(const std::string& s) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (CompareStrings(Strings(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const
{
    for (int i = 0, n = Count(); i < n; ++i) {
        std::string s = Strings(i);
        size_t separator = s.find(FNameValueSeparator);
        if (separator != std::string::npos && CompareStrings(s.substr(0, separator), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Objects(i) == object) return i;
    return -1;
}

std::string TStrings::Names(int index) const
{
    std::string s = Strings(index);
    size_t separator = s.find(FNameValueSeparator);
    return separator == std::string::npos ? std::string() : s.substr(0, separator);
}

std::string TStrings::Values(const std::string& name) const
{
    int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(const std::string& name, const std::string& value)
{
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string line = name + FNameValueSeparator + value;
    if (index < 0)
        Add(line);
    else
        Put(index, line);
}

std::string TStrings::ValueFromIndex(int index) const
{
    std::string s = Strings(index);
    size_t separator = s.find(FNameValueSeparator);
    return separator == std::string::npos ? std::string() : s.substr(separator + 1);
}

std::string TStrings::Text() const
{
    std::string text;
    for (int i = 0, n = Count(); i < n; ++i) {
        text += Strings(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& text)
{
    WithinUpdate(*this, [&] {
        Clear();
        size_t p = 0, n = text.size();
        while (p < n) {
            size_t end = text.find_first_of("\r\n", p);
            if (end == std::string::npos) end = n;
            Add(text.substr(p, end - p));
            p = end;
            if (p < n && text[p] == '\r') ++p;
            if (p < n && text[p] == '\n') ++p;
        }
    });
}

std::string TStrings::JoinDelimited(char delimiter, char quoteChar) const
{
    int n = Count();
    // Joined plainly, a single empty string would read back as no string at all.
    if (n == 1 && Strings(0).empty()) return std::string(2, quoteChar);
    std::string text;
    for (int i = 0; i < n; ++i) {
        if (i > 0) text += delimiter;
        std::string s = Strings(i);
        bool quote = std::any_of(s.begin(), s.end(),
                                 [&](char c) { return IsBlank(c) || c == delimiter || c == quoteChar; });
        if (!quote) {
            text += s;
            continue;
        }
        text += quoteChar;
        for (char c : s) {
            if (c == quoteChar) text += quoteChar;
            text += c;
        }
        text += quoteChar;
    }
    return text;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quoteChar)
{
    size_t p = 0, n = text.size();
    auto skipBlanks = [&] {
        // A blank delimiter is swallowed here as a blank, which separates the same way.
        while (p < n && IsBlank(text[p])) ++p;
    };
    WithinUpdate(*this, [&] {
        Clear();
        skipBlanks();
        while (p < n) {
            std::string item;
            if (text[p] == quoteChar) {
                // An unterminated quote takes the rest of the text.
                for (++p; p < n; ++p) {
                    if (text[p] != quoteChar) {
                        item += text[p];
                    } else if (p + 1 < n && text[p + 1] == quoteChar) {
                        item += quoteChar;
                        ++p;
                    } else {
                        ++p;
                        break;
                    }
                }
            } else {
                size_t start = p;
                while (p < n && !IsBlank(text[p]) && text[p] != delimiter) ++p;
                item.assign(text, start, p - start);
            }
            Add(item);
            skipBlanks();
            if (p < n && text[p] == delimiter) {
                // A delimiter at the very end still closes an (empty) last item.
                if (p + 1 == n) Add(std::string());
                ++p;
                skipBlanks();
            }
        }
    });
}

std::string TStrings::DelimitedText() const
{
    return JoinDelimited(FDelimiter, FQuoteChar);
}

void TStrings::SetDelimitedText(const std::string& text)
{
    SplitDelimited(text, FDelimiter, FQuoteChar);
}

std::string TStrings::CommaText() const
{
    return JoinDelimited(',', '"');
}

void TStrings::SetCommaText(const std::string& text)
{
    SplitDelimited(text, ',', '"');
}

void TStrings::AddStrings(const TStrings& strings)
{
    WithinUpdate(*this, [&] {
        for (int i = 0, n = strings.Count(); i < n; ++i) AddObject(strings.Strings(i), strings.Objects(i));
    });
}

void TStrings::Assign(const TPersistent* source)
{
    const auto* strings = dynamic_cast<const TStrings*>(source);
    if (!strings) {
        TPersistent::Assign(source);
        return;
    }
    if (strings == this) return;
    WithinUpdate(*this, [&] {
        Clear();
        AddStrings(*strings);
    });
}

bool TStrings::Equals(const TStrings& strings) const
{
    int n = Count();
    if (n != strings.Count()) return false;
    for (int i = 0; i < n; ++i)
        if (Strings(i) != strings.Strings(i)) return false;
    return true;
}

void TStrings::BeginUpdate()
{
    // Notified before counting, so the handlers still see a list that is not updating.
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& stream)
{
    std::int64_t left = stream.Size() - stream.Position();
    if (left < 0) left = 0;
    if (left > INT_MAX) throw EReadError("Stream read error");
    std::string text(static_cast<size_t>(left), '\0');
    stream.ReadBuffer(text.data(), static_cast<int>(left));
    SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const
{
    std::string text = Text();
    if (text.size() > INT_MAX) throw EWriteError("Stream write error");
    stream.WriteBuffer(text.data(), static_cast<int>(text.size()));
}

int TStrings::CompareStrings(const std::string& s1, const std::string& s2) const
{
    return CompareText(s1, s2);
}

void TStrings::SetUpdateState(bool)
{
}

// ---- TStringList ----

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count()) ListIndexError(index);
}

void TStringList::CheckNotSorted() const
{
    if (FSorted) SortedListError();
}

std::string TStringList::Strings(int index) const
{
    CheckIndex(index);
    return FItems[index].String;
}

void TStringList::Put(int index, const std::string& s)
{
    CheckNotSorted();
    CheckIndex(index);
    Changing();
    FItems[index].String = s;
    Changed();
}

TObject* TStringList::Objects(int index) const
{
    CheckIndex(index);
    return FItems[index].Object;
}

void TStringList::PutObject(int index, TObject* object)
{
    CheckIndex(index);
    Changing();
    FItems[index].Object = object;
    Changed();
}

int TStringList::Add(const std::string& s)
{
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const std::string& s, TObject* object)
{
    int index = Count();
    if (FSorted) {
        if (Find(s, index)) {
            switch (FDuplicates) {
            case dupIgnore: return index;
            case dupError: throw EStringListError("String list does not allow duplicates");
            case dupAccept:
                // After the equal ones, so equal strings keep the order they came in.
                while (index < Count() && CompareStrings(FItems[index].String, s) == 0) ++index;
                break;
            }
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, const std::string& s)
{
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string& s, TObject* object)
{
    CheckNotSorted();
    if (index < 0 || index > Count()) ListIndexError(index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object)
{
    Changing();
    FItems.insert(FItems.begin() + index, TStringItem{s, object});
    Changed();
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty()) return;
    Changing();
    FItems.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2)
{
    CheckNotSorted();
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FItems[index1], FItems[index2]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex)
{
    CheckNotSorted();
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    TStringItem item = std::move(FItems[curIndex]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
    Changed();
}

int TStringList::IndexOf(const std::string& s) const
{
    if (!FSorted) return TStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const std::string& s, int& index) const
{
    int low = 0, high = Count();
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (CompareStrings(FItems[middle].String, s) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    index = low;
    return low < Count() && CompareStrings(FItems[low].String, s) == 0;
}

int TStringList::CompareItems(TStringList* list, int index1, int index2)
{
    return list->CompareStrings(list->FItems[index1].String, list->FItems[index2].String);
}

void TStringList::Sort()
{
    CustomSort(&CompareItems);
}

void TStringList::CustomSort(TStringListSortCompare compare)
{
    if (!FSorted) SortItems(compare);
}

void TStringList::SortItems(TStringListSortCompare compare)
{
    if (Count() < 2) return;
    Changing();
    // Sorting a permutation leaves the list untouched while compare reads it by index.
    std::vector<int> order(FItems.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
    std::vector<TStringItem> sorted;
    sorted.reserve(FItems.size());
    for (int i : order) sorted.push_back(std::move(FItems[i]));
    FItems.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == FSorted) return;
    if (sorted) SortItems(&CompareItems);
    FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    if (caseSensitive == FCaseSensitive) return;
    FCaseSensitive = caseSensitive;
    // The order changes with the comparison, and Find relies on it.
    if (FSorted) SortItems(&CompareItems);
}

int TStringList::CompareStrings(const std::string& s1, const std::string& s2) const
{
    return FCaseSensitive ? CompareStr(s1, s2) : CompareText(s1, s2);
}

void TStringList::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && FOnChanging) FOnChanging(this);
}
