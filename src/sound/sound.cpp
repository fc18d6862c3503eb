// The sound list and its DirectSound buffers. Every Sound after the head owns one static buffer
// that holds the whole WAV data; a record enters the list only with a filled buffer, and leaves it
// stopped, with the buffer released and the record freed.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <string.h>
#include "sound/sound.h"
#include "pack/pack.h"
#include "base/base.h"
#include "base/text_format.h"

static_assert(sizeof(DSBUFFERDESC) == 36, "DirectSound 7 buffer description expected");

int32_t SoundEnabled = 0;
Sound *SoundList = NULL;
IDirectSound *SoundDevice = NULL;
IDirectSoundBuffer *PrimaryBuffer = NULL;

enum { NAME_BYTES = sizeof(((Sound *)0)->name) };

int InitSound(void) {
    if (DirectSoundCreate(NULL, &SoundDevice, NULL) != DS_OK) {
        SoundDevice = NULL;
        ErrorBox("DirectSoundが使用できません。\n"
                 "お使いのマシンにサウンドデバイスが存在しない、もしくは問題があるようです。");
        return 0;
    }
    SoundDevice->SetCooperativeLevel((HWND)MainWindow, DSSCL_NORMAL);
    DSBUFFERDESC primary = {};
    primary.dwSize = sizeof primary;
    primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (SoundDevice->CreateSoundBuffer(&primary, &PrimaryBuffer, NULL) != DS_OK) PrimaryBuffer = NULL;
    SoundEnabled = 1;
    SoundList = (Sound *)Alloc(sizeof(Sound));
    return 1;
}

// A static buffer holding the data, or null when DirectSound refuses the format or the buffer
// cannot be locked; a half-filled buffer is never handed out.
static IDirectSoundBuffer *FilledBuffer(WAVEFORMATEX *format, const uint8_t *data, uint32_t length,
                                        const char *name) {
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_STATIC;
    desc.dwBufferBytes = length;
    desc.lpwfxFormat = format;
    IDirectSoundBuffer *buffer = NULL;
    if (SoundDevice->CreateSoundBuffer(&desc, &buffer, NULL) != DS_OK) return NULL;
    void *part1 = NULL, *part2 = NULL;
    DWORD size1 = 0, size2 = 0;
    if (buffer->Lock(0, length, &part1, &size1, &part2, &size2, 0) != DS_OK || !part1 ||
        (uint64_t)size1 + (part2 ? size2 : 0) < length) {
        if (part1) buffer->Unlock(part1, size1, part2, size2);
        Log("SndCreate %s: buffer not writable\n", name);
        buffer->Release();
        return NULL;
    }
    DWORD first = size1 < length ? size1 : length;
    memcpy(part1, data, first);
    if (first < length) memcpy(part2, data + first, length - first);
    buffer->Unlock(part1, size1, part2, size2);
    return buffer;
}

Sound *__cdecl SndCreate(const char *name) {
    if (!SoundEnabled) return NULL;
    uint32_t length;
    WAVEFORMATEX *format;
    uint8_t *data;
    int read = ReadWave(name ? ExtractMember(name) : NULL, &length, &format, &data);
    DeleteExtracted();
    if (!read) {
        ErrorBox("サウンドデータの読み込みに失敗");
        return NULL;
    }
    IDirectSoundBuffer *buffer = FilledBuffer(format, data, length, name);
    FreeWaveBlock(format);
    FreeWaveBlock(data);
    if (!buffer) return NULL;
    Sound *sound = (Sound *)Alloc(sizeof(Sound));
    CutText(sound->name, NAME_BYTES, name, strlen(name));
    sound->buffer = buffer;
    Sound *last = SoundList;
    while (last->next) last = last->next;
    last->next = sound;
    sound->prev = last;
    Log("SndCreate %s\n", sound->name);
    ResetFrameClock();
    return sound;
}

int32_t __cdecl PlaySnd(Sound *sound) {
    if (!SoundEnabled || !sound || !sound->buffer) return 1;
    sound->buffer->Stop();
    sound->buffer->SetCurrentPosition(0);
    sound->buffer->Play(0, 0, sound->loop ? DSBPLAY_LOOPING : 0);
    return 1;
}

int32_t __cdecl StopSnd(Sound *sound) {
    if (!SoundEnabled) return 1;
    if (!sound) return 0;
    Log("stop sound %.*s\n", NAME_BYTES, sound->name);
    if (sound->buffer) {
        sound->buffer->Stop();
        sound->buffer->SetCurrentPosition(0);
    }
    return 1;
}

static void DropSound(Sound *sound) {
    StopSnd(sound);
    if (sound->buffer) sound->buffer->Release();
    Free(sound);
}

int32_t __cdecl RemoveSnd(Sound *sound) {
    if (!SoundEnabled || !sound || sound == SoundList) return 1;
    sound->prev->next = sound->next;
    if (sound->next) sound->next->prev = sound->prev;
    Log("RemoveSnd %.*s\n", NAME_BYTES, sound->name);
    DropSound(sound);
    return 1;
}

int FreeSceneSounds(void) {
    if (!SoundEnabled) return 1;
    for (Sound *sound = SoundList->next, *next; sound; sound = next) {
        next = sound->next;
        if (!sound->keep) RemoveSnd(sound);
    }
    return 1;
}

// Ends sound for good: every sound whatever its keep flag, then the head, the primary buffer and
// the device. Later calls find SoundEnabled 0 and do nothing.
int ReleaseSnd(void) {
    if (!SoundEnabled) return 1;
    for (Sound *sound = SoundList->next, *next; sound; sound = next) {
        next = sound->next;
        Log("ReleaseSnd %.*s\n", NAME_BYTES, sound->name);
        DropSound(sound);
    }
    Free(SoundList);
    SoundList = NULL;
    if (PrimaryBuffer) PrimaryBuffer->Release();
    PrimaryBuffer = NULL;
    if (SoundDevice) SoundDevice->Release();
    SoundDevice = NULL;
    SoundEnabled = 0;
    return 1;
}
