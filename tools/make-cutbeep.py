#!/usr/bin/env python3
"""Writes resources/CutBeep.wav, the short beep played at each cut.

Format: RIFF/WAVE, PCM, one channel, 11025 samples per second, 8 bits per
sample (unsigned), 2506 bytes of sample data (about 0.23 s). The sound is a
two-tone "tick-beep": 1320 Hz falling to 990 Hz with a quick attack and a
soft exponential decay, so it is short and does not click at either end.

Usage: tools/make-cutbeep.py [output path]
"""
import math
import os
import sys
import wave

RATE = 11025
SAMPLES = 2506
AMPLITUDE = 90  # of 127: loud enough to hear, no clipping


def sample(n: int) -> int:
    t = n / RATE
    attack = min(1.0, n / 40.0)
    release = min(1.0, (SAMPLES - 1 - n) / 120.0)
    envelope = attack * release * math.exp(-t * 9.0)
    # The pitch steps down a fourth after 60 ms; the phase stays continuous.
    split = 0.06
    if t < split:
        phase = 2 * math.pi * 1320.0 * t
    else:
        phase = 2 * math.pi * (1320.0 * split + 990.0 * (t - split))
    value = 128 + round(AMPLITUDE * envelope * math.sin(phase))
    return max(0, min(255, value))


def main() -> None:
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "resources", "CutBeep.wav")
    data = bytes(sample(n) for n in range(SAMPLES))
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(data)


if __name__ == "__main__":
    main()
