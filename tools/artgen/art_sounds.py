"""The program's sounds, synthesised: a button click, a notification chime and the menu music.

All sounds are 22050 Hz 16-bit mono WAV files. The music is rendered on a circle: every note or echo
that runs past the end of the loop is folded back onto its start, so the loop has no seam. Noise
comes from a generator with a fixed seed, so every build writes the same bytes.
"""
import pathlib
import wave

import numpy as np

RATE = 22050
TEMPO = 120                       # beats per minute of the menu music
BEAT = RATE * 60 // TEMPO         # samples per beat (a whole number at this tempo)
BARS = 4


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def seconds(count):
    return np.arange(int(count)) / RATE


def envelope(length, attack, decay):
    """A fast linear attack then an exponential decay, both in seconds."""
    t = seconds(length)
    rise = np.minimum(1.0, t / max(attack, 1.0 / RATE))
    return rise * np.exp(-t / decay)


def partials(freq, length, weights, decay, attack=0.004, stretch=1.0):
    """A tone of harmonic partials (weight per partial); higher partials die away sooner."""
    t = seconds(length)
    tone = np.zeros(len(t))
    for n, weight in enumerate(weights, start=1):
        ratio = n ** stretch
        if freq * ratio >= RATE / 2:
            break
        tone += weight * np.sin(2 * np.pi * freq * ratio * t) * np.exp(-t * n / decay)
    rise = np.minimum(1.0, t / attack)
    return tone * rise


def fade_out(sound, length):
    sound[-length:] *= np.linspace(1.0, 0.0, length) ** 2
    return sound


def to_pcm16(sound, peak):
    sound = sound * (peak / np.max(np.abs(sound)))
    return np.round(sound * 32767).astype("<i2")


def write_wav(path, samples):
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(samples.tobytes())


# --- one-shot sounds ---

def click():
    """A short wooden tick: a damped high body with a breath of noise at the very start."""
    rng = np.random.default_rng(11)
    length = int(0.05 * RATE)
    body = partials(1650.0, length, [1.0, 0.35, 0.12], decay=0.012, attack=0.0005)
    low = 0.6 * np.sin(2 * np.pi * 520.0 * seconds(length)) * envelope(length, 0.0005, 0.008)
    noise = rng.standard_normal(length) * envelope(length, 0.0002, 0.0015) * 0.5
    return fade_out(body + low + noise, int(0.01 * RATE))


def notice():
    """Two bell strokes a fifth apart, the second a little louder, with a soft ring."""
    length = int(0.75 * RATE)
    sound = np.zeros(length)
    for start, note, level in ((0.0, 81, 0.8), (0.11, 88, 1.0)):   # A5 then E6
        at = int(start * RATE)
        bell = partials(midi_hz(note), length - at, [1.0, 0.0, 0.28, 0.0, 0.12], decay=0.35,
                        attack=0.002, stretch=1.003)
        bell += 0.15 * np.sin(2 * np.pi * midi_hz(note) * 0.5 * seconds(length - at)) * \
            envelope(length - at, 0.003, 0.2)
        sound[at:] += level * bell
    return fade_out(sound, int(0.15 * RATE))


# --- the menu music ---

# (start beat, length in beats, MIDI note) of the tune over C, Am, F, G.
MELODY = [
    (0, 1, 76), (1, 0.5, 79), (1.5, 0.5, 81), (2, 1, 79), (3, 0.5, 76), (3.5, 0.5, 72),
    (4, 1, 74), (5, 0.5, 76), (5.5, 0.5, 72), (6, 1.5, 69),
    (8, 1, 77), (9, 0.5, 81), (9.5, 0.5, 84), (10, 1, 81), (11, 0.5, 79), (11.5, 0.5, 77),
    (12, 1, 76), (13, 0.5, 74), (13.5, 0.5, 76), (14, 1.5, 74), (15.5, 0.5, 71),
]
CHORDS = [(48, [60, 64, 67]), (45, [57, 60, 64]), (41, [57, 60, 65]), (43, [55, 59, 62])]


def add_circular(track, at, sound):
    """Mixes sound into track from sample at, wrapping around the end of the loop."""
    index = (at + np.arange(len(sound))) % len(track)
    np.add.at(track, index, sound)


def marimba(note, beats):
    length = int(max(beats, 1.0) * BEAT * 1.6)
    tone = partials(midi_hz(note), length, [1.0, 0.0, 0.0, 0.22], decay=0.55, attack=0.003)
    return tone + 0.25 * partials(midi_hz(note + 12), length, [1.0], decay=0.12, attack=0.002)


def pluck(note):
    return partials(midi_hz(note), int(0.6 * RATE), [1.0, 0.5, 0.25, 0.12], decay=0.3, attack=0.002)


def bass(note):
    length = int(0.9 * BEAT)
    tone = partials(midi_hz(note), length, [1.0, 0.3, 0.1], decay=1.2, attack=0.01)
    return fade_out(tone, int(0.15 * BEAT))


def kick():
    t = seconds(0.18 * RATE)
    freq = 55.0 + 70.0 * np.exp(-t / 0.03)
    return np.sin(2 * np.pi * np.cumsum(freq) / RATE) * envelope(len(t), 0.001, 0.07)


def shaker(rng):
    length = int(0.07 * RATE)
    noise = rng.standard_normal(length)
    noise = np.diff(noise, prepend=0.0)              # keep the hiss bright, not rumbling
    return noise * envelope(length, 0.006, 0.018)


def menu_music():
    rng = np.random.default_rng(5)
    track = np.zeros(BARS * 4 * BEAT)
    for start, beats, note in MELODY:
        add_circular(track, int(start * BEAT), 0.55 * marimba(note, beats))
    for bar, (root, triad) in enumerate(CHORDS):
        first = bar * 4 * BEAT
        for beat in range(4):
            add_circular(track, first + beat * BEAT, 0.5 * bass(root if beat % 2 == 0 else root + 7))
            chord = sum(pluck(n) for n in triad) / 3
            add_circular(track, first + beat * BEAT + BEAT // 2, 0.22 * chord)
        for beat in (0, 2):
            add_circular(track, first + beat * BEAT, 0.45 * kick())
        for eighth in range(8):
            level = 0.08 if eighth % 2 else 0.05
            add_circular(track, first + eighth * BEAT // 2, level * shaker(rng))
    # A dotted-eighth echo, also on the circle: each repeat is the track rolled by one more delay.
    delay = 3 * BEAT // 4
    echo, repeat = np.zeros_like(track), track
    for _ in range(6):
        repeat = 0.3 * np.roll(repeat, delay)
        echo += repeat
    track += echo
    return track - np.mean(track)     # no offset that would thump when the loop starts or stops


def make(out):
    out = pathlib.Path(out)
    sounds = {
        "click.wav": to_pcm16(click(), 0.7),
        "notice.wav": to_pcm16(notice(), 0.6),
        "menubgm.wav": to_pcm16(menu_music(), 0.55),
    }
    for name, samples in sounds.items():
        write_wav(out / name, samples)
    return list(sounds)
