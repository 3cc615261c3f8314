// TStrings and TStringList: lists of 8-bit strings, each with an associated TObject*.
//
// TStrings is the abstract interface every string list of the framework offers (the
// text forms, name=value access, files and streams); TStringList is the one that keeps
// its strings itself and can stay sorted. Neither owns the associated objects.
// Indices are zero-based; a bad one raises EStringListError "List index out of bounds (%d)".
// Used by one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "object.h"
#include "persistent.h"

class TStream;

class TStrings : public TPersistent {
    RUNTIME_CLASS(TStrings, TPersistent)
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    virtual int Count() const = 0;
    virtual std::string Strings(int index) const = 0;
    // Replaces the string at index, keeping its object.
    virtual void Put(int index, const std::string& s);
    // The object associated with the string at index; null when none. The default keeps none.
    virtual TObject* Objects(int index) const;
    virtual void PutObject(int index, TObject* object);

    // Appends (a sorted list places it); returns the index it got.
    virtual int Add(const std::string& s);
    virtual int AddObject(const std::string& s, TObject* object);
    // Inserts before index; index may be Count() to append.
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void InsertObject(int index, const std::string& s, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    // Moves the string and its object from curIndex so that it ends up at newIndex.
    virtual void Move(int curIndex, int newIndex);

    // The first index whose string matches s (by CompareStrings), or -1.
    virtual int IndexOf(const std::string& s) const;
    // The first index of a "name=value" string whose name matches, or -1.
    int IndexOfName(const std::string& name) const;
    int IndexOfObject(const TObject* object) const;

    // The part before the first NameValueSeparator; empty when the string has none.
    std::string Names(int index) const;
    // The part after the first separator of the first string named name; empty when none.
    std::string Values(const std::string& name) const;
    // Replaces or appends "name=value"; an empty value deletes the entry instead.
    void SetValues(const std::string& name, const std::string& value);
    // The part after the first separator of the string at index; empty when it has none.
    std::string ValueFromIndex(int index) const;
    char NameValueSeparator() const noexcept { return FNameValueSeparator; }
    void SetNameValueSeparator(char separator) noexcept { FNameValueSeparator = separator; }

    // Every string followed by CR LF.
    std::string Text() const;
    // Replaces the content with the lines of text, which may end in CR LF, LF or CR; a
    // line break at the very end does not start another, empty, line.
    virtual void SetText(const std::string& text);
    // The strings joined by Delimiter; a string containing a blank or control character,
    // the delimiter or the quote character is put in QuoteChar quotes with inner quotes
    // doubled. A list of one empty string gives two quote characters.
    std::string DelimitedText() const;
    // Replaces the content with the items of text: separated by the delimiter or by
    // unquoted blanks, quoted items taken whole with doubled quotes made single.
    void SetDelimitedText(const std::string& text);
    // DelimitedText with ',' and '"', whatever Delimiter and QuoteChar are.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);
    char Delimiter() const noexcept { return FDelimiter; }
    void SetDelimiter(char delimiter) noexcept { FDelimiter = delimiter; }
    char QuoteChar() const noexcept { return FQuoteChar; }
    void SetQuoteChar(char quoteChar) noexcept { FQuoteChar = quoteChar; }

    // Appends every string of strings with its object.
    void AddStrings(const TStrings& strings);
    // From a TStrings: the same strings and objects (a sorted list sorts them). Any other
    // source goes to TPersistent::Assign.
    void Assign(const TPersistent* source) override;
    // Same count and the same strings, case counting; objects are not compared.
    bool Equals(const TStrings& strings) const;

    // Nested; change notifications are held until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    // Defined with the file streams (filestreams.cpp), so only the Windows build has
    // them. Raise EFOpenError / EFCreateError as TFileStream does.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // Reads from stream's position to its end and sets that as Text.
    void LoadFromStream(TStream& stream);
    // Writes Text at stream's position.
    void SaveToStream(TStream& stream) const;

protected:
    // < 0, 0, > 0 like strcmp. Here: ASCII letters compare without regard to case.
    virtual int CompareStrings(const std::string& s1, const std::string& s2) const;
    // Called when the outermost BeginUpdate starts (true) and EndUpdate ends (false).
    virtual void SetUpdateState(bool updating);
    int UpdateCount() const noexcept { return FUpdateCount; }
    [[noreturn]] static void ListIndexError(int index);

private:
    std::string JoinDelimited(char delimiter, char quoteChar) const;
    void SplitDelimited(const std::string& text, char delimiter, char quoteChar);

    int FUpdateCount = 0;
    char FNameValueSeparator = '=';
    char FDelimiter = ',';
    char FQuoteChar = '"';
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// For CustomSort: compares the strings at two indices of list (which does not change
// during the sort); < 0, 0, > 0 like strcmp.
using TStringListSortCompare = int (*)(TStringList* list, int index1, int index2);

class TStringList : public TStrings {
    RUNTIME_CLASS(TStringList, TStrings)
public:
    TStringList() = default;

    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Strings(int index) const override;
    // Raises EStringListError "Operations not allowed on sorted string list" when sorted.
    void Put(int index, const std::string& s) override;
    TObject* Objects(int index) const override;
    void PutObject(int index, TObject* object) override;

    // On a sorted list the string goes to its place and Duplicates decides about an equal
    // one: dupIgnore returns the index of the one there, dupError raises EStringListError
    // "String list does not allow duplicates", dupAccept places it after those equal to it.
    int Add(const std::string& s) override;
    int AddObject(const std::string& s, TObject* object) override;
    // Insert, InsertObject, Exchange and Move raise EStringListError "Operations not
    // allowed on sorted string list" when the list is sorted.
    void Insert(int index, const std::string& s) override;
    void InsertObject(int index, const std::string& s, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    int IndexOf(const std::string& s) const override;

    // Binary search for the first string that matches s; index receives its index, or
    // where s would go. Meaningful only on a sorted list.
    bool Find(const std::string& s, int& index) const;
    // Sorts by CompareStrings; does nothing on a list that is already Sorted.
    void Sort();
    // Sorts stably by compare (not null); does nothing on a Sorted list.
    void CustomSort(TStringListSortCompare compare);

    bool Sorted() const noexcept { return FSorted; }
    // Sorting on: the strings are sorted now and kept so.
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const noexcept { return FDuplicates; }
    void SetDuplicates(TDuplicates duplicates) noexcept { FDuplicates = duplicates; }
    // Off by default: ASCII letters then match without regard to case.
    bool CaseSensitive() const noexcept { return FCaseSensitive; }
    void SetCaseSensitive(bool caseSensitive);

    // Called after / before every change, once around a BeginUpdate ... EndUpdate.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
    const TNotifyEvent& OnChanging() const noexcept { return FOnChanging; }
    void SetOnChanging(TNotifyEvent handler) { FOnChanging = std::move(handler); }

protected:
    int CompareStrings(const std::string& s1, const std::string& s2) const override;
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();

private:
    struct TStringItem {
        std::string String;
        TObject* Object;
    };

    void CheckIndex(int index) const;
    void CheckNotSorted() const;
    void InsertItem(int index, const std::string& s, TObject* object);
    void SortItems(TStringListSortCompare compare);
    static int CompareItems(TStringList* list, int index1, int index2);

    std::vector<TStringItem> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};
