// WAV images built byte by byte for the sound tests, so each test states the exact chunk layout it
// feeds to the parser.
#ifndef ROBINA_TEST_WAVE_FILES_H
#define ROBINA_TEST_WAVE_FILES_H

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string>

inline std::string Le32(uint32_t v) {
    return std::string{(char)(v & 255), (char)(v >> 8 & 255), (char)(v >> 16 & 255), (char)(v >> 24)};
}
inline std::string Le16(uint16_t v) { return std::string{(char)(v & 255), (char)(v >> 8)}; }

// One chunk with its size field and the pad byte an odd body needs.
inline std::string Chunk(const std::string &id, const std::string &body) {
    return id + Le32((uint32_t)body.size()) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

inline std::string Riff(const std::string &chunks, const std::string &form = "WAVE") {
    return "RIFF" + Le32((uint32_t)(chunks.size() + 4)) + form + chunks;
}

// The 16 bytes every format starts with.
inline std::string FormatFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t align = (uint16_t)(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

// 16-bit mono PCM samples of a sine tone; silence when amplitude is 0.
inline std::string ToneSamples(double seconds, double frequency, double amplitude, uint32_t rate = 22050) {
    std::string samples;
    int count = (int)(seconds * rate);
    for (int i = 0; i < count; i++)
        samples += Le16((uint16_t)(int16_t)(amplitude * 32767 * sin(2 * 3.14159265358979 * frequency * i / rate)));
    return samples;
}

inline std::string ToneWave(double seconds, double frequency = 440, double amplitude = 0.5) {
    return Riff(Chunk("fmt ", FormatFields(1, 1, 22050, 16)) +
                Chunk("data", ToneSamples(seconds, frequency, amplitude)));
}

inline bool WriteBytes(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool whole = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && whole;
}

#endif
