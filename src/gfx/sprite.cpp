// The draw list: sprites sorted by priority at insertion (ascending, unsigned; among equals the
// newest goes first, underneath), drawn in list order every frame with black transparent and
// clipped to the 640x360 play area. Drawing works on copies: a sprite's fields are never changed.
#include <windows.h>
#include <ddraw.h>
#include "gfx/gfx.h"
#include "gfx/clip_format.h"
#include "base/base.h"

Sprite *SpriteList = 0;
int32_t SpriteCount = 0;

int InitSpriteList(void) {
    SpriteList = (Sprite *)Alloc(sizeof(Sprite));
    SpriteCount = 0;
    return 1;
}

// Links after every sprite of smaller priority and before every sprite of equal or greater one.
static void LinkByPriority(Sprite *sprite, uint32_t priority) {
    Sprite *after = SpriteList;
    while (after->next && after->next->priority < priority) after = after->next;
    sprite->prev = after;
    sprite->next = after->next;
    if (after->next) after->next->prev = sprite;
    after->next = sprite;
    sprite->priority = priority;
}

static void Unlink(Sprite *sprite) {
    sprite->prev->next = sprite->next;
    if (sprite->next) sprite->next->prev = sprite->prev;
}

Sprite *__cdecl NewSprite(uint32_t priority) {
    if (!SpriteList) InitSpriteList();
    Sprite *sprite = (Sprite *)Alloc(sizeof(Sprite));
    LinkByPriority(sprite, priority);
    SpriteCount += 1;
    return sprite;
}

int32_t __cdecl SetSpritePriority(Sprite *sprite, uint32_t priority) {
    if (!sprite || sprite == SpriteList) return 0;
    Unlink(sprite);
    LinkByPriority(sprite, priority);
    return 1;
}

int32_t __cdecl FreeSprite(Sprite *sprite) {
    if (!sprite || sprite == SpriteList) return 0;
    Unlink(sprite);
    Free(sprite);
    SpriteCount -= 1;
    return 1;
}

int FreeSceneSprites(void) {
    Sprite *sprite = SpriteList ? SpriteList->next : 0;
    while (sprite) {
        Sprite *next = sprite->next;
        if (!sprite->keep) FreeSprite(sprite);
        sprite = next;
    }
    return 1;
}

int FreeSpriteList(void) {
    if (!SpriteList) return 1;
    Sprite *sprite = SpriteList->next;
    while (sprite) {
        Sprite *next = sprite->next;
        Free(sprite);
        SpriteCount -= 1;
        sprite = next;
    }
    Free(SpriteList);
    SpriteList = 0;
    Log("スプライトメモリ解放%d\n", (int)SpriteCount);
    return 1;
}

// A lost image surface is restored only to learn whether the device can come back; its pixels are
// gone, so the whole display is rebuilt, which reloads every image.
static void HandleBlitResult(HRESULT result, IDirectDrawSurface *source) {
    if (result == DDERR_SURFACELOST && source->Restore() == DD_OK) RequestDisplayRestore();
}

static RECT ToRect(ClipRect r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

static void DrawPlain(const Sprite *sprite) {
    ClipRect source = {sprite->srcLeft, sprite->srcTop, sprite->srcRight, sprite->srcBottom};
    int32_t x = sprite->x, y = sprite->y;
    if (!ClipPlain(&source, &x, &y)) return;
    RECT src = ToRect(source);
    IDirectDrawSurface *surface = sprite->image->surface;
    HandleBlitResult(BackBuffer->BltFast((DWORD)x, (DWORD)y, surface, &src, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
                     surface);
}

static void DrawStretched(const Sprite *sprite) {
    ClipRect source = {sprite->srcLeft, sprite->srcTop, sprite->srcRight, sprite->srcBottom};
    ClipRect target = {sprite->x, sprite->y, sprite->right, sprite->bottom};
    if (!ClipStretched(&source, &target, sprite->image->width)) return;
    RECT src = ToRect(source), dst = ToRect(target);
    IDirectDrawSurface *surface = sprite->image->surface;
    HandleBlitResult(BackBuffer->Blt(&dst, surface, &src, DDBLT_KEYSRC | DDBLT_WAIT, NULL), surface);
}

void DrawSprites(void) {
    if (!BackBuffer || !SpriteList) return;
    for (const Sprite *sprite = SpriteList->next; sprite; sprite = sprite->next) {
        if (!sprite->visible || !sprite->image || !sprite->image->surface) continue;
        if (sprite->stretch)
            DrawStretched(sprite);
        else
            DrawPlain(sprite);
    }
}

void RenderFrame(void) {
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
}
