#include "lookandfeel/cxGlyphCache.h"

#include <memory>

#include "framework/sysutils.h"
#include "framework/units.h"

namespace {

// The cache lives from the first glyph object until a glyph object goes while it holds no
// list any more, or until its unit stops (after the forms, and so every glyph, have gone).
std::unique_ptr<TcxGlyphCache> glyphCache ZV_UNIT(zv::unit::kControls);

std::unique_ptr<TcxGlyphCache>& GlyphCacheInstance() { return glyphCache; }

} // namespace

TcxGlyphList::TcxGlyphList(int width, int height) : FWidth(width), FHeight(height)
{
    FHandle = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (!FHandle) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    ImageList_SetBkColor(FHandle, CLR_NONE);
}

TcxGlyphList::~TcxGlyphList()
{
    ImageList_Destroy(FHandle);
}

int TcxGlyphList::AddMasked(HBITMAP image, HBITMAP mask)
{
    for (std::size_t i = 0; i < FUsed.size(); ++i) {
        if (FUsed[i]) continue;
        if (!ImageList_Replace(FHandle, static_cast<int>(i), image, mask)) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
        FUsed[i] = true;
        ++FUsedCount;
        return static_cast<int>(i);
    }
    const int index = ImageList_Add(FHandle, image, mask);
    if (index < 0) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    if (static_cast<std::size_t>(index) >= FUsed.size()) FUsed.resize(static_cast<std::size_t>(index) + 1, false);
    FUsed[static_cast<std::size_t>(index)] = true;
    ++FUsedCount;
    return index;
}

void TcxGlyphList::Release(int index) noexcept
{
    if (!IsUsed(index)) return;
    FUsed[static_cast<std::size_t>(index)] = false;
    --FUsedCount;
}

bool TcxGlyphList::IsUsed(int index) const noexcept
{
    return index >= 0 && static_cast<std::size_t>(index) < FUsed.size() && FUsed[static_cast<std::size_t>(index)];
}

TcxGlyphList* TcxGlyphCache::GetList(int width, int height)
{
    for (const auto& list : FLists)
        if (list->Width() == width && list->Height() == height) return list.get();
    FLists.push_back(std::make_unique<TcxGlyphList>(width, height));
    return FLists.back().get();
}

void TcxGlyphCache::RemoveList(TcxGlyphList* list) noexcept
{
    for (auto it = FLists.begin(); it != FLists.end(); ++it)
        if (it->get() == list) {
            FLists.erase(it);
            return;
        }
}

TcxGlyphCache* cxGlyphCache() noexcept
{
    return GlyphCacheInstance().get();
}

TcxGlyphCache& cxNeedGlyphCache()
{
    auto& cache = GlyphCacheInstance();
    if (!cache) cache = std::make_unique<TcxGlyphCache>();
    return *cache;
}

void cxFreeGlyphCacheIfEmpty() noexcept
{
    auto& cache = GlyphCacheInstance();
    if (cache && cache->Count() == 0) cache.reset();
}
