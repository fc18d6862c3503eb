// WAV parsing for the sound engine through the multimedia file functions. The chunks are searched
// across the whole RIFF form, so other chunks may sit anywhere; the caller owns the two blocks on
// success, and on failure nothing stays allocated or open.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <string.h>
#include "sound/sound.h"

enum { PCM_FORMAT_BYTES = 16 };

void FreeWaveBlock(void *block) {
    if (!block) return;
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

static int ReadExactly(HMMIO file, void *target, LONG size) {
    return mmioRead(file, (HPSTR)target, size) == size;
}

// The format block: the 16 PCM bytes, then cbSize and, for other format tags, the extra bytes that
// follow cbSize in the file.
static WAVEFORMATEX *ReadFormat(HMMIO file, const MMCKINFO *riff) {
    MMCKINFO chunk = {};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file, &chunk, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return NULL;
    if (chunk.cksize < PCM_FORMAT_BYTES) return NULL;
    PCMWAVEFORMAT pcm;
    if (!ReadExactly(file, &pcm, PCM_FORMAT_BYTES)) return NULL;
    WORD extra = 0;
    if (pcm.wf.wFormatTag != WAVE_FORMAT_PCM && !ReadExactly(file, &extra, sizeof extra)) return NULL;
    WAVEFORMATEX *format = (WAVEFORMATEX *)GlobalAlloc(GMEM_FIXED, sizeof(WAVEFORMATEX) + extra);
    if (!format) return NULL;
    memcpy(format, &pcm, PCM_FORMAT_BYTES);
    format->cbSize = extra;
    if ((extra && !ReadExactly(file, format + 1, extra)) ||
        mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) {
        FreeWaveBlock(format);
        return NULL;
    }
    return format;
}

// Copies the data chunk out of the I/O buffer, refilling it as it runs dry; a refill that brings
// nothing means the file ends inside the chunk.
static int CopyBuffered(HMMIO file, uint8_t *target, DWORD size) {
    MMIOINFO info;
    if (mmioGetInfo(file, &info, 0) != MMSYSERR_NOERROR) return 0;
    DWORD done = 0;
    while (done < size) {
        if (info.pchNext >= info.pchEndRead) {
            if (mmioAdvance(file, &info, MMIO_READ) != MMSYSERR_NOERROR) break;
            if (info.pchNext >= info.pchEndRead) break;
        }
        DWORD part = (DWORD)(info.pchEndRead - info.pchNext);
        if (part > size - done) part = size - done;
        memcpy(target + done, info.pchNext, part);
        info.pchNext += part;
        done += part;
    }
    mmioSetInfo(file, &info, 0);
    return done == size;
}

// The data block, after a search from the start of the form's chunks. A chunk that claims more
// bytes than the file holds fails before anything of that size is allocated.
static uint8_t *ReadData(HMMIO file, const MMCKINFO *riff, DWORD *size) {
    LONG fileEnd = mmioSeek(file, 0, SEEK_END);
    if (fileEnd < 0 || mmioSeek(file, (LONG)riff->dwDataOffset + 4, SEEK_SET) < 0) return NULL;
    MMCKINFO chunk = {};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file, &chunk, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return NULL;
    if (chunk.cksize > (DWORD)fileEnd - chunk.dwDataOffset) return NULL;
    uint8_t *data = (uint8_t *)GlobalAlloc(GMEM_FIXED, chunk.cksize);
    if (!data) return NULL;
    if (!CopyBuffered(file, data, chunk.cksize)) {
        FreeWaveBlock(data);
        return NULL;
    }
    *size = chunk.cksize;
    return data;
}

int ReadWave(const wchar_t *path, uint32_t *length, WAVEFORMATEX **format, uint8_t **data) {
    *length = 0;
    *format = NULL;
    *data = NULL;
    if (!path) return 0;
    HMMIO file = mmioOpenW((LPWSTR)path, NULL, MMIO_ALLOCBUF | MMIO_READ);
    if (!file) return 0;
    MMCKINFO riff = {};
    WAVEFORMATEX *readFormat = NULL;
    uint8_t *readData = NULL;
    DWORD size = 0;
    if (mmioDescend(file, &riff, NULL, 0) == MMSYSERR_NOERROR && riff.ckid == FOURCC_RIFF &&
        riff.fccType == mmioFOURCC('W', 'A', 'V', 'E'))
        readFormat = ReadFormat(file, &riff);
    if (readFormat) readData = ReadData(file, &riff, &size);
    mmioClose(file, 0);
    if (!readData) {
        FreeWaveBlock(readFormat);
        return 0;
    }
    *length = size;
    *format = readFormat;
    *data = readData;
    return 1;
}
