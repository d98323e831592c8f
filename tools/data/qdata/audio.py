"""Writing Ogg Vorbis files through oggenc and checking what comes back:
peaks below full scale and seams without a step."""

import os
import subprocess
import tempfile
import wave
import zlib

import numpy as np

from .synth import SR

QUALITY = 4


def _serial(name):
    # a fixed stream serial per file keeps the output the same on every run
    return zlib.crc32(name.encode("ascii")) & 0x7FFFFFFF


def to_pcm16(x):
    return np.clip(np.round(x * 32767.0), -32768, 32767).astype("<i2")


def write_wav(path, x):
    x = np.asarray(x)
    ch = 1 if x.ndim == 1 else x.shape[1]
    with wave.open(path, "wb") as w:
        w.setnchannels(ch)
        w.setsampwidth(2)
        w.setframerate(SR)
        w.writeframes(to_pcm16(x).tobytes())


def read_wav(path):
    with wave.open(path, "rb") as w:
        ch = w.getnchannels()
        data = np.frombuffer(w.readframes(w.getnframes()), "<i2").astype(np.float64) / 32768.0
    return data.reshape(-1, ch) if ch > 1 else data


def encode(x, out_path, name):
    """Encodes float samples (mono 1-D or stereo N x 2) and returns the
    decoded samples for checking."""
    os.makedirs(os.path.dirname(out_path), exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "in.wav")
        write_wav(wav, x)
        subprocess.run(["oggenc", "-Q", "-q", str(QUALITY), "--serial", str(_serial(name)), "-o", out_path, wav],
                       check=True)
        dec = os.path.join(tmp, "dec.wav")
        subprocess.run(["oggdec", "-Q", "-o", dec, out_path], check=True)
        return read_wav(dec)


def db(v):
    return 20 * np.log10(max(v, 1e-12))


def seam_error(before, after, ideal, window=512):
    """Largest difference, within a window either side of a join, between
    the decoded pieces played one after the other and the continuous
    performance they were cut from."""
    got = np.concatenate([before[-window:], after[:window]], axis=0)
    return np.abs(got - ideal).max()


def codec_error(decoded, original):
    """The coding error inside a file: the 99.9th percentile of the
    difference, for comparison with the error at a seam."""
    return np.percentile(np.abs(decoded - original), 99.9)
