// The installed DirectX version, major in the high byte and minor in the low byte (0x700 = 7.0).
#ifndef ROBINA_DXPROBE_H
#define ROBINA_DXPROBE_H
int DirectXVersion(void);
#endif
