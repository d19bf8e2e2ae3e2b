#!/usr/bin/env python3
"""Composes the show's music, "vindu-tarok": A minor at 125 bpm, the chords
Am - F - C - G two bars each, five times round, then a closing A minor chord.

Usage: music.py FOLDER   (writes FOLDER/vindu-tarok.mp3, its parts beside it)

Sounds are made with sox as WAV files, placed on a grid of sixteenth notes
into two-bar phrases, laid end to end into tracks, mixed, and encoded with
lame. sox runs in repeatable mode: noise and dither come out the same on
every run.
"""

import os
import subprocess
import sys

RATE = 44100
BEAT = RATE * 60 // 125  # 21168 samples, so every grid step is whole samples
STEP = BEAT // 4  # a sixteenth note
EIGHTH = BEAT // 2
BAR = 4 * BEAT
SLOT = 2 * BAR  # one chord lasts two bars
SLOTS = 20  # five rounds of the four chords
ENDING = 6 * RATE  # then the closing chord rings out
TOTAL = SLOTS * SLOT + ENDING

# The chords: pad voicing, bass root / octave / fifth, arpeggio tones.
CHORDS = ["Am", "F", "C", "G"]
PAD_NOTES = {"Am": "A3 C4 E4", "F": "A3 C4 F4", "C": "G3 C4 E4", "G": "G3 B3 D4"}
BASS_NOTES = {"Am": "A1 A2 E2", "F": "F1 F2 C2", "C": "C2 C3 G2", "G": "G1 G2 D2"}
ARP_NOTES = {"Am": "A4 C5 E5 A5", "F": "F4 A4 C5 F5", "C": "G4 C5 E5 G5", "G": "G4 B4 D5 G5"}

_ = "."  # in a row of sounds: a rest


def run(command):
    if subprocess.run(command).returncode != 0:
        sys.exit("music: failed: " + " ".join(command))


def sox(*parts):
    """sox in repeatable mode. A string part is split into words; a list is
    taken word for word (an input "|sox ..." is made by sox running it)."""
    words = []
    for part in parts:
        words += part if isinstance(part, list) else part.split()
    run(["sox", "-R", *words])


def new(file, effects):
    """A mono sound that sox's effects make from nothing (synth first)."""
    sox(f"-r {RATE} -c 1 -n {file}", effects)


def once(file, make):
    """FILE, made by make(FILE) unless an earlier call made it."""
    if not os.path.exists(file):
        make(file)
    return file


def semitones(note):
    """The distance from A4 of a note such as C4, F#2 or Bb3."""
    base = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}[note[0]]
    accidental = {"#": 1, "b": -1}.get(note[1], 0)
    octave = int(note[2:] if accidental else note[1:])
    return base + accidental + (octave - 4) * 12


def silence(length):
    """A silent sound LENGTH samples long."""
    return once(f"rest-{length}.wav", lambda file: new(file, f"trim 0 {length}s"))


def place(out, length, stride, sounds):
    """Starts each sound STRIDE samples after the previous one and mixes them,
    so long sounds ring on under the next. OUT is exactly LENGTH samples long."""
    inputs = ["-v", "1", silence(length)]
    for i, sound in enumerate(sounds):
        if sound != _:
            inputs += ["-v", "1", f"|sox {sound} -p pad {i * stride}s"]
    sox("-m", inputs, f"{out} trim 0 {length}s gain -n -1")


def arrange(out, slots, ending):
    """A whole track: one sound per two-bar slot end to end, each cut or
    padded to fill its slot, then the ending whole."""
    inputs = []
    for sound in slots:
        if sound == _:
            inputs.append(silence(SLOT))
        else:  # -V1: pad warns when the trim ends the stream before it is done
            inputs.append(f"|sox -V1 {sound} -p pad 0 {SLOT}s trim 0 {SLOT}s")
    inputs.append(silence(ENDING) if ending == _ else ending)
    sox(inputs, out)


def drums(out, hit, steps):
    """One HIT per "x" (full) or "o" (soft) in a row of sixteenth-note steps."""
    soft = once(f"{hit}-soft.wav", lambda file: sox(f"{hit}.wav {file} vol 0.45"))
    sounds = [{"x": f"{hit}.wav", "o": soft}.get(c, _) for c in steps]
    place(out, len(steps) * STEP, STEP, sounds)


# --- Instruments: each makes one note or hit. -------------------------------


def make_drum_kit():
    # A sine falling from 150 to 42 Hz with a fast decay: the kick.
    new("kick.wav", "synth 0.32 sine 150/42 gain -6 fade l 0.002 0.32 0.3 gain -n -1")
    # Noise and a falling tone: the snare.
    sox(f"-r {RATE} -c 2 -n snare.wav synth 0.2 whitenoise sine 200/150",
        "remix 1v0.8,2v0.5 gain -6 highpass 180 lowpass 7000 fade l 0.001 0.2 0.19 gain -n -1")
    # High-passed noise bursts: closed and open hi-hat.
    new("hat.wav", "synth 0.05 whitenoise gain -6 highpass 7000 fade l 0.001 0.05 0.048 gain -n -1")
    new("open-hat.wav", "synth 0.2 whitenoise gain -6 highpass 6500 fade l 0.002 0.2 0.19"
                        " gain -n -3")


def bass(note, length="0.22", release="0.08"):
    """A filtered sawtooth, by default a short pluck."""
    return once(f"bass-{note}-{length}.wav", lambda file: new(
        file, f"synth {length} sawtooth {note} gain -6 lowpass 700 lowpass 900"
              f" fade h 0.004 {length} {release} gain -n -1"))


def arp(note):
    """A plucked string, short and bright; up to four ring together."""
    return once(f"arp-{note}.wav", lambda file: new(
        file, f"synth 0.45 pluck {note} gain -6 lowpass 4000 fade l 0 0.45 0.3 gain -n -10"))


def pad(out, length, notes):
    """Two slightly detuned sawtooths per note, softened, swelling in and dying
    away (the reverb bridges one chord to the next)."""
    voices = []
    for note in notes.split():
        s = semitones(note)
        voices += ["sawtooth", f"%{s}", "sawtooth", f"%{s}.1"]  # a tenth of a semitone apart
    sox(f"-r {RATE} -c {len(voices) // 2} -n {out} synth {length}", voices, "remix -",
        f"gain -6 lowpass 1100 lowpass 1600 tremolo 0.3 15 fade q 0.3 {length} 0.5 gain -n -1")


# --- Phrases: two bars each. -------------------------------------------------


def make_bass_phrase(chord):
    """Eighth notes: root and octave pulse, the fifth leads on."""
    r, o, f = (bass(note) for note in BASS_NOTES[chord].split())
    place(f"bass-{chord}.wav", SLOT, EIGHTH, [r, r, o, r, r, r, o, r, r, r, o, r, f, f, o, o])


def make_arp_phrase(chord):
    """A syncopated sixteenth-note arpeggio over the chord's tones."""
    a = [arp(note) for note in ARP_NOTES[chord].split()]
    one_bar = [a[0], _, a[2], _, a[3], _, a[2], a[1], _, a[2], _, a[3], _, a[2], _, a[1]]
    place(f"arp-{chord}.wav", SLOT, STEP, one_bar * 2)


def main():
    os.chdir(sys.argv[1])

    make_drum_kit()
    for chord in CHORDS:
        pad(f"pad-{chord}.wav", f"{SLOT}s", PAD_NOTES[chord])
        make_bass_phrase(chord)
        make_arp_phrase(chord)
    pad("pad-end.wav", f"{ENDING}s", "A2 E3 A3 C4 E4")

    # Two-bar drum patterns, one character per sixteenth note.
    drums("kick-2.wav", "kick", "x...x...x...x...x...x...x...x...")
    drums("kick-end.wav", "kick", "x...............................")
    drums("snare-2.wav", "snare", "....x.......x.......x.......x...")
    drums("snare-fill.wav", "snare", "....x.......x.......x.....o.xoxx")
    drums("hats-2.wav", "hat", "x.o.x.o.x.o.xoo.x.o.x.o.x.o.xoox")
    drums("open-2.wav", "open-hat", "..x...x...x...x...x...x...x...x.")

    # The arrangement, slot by slot (the chord is the slot's number mod 4):
    #   0-3 intro: pad, hats from slot 2   4-7 kick and bass join
    #   8-15 full: snare, open hats, arpeggio   16-19 outro: the kick leaves
    #   then the ending: an A minor chord over one kick and a long bass note.
    tracks = {"pad": [], "bass": [], "arp": [], "kick": [], "snare": [], "hats": [], "open": []}
    for s in range(SLOTS):
        chord = CHORDS[s % 4]
        tracks["pad"].append(f"pad-{chord}.wav")
        tracks["bass"].append(f"bass-{chord}.wav" if s >= 4 else _)
        tracks["arp"].append(f"arp-{chord}.wav" if s >= 8 else _)
        tracks["kick"].append("kick-2.wav" if 4 <= s < 18 else _)
        if s in (7, 11, 15):
            tracks["snare"].append("snare-fill.wav")
        else:
            tracks["snare"].append("snare-2.wav" if 8 <= s < 16 else _)
        tracks["hats"].append("hats-2.wav" if s >= 2 else _)
        tracks["open"].append("open-2.wav" if 8 <= s < 16 else _)
    endings = {"pad": "pad-end.wav", "bass": bass("A1", "3", "2.5"), "kick": "kick-end.wav"}
    for name, slots in tracks.items():
        arrange(f"{name}-track.wav", slots, endings.get(name, _))

    # Effects: a wide reverb on the pad, a dotted-eighth echo on the arpeggio,
    # panned a little apart.
    dotted = 3 * STEP * 1000 // RATE  # milliseconds
    sox("pad-track.wav pad-wet.wav channels 2 gain -6 reverb 70 50 100 100 20 -2 gain -n -1")
    sox(f"arp-track.wav arp-wet.wav echo 0.7 0.7 {dotted} 0.4 {2 * dotted} 0.2 gain -n -1")

    # Mix (stereo) and master: fades at both ends, peak at -1.5 dBFS so the
    # encoded file does not clip.
    sox("-m", ["-v", "0.30", "|sox kick-track.wav -p remix 1 1",
               "-v", "0.25", "|sox snare-track.wav -p remix 1v0.9 1v1",
               "-v", "0.12", "|sox hats-track.wav -p remix 1v1 1v0.7",
               "-v", "0.08", "|sox open-track.wav -p remix 1v0.7 1v1",
               "-v", "0.15", "|sox bass-track.wav -p remix 1 1",
               "-v", "0.22", "pad-wet.wav",
               "-v", "0.11", "|sox arp-wet.wav -p remix 1v1 1v0.6"],
        f"mix.wav fade q 2 {TOTAL}s 5 gain -n -1.5")
    run("lame --quiet --noreplaygain -q 2 -b 192 mix.wav vindu-tarok.mp3".split())

    # A slip in the arrangement shows as a short mix.
    seconds = subprocess.run(["soxi", "-D", "mix.wav"], capture_output=True, text=True).stdout
    if float(seconds or 0) < 75:
        sys.exit(f"music: the mix is only {seconds.strip() or 0} s long")


if __name__ == "__main__":
    main()
