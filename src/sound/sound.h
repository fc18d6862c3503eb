// The sound engine: WAV members of the current pack, each loaded whole into a static DirectSound
// buffer, kept in one list (head record first, loading order) so that scene clears and shutdown
// can find them. While SoundEnabled is 0 every operation does nothing.
#ifndef ROBINA_SOUND_H
#define ROBINA_SOUND_H

#include <stdint.h>
#include "robina_game.h"

struct IDirectSound;
struct tWAVEFORMATEX;

extern int32_t SoundEnabled;                     // 1 once InitSound succeeded, until ReleaseSnd
extern Sound *SoundList;                         // head record of the sound list; never a sound
extern struct IDirectSound *SoundDevice;         // the default device's DirectSound object
extern struct IDirectSoundBuffer *PrimaryBuffer; // the device's primary buffer; nothing plays on it

int InitSound(void);
Sound *__cdecl SndCreate(const char *name);
int32_t __cdecl RemoveSnd(Sound *sound);
int FreeSceneSounds(void);
int32_t __cdecl PlaySnd(Sound *sound);
int32_t __cdecl StopSnd(Sound *sound);
int ReleaseSnd(void);

// Parses a WAV file: 1 on success with a GlobalAlloc'd format block (the 16 PCM bytes, cbSize, then
// cbSize extra bytes) and data block; 0 on failure with *length 0 and both blocks null.
int ReadWave(const wchar_t *path, uint32_t *length, struct tWAVEFORMATEX **format, uint8_t **data);
void FreeWaveBlock(void *block);  // gives back a block from ReadWave; null is ignored

#endif
