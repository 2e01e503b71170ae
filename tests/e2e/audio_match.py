#!/usr/bin/python3
"""Compares audio recorded from a sound server with the file that was played.

  audio_match.py match REF.raw REC.raw
      REF is the file decoded once, REC the recording (both raw stereo
      float32, 44.1 kHz). Finds where the file's frames start in the
      recording and compares every frame from there to the last sound, with
      the file repeating. Prints key=value lines:
        found      1 when the file's frames were found in the recording
        frames     frames compared
        seams      loop seams inside the compared span
        max_err    largest difference from the file over the compared span
        bad        frames off by more than the tolerance (1e-3)
        gain       RMS of the recording / RMS of the file over the span

  audio_match.py heard REC.raw SIZES.log WHEN
      SIZES.log holds "wall_time bytes" lines: the recording's size sampled
      while it was written. WHEN is the wall time of a volume change. Finds
      the first 10 ms block after WHEN's position whose level differs from
      the level before it by more than 2x, and prints
        delay_ms   time from WHEN until that block had been written
        before     RMS before the change, after  RMS after it

  audio_match.py silent REC.raw SIZES.log WHEN
      WHEN is the wall time of a stop. Prints
        delay_ms   time from WHEN until the last sound had been written
        tail       peak of the last ms of sound / peak of the 100 ms before
                   it (well below 1 when the sound fades out)

  audio_match.py hz REC.raw
      Prints hz: the frequency of a sine in the recording's sound, from the
      zero crossings of the left channel.

  audio_match.py steps REF.raw REC.raw
      Prints ref: the largest step between two frames of the file played
      as a loop (its seam included), rec: the largest step in the
      recording, and changes: how often its level (of 10 ms blocks) went
      from below a tenth of its loudest to above half of it, or back.

  audio_match.py sizes REC.raw PID
      Writes "wall_time bytes" lines (the SIZES.log above) to stdout every
      10 ms while process PID (the recorder) runs.

  audio_match.py gaps REC.raw
      Prints gaps: silent 10 ms blocks between the first and the last sound
      (the server ran dry), and seconds: the length of the sound.

Recordings are at 44.1 kHz, or at AUDIO_RATE when that is set.
"""
import os
import sys
import time

import numpy as np

RATE = int(os.environ.get("AUDIO_RATE", "44100"))


def load(path):
    data = np.fromfile(path, dtype="<f4")
    return data[: len(data) // 2 * 2].reshape(-1, 2)


def match(ref_path, rec_path):
    ref, rec = load(ref_path), load(rec_path)
    n = len(ref)
    k = min(RATE // 10, n // 2)  # past the fade-in
    probe = ref[k : k + 64]
    hits = np.nonzero(np.abs(rec[:, 0] - probe[0, 0]) < 1e-3)[0]
    start = None  # where the file's frame 0 is, or would be, in the recording
    for j in hits:
        if j + 64 <= len(rec) and np.max(np.abs(rec[j : j + 64] - probe)) < 1e-3:
            start = int(j) - k
            break
    if start is None:
        print("found=0")
        return 1
    while start > 0:  # the recording may begin inside a pass
        start -= n
    loud = np.nonzero(np.max(np.abs(rec), axis=1) > 1e-6)[0]
    first = max(start, int(loud[0]) + RATE // 100, 0)  # past the fade-in
    last = int(loud[-1]) - RATE // 100  # before the fade-out
    idx = (np.arange(first, last) - start) % n
    diff = np.abs(rec[first:last] - ref[idx])
    err = np.max(diff, axis=1)
    seams = int(np.sum(idx[1:] < idx[:-1]))
    ref_rms = float(np.sqrt(np.mean(ref[idx] ** 2)))
    rec_rms = float(np.sqrt(np.mean(rec[first:last] ** 2)))
    print("found=1")
    print(f"frames={last - first}")
    print(f"seams={seams}")
    print(f"max_err={float(np.max(err)):.7f}")
    print(f"bad={int(np.sum(err > 1e-3))}")
    print(f"gain={rec_rms / ref_rms if ref_rms else 0:.5f}")
    return 0


def heard(rec_path, sizes_path, when):
    rec = load(rec_path)
    sizes = np.loadtxt(sizes_path, ndmin=2)
    frames_at = sizes[:, 1] / 8
    # The frame being written when the change was made.
    at = int(np.interp(when, sizes[:, 0], frames_at))
    block = RATE // 100
    levels = [
        float(np.sqrt(np.mean(rec[b : b + block] ** 2)))
        for b in range(0, len(rec) - block, block)
    ]
    b0 = max(0, at // block - 100)  # from a second before the change
    before = float(np.median(levels[b0 : at // block])) if at // block > b0 else 0.0
    for b in range(max(b0, 1), len(levels)):
        if before > 0 and (levels[b] > 2 * before or levels[b] < before / 2):
            if b * block < at - block * 100:
                continue
            written = np.interp((b + 1) * block, frames_at, sizes[:, 0])
            after = float(np.median(levels[b : b + 20]))
            print(f"delay_ms={(written - when) * 1000:.1f}")
            print(f"before={before:.6f}")
            print(f"after={after:.6f}")
            return 0
    print("delay_ms=-1")
    return 1


def silent(rec_path, sizes_path, when):
    rec = load(rec_path)
    sizes = np.loadtxt(sizes_path, ndmin=2)
    peak = np.max(np.abs(rec), axis=1)
    loud = np.nonzero(peak > 1e-6)[0]
    if len(loud) == 0:
        print("delay_ms=-1")
        return 1
    last = int(loud[-1])
    written = np.interp(last + 1, sizes[:, 1] / 8, sizes[:, 0])
    ms = RATE // 1000
    body = float(np.max(peak[max(0, last - RATE // 10) : last + 1]))
    tail = float(np.max(peak[last + 1 - ms : last + 1]))
    print(f"delay_ms={(written - when) * 1000:.1f}")
    print(f"tail={tail / body if body else 0:.4f}")
    return 0


def gaps(rec_path):
    rec = load(rec_path)
    block = RATE // 100
    n = len(rec) // block
    peak = np.max(np.abs(rec[: n * block]).reshape(n, block * 2), axis=1)
    loud = np.nonzero(peak > 1e-6)[0]
    if len(loud) == 0:
        print("gaps=-1")
        return 1
    span = peak[loud[0] : loud[-1] + 1]
    print(f"gaps={int(np.sum(span <= 1e-6))}")
    print(f"seconds={len(span) / 100:.1f}")
    return 0


def hz(rec_path):
    left = load(rec_path)[:, 0]
    loud = np.nonzero(np.abs(left) > 1e-3)[0]
    if len(loud) < RATE // 2:
        print("hz=0")
        return 1
    part = left[loud[0] + RATE // 10 : loud[-1]]  # past the fade-in
    up = np.nonzero((part[:-1] < 0) & (part[1:] >= 0))[0]
    if len(up) < 2:
        print("hz=0")
        return 1
    print(f"hz={(len(up) - 1) * RATE / (up[-1] - up[0]):.1f}")
    return 0


def steps(ref_path, rec_path):
    ref, rec = load(ref_path), load(rec_path)
    # From the first sound to the last: a recorder may start with silence.
    loud = np.nonzero(np.max(np.abs(rec), axis=1) > 1e-6)[0] if len(rec) else []
    rec = rec[loud[0] : loud[-1] + 1] if len(loud) else rec[:0]
    looped = np.concatenate([ref, ref[:1]])
    print(f"ref={float(np.max(np.abs(np.diff(looped, axis=0)))):.5f}")
    print(f"rec={float(np.max(np.abs(np.diff(rec, axis=0)))) if len(rec) > 1 else 0:.5f}")
    block = RATE // 100
    n = len(rec) // block
    level = np.sqrt(np.mean(rec[: n * block].reshape(n, block * 2) ** 2, axis=1))
    top = float(np.max(level)) if n else 0.0
    changes, loud = 0, None
    for v in level:
        now = True if v > top / 2 else False if v < top / 10 else loud
        if loud is not None and now != loud:
            changes += 1
        loud = now
    print(f"changes={changes}")
    return 0


def sizes(rec_path, pid):
    while True:
        try:
            os.kill(pid, 0)
        except OSError:
            return 0
        try:
            size = os.path.getsize(rec_path)
        except OSError:
            size = 0
        print(f"{time.time():.6f} {size}", flush=True)
        time.sleep(0.01)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "sizes":
        sys.exit(sizes(sys.argv[2], int(sys.argv[3])))
    if len(sys.argv) == 3 and sys.argv[1] == "hz":
        sys.exit(hz(sys.argv[2]))
    if len(sys.argv) == 4 and sys.argv[1] == "steps":
        sys.exit(steps(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 3 and sys.argv[1] == "gaps":
        sys.exit(gaps(sys.argv[2]))
    if len(sys.argv) == 5 and sys.argv[1] == "silent":
        sys.exit(silent(sys.argv[2], sys.argv[3], float(sys.argv[4])))
    if len(sys.argv) == 4 and sys.argv[1] == "match":
        sys.exit(match(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 5 and sys.argv[1] == "heard":
        sys.exit(heard(sys.argv[2], sys.argv[3], float(sys.argv[4])))
    print(__doc__, file=sys.stderr)
    sys.exit(64)
