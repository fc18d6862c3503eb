"""The front end's short sounds: the title's wing flutter and spring, the menu's opening jingle and
its three button sounds. Same voices as the menu music: marimba and bell tones, a breath of noise.
"""
import pathlib

import numpy as np

from art_sounds import RATE, envelope, fade_out, marimba, midi_hz, partials, seconds, to_pcm16, write_wav


def mixed(length_s, parts):
    """parts: (start in seconds, sound, level); returns one track holding them all."""
    track = np.zeros(int(length_s * RATE))
    for start, sound, level in parts:
        at = int(start * RATE)
        end = min(len(track), at + len(sound))
        track[at:end] += level * sound[:end - at]
    return track


def bell(note, length_s=0.6, decay=0.25):
    return partials(midi_hz(note), int(length_s * RATE), [1.0, 0.0, 0.3, 0.0, 0.1], decay=decay, attack=0.002,
                    stretch=1.003)


def flutter(length_s, rate_hz, seed):
    """Wing beats: bursts of soft noise at rate_hz, swelling then fading."""
    rng = np.random.default_rng(seed)
    n = int(length_s * RATE)
    noise = np.cumsum(rng.standard_normal(n)) * 0.02
    noise -= np.convolve(noise, np.ones(64) / 64, mode="same")          # keep the rustle, drop the rumble
    beats = np.maximum(0.0, np.sin(2 * np.pi * rate_hz * seconds(n))) ** 3
    swell = np.sin(np.pi * np.linspace(0, 1, n)) ** 0.7
    return noise * beats * swell


def glide(start_hz, end_hz, length_s, decay):
    n = int(length_s * RATE)
    freq = np.geomspace(start_hz, end_hz, n)
    return np.sin(2 * np.pi * np.cumsum(freq) / RATE) * envelope(n, 0.003, decay)


def title_intro():
    """Pomo flies in: wing beats under a rising marimba run that lands on a chord."""
    run = [(0.0 + 0.11 * k, marimba(n, 0.5), 0.5) for k, n in enumerate((67, 72, 76, 79, 84))]
    chord = [(0.62, marimba(n, 2), 0.35) for n in (72, 76, 79)]
    return fade_out(mixed(1.6, [(0.0, flutter(1.1, 9.0, 31), 6.0)] + run + chord), int(0.3 * RATE))


def title_spring():
    """The spring after the crouch: a boing that slides up, then sparkling bells."""
    boing = glide(180, 720, 0.35, 0.25) * (1 + 0.3 * np.sin(2 * np.pi * 28 * seconds(int(0.35 * RATE))))
    sparkle = [(0.28 + 0.07 * k, bell(n, 0.5, 0.15), 0.45) for k, n in enumerate((88, 91, 96, 100))]
    return fade_out(mixed(1.0, [(0.0, boing, 0.8)] + sparkle), int(0.2 * RATE))


def menu_intro():
    """The map arrives: a short bright fanfare of marimba and bells."""
    notes = [(0.0, 72), (0.12, 76), (0.24, 79), (0.36, 84)]
    parts = [(t, marimba(n, 0.5), 0.5) for t, n in notes]
    parts += [(0.5, bell(n, 1.0, 0.35), 0.35) for n in (84, 88, 91)]
    parts += [(0.5, marimba(n - 12, 2), 0.3) for n in (72, 76, 79)]
    return fade_out(mixed(1.5, parts), int(0.35 * RATE))


def button_press():
    """A round wooden 'pok' for every push button."""
    n = int(0.09 * RATE)
    body = partials(880.0, n, [1.0, 0.4, 0.1], decay=0.03, attack=0.0008)
    drop = glide(1300, 700, 0.09, 0.02)
    return fade_out(body + 0.5 * drop, int(0.02 * RATE))


def choose():
    """A destination or the information office is chosen: two quick rising bell tones."""
    return fade_out(mixed(0.45, [(0.0, bell(84, 0.4, 0.12), 0.7), (0.07, bell(91, 0.4, 0.18), 1.0)]),
                    int(0.1 * RATE))


def hover():
    """The mouse finds a point on the map: a light, high blip."""
    return fade_out(glide(1500, 2100, 0.07, 0.025), int(0.02 * RATE))


def make(out):
    out = pathlib.Path(out)
    sounds = {
        "title_se0.wav": to_pcm16(title_intro(), 0.6),
        "title_se1.wav": to_pcm16(title_spring(), 0.6),
        "menuintro.wav": to_pcm16(menu_intro(), 0.6),
        "bt_norm.wav": to_pcm16(button_press(), 0.6),
        "bt_loc.wav": to_pcm16(choose(), 0.6),
        "bt_notify.wav": to_pcm16(hover(), 0.4),
    }
    for name, samples in sounds.items():
        write_wav(out / name, samples)
    return list(sounds)
