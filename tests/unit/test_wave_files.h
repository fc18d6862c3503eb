// WAV images built byte by byte, so each sound test states the exact chunk layout it uses.
#ifndef ROBINA_TEST_WAVE_FILES_H
#define ROBINA_TEST_WAVE_FILES_H

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string>

inline std::string Le(uint32_t v, int bytes = 4) {
    std::string out;
    for (int i = 0; i < bytes; i++) out += (char)(v >> (8 * i) & 255);
    return out;
}
inline std::string Chunk(const std::string &id, const std::string &body) {
    return id + Le((uint32_t)body.size()) + body + std::string(body.size() % 2, '\0');
}
inline std::string Riff(const std::string &chunks, const std::string &form = "WAVE") {
    return "RIFF" + Le((uint32_t)chunks.size() + 4) + form + chunks;
}
inline std::string FormatFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    int align = channels * bits / 8;
    return Le(tag, 2) + Le(channels, 2) + Le(rate) + Le(rate * align) + Le(align, 2) + Le(bits, 2);
}
// 16-bit samples of a sine tone at 22050 Hz.
inline std::string ToneSamples(double seconds, double frequency) {
    std::string samples;
    for (int i = 0; i < (int)(seconds * 22050); i++)
        samples += Le((uint16_t)(int16_t)(16000 * sin(2 * 3.14159265358979 * frequency * i / 22050)), 2);
    return samples;
}
inline std::string ToneWave(double seconds, double frequency) {
    std::string format = FormatFields(1, 1, 22050, 16);
    return Riff(Chunk("fmt ", format) + Chunk("data", ToneSamples(seconds, frequency)));
}
inline bool WriteBytes(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    bool whole = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && fclose(file) == 0 && whole;
}

#endif
