// The draw list: sprites sorted by priority at insertion (ascending, unsigned; among equals the
// newest goes first, underneath), drawn in list order every frame with black transparent and
// clipped to the 640x360 play area. Drawing works on copies: a sprite's fields are never changed.
#include <windows.h>
#include <ddraw.h>
#include <math.h>
#include "gfx/gfx.h"
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

// Games write the fields directly, so any 32-bit values may arrive: the clip is worked out in 64 bits,
// and what is left of the source always lies between its original edges.
static void DrawPlain(const Sprite *sprite) {
    int64_t x = sprite->x, y = sprite->y;
    int64_t left = sprite->srcLeft, top = sprite->srcTop, right = sprite->srcRight, bottom = sprite->srcBottom;
    int64_t w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return;
    if (x >= PLAY_WIDTH || y >= PLAY_HEIGHT || x < -w || y < -h) return;
    if (x + w > PLAY_WIDTH) right -= x + w - PLAY_WIDTH;
    if (y + h > PLAY_HEIGHT) bottom -= y + h - PLAY_HEIGHT;
    if (x < 0) {
        left -= x;
        x = 0;
    }
    if (y < 0) {
        top -= y;
        y = 0;
    }
    if (FullScreen) y += FULL_BAND;
    RECT src = {(LONG)left, (LONG)top, (LONG)right, (LONG)bottom};
    IDirectDrawSurface *surface = sprite->image->surface;
    HandleBlitResult(BackBuffer->BltFast((DWORD)x, (DWORD)y, surface, &src, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
                     surface);
}

// Scale factors come from the unclipped rectangles; an empty or inverted rectangle (which would
// make them infinite or negative) draws nothing. The right source edge never reaches the image's
// width: a source spanning the whole image shows width - 1 columns scaled over the destination.
static void DrawStretched(const Sprite *sprite) {
    RECT dst = {sprite->x, sprite->y, sprite->right, sprite->bottom};
    RECT src = {sprite->srcLeft, sprite->srcTop, sprite->srcRight, sprite->srcBottom};
    if (dst.left >= PLAY_WIDTH || dst.top >= PLAY_HEIGHT || dst.right < 0 || dst.bottom < 0) return;
    if (src.right <= src.left || src.bottom <= src.top) return;
    if (dst.right <= dst.left || dst.bottom <= dst.top) return;
    double sx = ((double)dst.right - dst.left) / ((double)src.right - src.left);
    double sy = (float)(((double)dst.bottom - dst.top) / ((double)src.bottom - src.top));
    double left = src.left, top = src.top, right = src.right, bottom = src.bottom;
    if (dst.left < 0) {
        left -= trunc(dst.left / sx);
        dst.left = 0;
    }
    if (dst.right >= PLAY_WIDTH) {
        right -= trunc((dst.right - PLAY_WIDTH) / sx);
        dst.right = PLAY_WIDTH;
    }
    if (dst.top < 0) {
        top -= trunc(dst.top / sy);
        dst.top = 0;
    }
    if (dst.bottom >= PLAY_HEIGHT) {
        bottom -= trunc((dst.bottom - PLAY_HEIGHT) / sy);
        dst.bottom = PLAY_HEIGHT;
    }
    // Clipping far outside the play area can leave nothing of the source, or edges no rectangle holds.
    if (right <= left || bottom <= top) return;
    if (left < INT32_MIN || top < INT32_MIN || right > INT32_MAX || bottom > INT32_MAX) return;
    src = {(LONG)left, (LONG)top, (LONG)right, (LONG)bottom};
    if (src.right >= sprite->image->width) src.right = sprite->image->width - 1;
    if (src.right <= src.left || src.bottom <= src.top) return;
    if (FullScreen) {
        dst.top += FULL_BAND;
        dst.bottom += FULL_BAND;
    }
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
