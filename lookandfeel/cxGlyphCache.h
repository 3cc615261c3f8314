// The shared glyph images of the look-and-feel buttons: one image list per glyph size,
// each with the set of slots in use, kept in one process-wide cache.
//
// GUI thread only; nothing here is guarded.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "framework/object.h"

// One shared image list per glyph size, with the slots in use. Owned by the glyph cache.
class TcxGlyphList : public TObject {
    RUNTIME_CLASS(TcxGlyphList, TObject)
public:
    // Raises EOSError when the system refuses the image list.
    TcxGlyphList(int width, int height);
    TcxGlyphList(const TcxGlyphList&) = delete;
    TcxGlyphList& operator=(const TcxGlyphList&) = delete;
    ~TcxGlyphList() override;

    HIMAGELIST Handle() const noexcept { return FHandle; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    // Puts image and mask (device-dependent bitmaps of the list's size, not selected into
    // any DC; the caller keeps them) into the first free slot, growing the list when none
    // is free. Returns the slot; EOSError when the system refuses.
    int AddMasked(HBITMAP image, HBITMAP mask);
    // Marks the slot free; a slot out of range or already free is ignored.
    void Release(int index) noexcept;
    int UsedCount() const noexcept { return FUsedCount; }
    int Count() const noexcept { return static_cast<int>(FUsed.size()); }
    bool IsUsed(int index) const noexcept;

private:
    HIMAGELIST FHandle = nullptr;
    int FWidth;
    int FHeight;
    std::vector<bool> FUsed;
    int FUsedCount = 0;
};

// The process-wide list of glyph lists. Exists while some TcxButtonGlyph exists or holds
// a list; GUI thread only.
class TcxGlyphCache : public TObject {
    RUNTIME_CLASS(TcxGlyphCache, TObject)
public:
    // The list of that size, created on first use.
    TcxGlyphList* GetList(int width, int height);
    // Frees list (one of ours).
    void RemoveList(TcxGlyphList* list) noexcept;
    int Count() const noexcept { return static_cast<int>(FLists.size()); }

private:
    std::vector<std::unique_ptr<TcxGlyphList>> FLists;
};
// The cache, or null while none exists.
TcxGlyphCache* cxGlyphCache() noexcept;
// The cache, created on first use (by the first glyph object).
TcxGlyphCache& cxNeedGlyphCache();
// Frees the cache when it holds no list any more (a glyph object goes).
void cxFreeGlyphCacheIfEmpty() noexcept;
