"""Recording the sound server and judging what was heard: which tone, when, how long.

The recording is the null sink's monitor, mono 16-bit at 44.1 kHz, written by the server's own
recorder at its default latency (a recorder that asks for a low latency holds the sink at that
latency and so makes every player start fast; the idle desktop is what a user gets).

Wall-clock times of recorded samples are found in one of two ways, one for each server:

- PulseAudio (parec): a reference sound, a short tone played on a stream of our own whose start
  at the sink is known from the server's latency report. Its onset in the recording ties the
  recording's sample clock to time.monotonic().
- PipeWire (pw-record): the latency report does not tie the clock there (it moved by up to
  300 ms within one run). Each stretch of samples the recorder hands over is time-stamped as it
  arrives: an upper bound on when those samples left the sink, at most one stretch (one graph
  cycle, ~46 ms) late.
"""

import array
import bisect
import ctypes
import os
import re
import subprocess
import threading
import time

from . import media

RATE = media.RATE
# A sample louder than this counts as sound (the null sink adds no noise: silence is 0).
THRESHOLD = 300
# Two bursts of one tone closer than this are one sound.
GAP_SECONDS = 0.03

REFERENCE_FREQUENCY = 6300
REFERENCE_SECONDS = 0.05


class Sound:
    """One stretch of sound in the recording."""

    def __init__(self, start, end, frequency):
        self.start = start  # seconds from the start of the recording
        self.end = end
        self.frequency = frequency  # estimated from zero crossings; 0 if too short

    @property
    def duration(self):
        return self.end - self.start

    def tone(self, tones=media.TONES, tolerance=0.06):
        """The nearest of tones, or None when none is within the tolerance."""
        if self.frequency <= 0:
            return None
        best = min(tones, key=lambda t: abs(t - self.frequency))
        return best if abs(best - self.frequency) <= tolerance * best else None

    def __repr__(self):
        return "Sound(%.3f-%.3f s, %.0f Hz)" % (self.start, self.end, self.frequency)


_SIGN = bytes(1 if b >= 0x80 else 0 for b in range(256))


def _crossings(samples):
    """How often the signal (an array of 16-bit samples) changes sign."""
    if len(samples) < 2:
        return 0
    signs = samples.tobytes()[1::2].translate(_SIGN)  # 1 for a negative sample
    a = int.from_bytes(signs[:-1], "little")
    b = int.from_bytes(signs[1:], "little")
    return bin(a ^ b).count("1")


_DROPOUT = re.compile(rb"\x00{64,}")  # 32 or more silent samples in a row


def _frequency(samples):
    # Over the time that sounds: a short dropout inside a tone (the output starved for a
    # moment on a busy machine) is a run of exact zeros, with no crossings of its own.
    silent = sum(len(m.group()) for m in _DROPOUT.finditer(samples.tobytes())) // 2
    seconds = (len(samples) - silent) / RATE
    return _crossings(samples) / (2 * seconds) if seconds >= 0.003 else 0


def _loud(sample):
    return sample > THRESHOLD or sample < -THRESHOLD


def _same_tone(f, g):
    return abs(f - g) <= 0.08 * max(f, g)


def find_sounds(samples, first=0):
    """The stretches of sound in samples (an array of 16-bit values), oldest first. A stretch
    ends at a pause longer than GAP_SECONDS or where the tone changes.

    first: the index of samples[0] in the whole recording."""
    block = int(0.02 * RATE)
    gap_blocks = max(1, int(GAP_SECONDS * RATE / block))
    segments = []  # [start, end, frequency of its first block]
    current = None
    silent = 0
    for b in range(0, len(samples), block):
        chunk = samples[b:b + block]
        if max(chunk) <= THRESHOLD and min(chunk) >= -THRESHOLD:
            if current is not None:
                silent += 1
                if silent > gap_blocks:
                    segments.append(current)
                    current = None
            continue
        # Sample-exact edges of the sound within the block.
        lo = 0
        while not _loud(chunk[lo]):
            lo += 1
        hi = len(chunk)
        while not _loud(chunk[hi - 1]):
            hi -= 1
        f = _frequency(chunk[lo:hi])
        if current is not None and (f == 0 or _same_tone(f, current[2])):
            current[1] = b + hi
        else:
            if current is not None:
                segments.append(current)
            current = [b + lo, b + hi, f]
        silent = 0
    if current is not None:
        segments.append(current)

    sounds = []
    for start, end, _ in segments:
        # The frequency from the middle (fades and edges left out).
        margin = min((end - start) // 4, int(0.01 * RATE))
        f = _frequency(samples[start + margin:end - margin])
        last = sounds[-1] if sounds else None
        touching = last and start - last[1] <= GAP_SECONDS * RATE
        short = int(0.03 * RATE)
        # A block that held the end of one tone and the start of the next made a stretch of
        # its own: it joins its neighbour of the same tone. A scrap too short to tell its tone
        # (the fade of a start or an end) joins the sound it touches.
        if touching and (_same_tone(f, last[2]) or end - start < short):
            last[1] = end
        elif last and start - last[1] <= 1 and last[1] - last[0] < short:
            last[1], last[2] = end, f
        else:
            sounds.append([start, end, f])
    return [Sound((first + a) / RATE, (first + b) / RATE, f) for a, b, f in sounds]


class Recording:
    """The recorder of the sink's monitor, writing into one file for as long as the desktop
    runs. When the sound server goes away the recorder ends with it; resume() records again
    into the same file once the server is back (the sample indices go on; the time the server
    was away is not in the recording). Made by for_server()."""

    def __init__(self, folder, env):
        self.path = os.path.join(folder, "recording.raw")
        self._file = open(self.path, "wb")
        self._env = env
        self.process = None
        self._record()

    @staticmethod
    def for_server(kind, folder, env):
        return {"pulseaudio": PulseRecording, "pipewire": PipeWireRecording}[kind](folder, env)

    def _record(self):
        raise NotImplementedError

    def resume(self):
        """Records again, once the sound server is back."""
        self._record()

    def wait_ended(self, timeout=10):
        """Waits for the recorder to end by itself (its sound server has gone)."""
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self._recorder_ended()

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self._recorder_ended()
        self._file.close()

    def _recorder_ended(self):
        pass

    def sample_count(self):
        return os.path.getsize(self.path) // 2

    def samples(self, first=0):
        """The samples recorded so far from index first on."""
        with open(self.path, "rb") as f:
            f.seek(2 * first)
            data = f.read()
        data = data[:len(data) // 2 * 2]
        out = array.array("h")
        out.frombytes(data)
        return out

    def sounds(self, since=0):
        """The sounds recorded from sample index since on."""
        return find_sounds(self.samples(since), since)

    def wait_for(self, condition, since=0, timeout=15.0, settle=0.0):
        """Polls the recording until condition(sounds since) is true; returns those sounds,
        or None when the time ran out. The recorder hands its data over in chunks, so waits
        must be generous. settle: also wait until the recording has grown this many seconds
        past the last sound (so that a sound is known to have ended)."""
        deadline = time.monotonic() + timeout
        while True:
            sounds = self.sounds(since)
            done = condition(sounds)
            if done and settle > 0 and sounds:
                done = self.sample_count() / RATE - sounds[-1].end >= settle
            if done:
                return sounds
            if time.monotonic() > deadline:
                return None
            time.sleep(0.1)

    def wait_quiet(self, seconds=0.5, timeout=15.0):
        """Waits until the last `seconds` of the recording are silent; True if they were."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            count = self.sample_count()
            if count / RATE > seconds:
                tail = self.samples(max(0, count - int(seconds * RATE)))
                if len(tail) and max(tail) <= THRESHOLD and min(tail) >= -THRESHOLD:
                    return True
            time.sleep(0.1)
        return False

    def hear_reference(self, server):
        """Plays the reference sound (the recording should be quiet meanwhile) and waits for it
        in the recording; returns the reference's Sound and the monotonic time the server gave
        for its start, or None when it was not heard."""
        since = self.sample_count()
        heard_at = play_reference(server)
        found = self.wait_for(lambda sounds: any(_is_reference(s) for s in sounds), since,
                              timeout=10)
        if not found:
            return None
        return next(s for s in found if _is_reference(s)), heard_at

    # ---- Wall-clock times of recorded samples ----

    def calibrate(self, server):
        """Readies the recording's clock after the recorder (re)started; False when the
        reference sound played meanwhile was not recorded."""
        raise NotImplementedError

    def time_of(self, seconds):
        """The monotonic time at which the sample `seconds` into the recording was heard."""
        raise NotImplementedError

    def index_at(self, monotonic):
        """The sample index that was being heard at a monotonic time."""
        raise NotImplementedError


class PulseRecording(Recording):
    """parec, its clock tied by a reference sound whose start the server reports."""

    def _record(self):
        # A restarted recorder writes on where the last one ended: the file is shared.
        self.process = subprocess.Popen(
            ["parec", "--device=rec.monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--raw", "--client-name=tonlyra-e2e-recorder"],
            stdout=self._file, stderr=subprocess.DEVNULL, env=self._env)
        self._calibration = None  # (sample index, monotonic time) of one reference onset

    def calibrate(self, server):
        # The sink hands nothing to its monitor until something has played: the reference
        # also starts the recording.
        heard = self.hear_reference(server)
        if not heard:
            return False
        reference, heard_at = heard
        # Tied at its end: a stream starting on a busy sink may lose its first milliseconds
        # (the sink has already rendered that stretch), never its last.
        self._calibration = (reference.end * RATE, heard_at + REFERENCE_SECONDS)
        return True

    def time_of(self, seconds):
        index, at = self._calibration
        return at + (seconds * RATE - index) / RATE

    def index_at(self, monotonic):
        index, at = self._calibration
        return max(0, int(index + (monotonic - at) * RATE))


class PipeWireRecording(Recording):
    """pw-record at its default latency, each stretch it hands over time-stamped on arrival."""

    def _record(self):
        if not hasattr(self, "_ends"):
            self._ends = []      # sample index just past each stretch, ascending
            self._arrivals = []  # time.monotonic() at which that stretch arrived
            self._count = 0
            self._lock = threading.Lock()
        # stream.capture.sink: the sink's monitor, not a source; node.dont-reconnect: kept on
        # that sink when another becomes the default (WirePlumber would move it along).
        self.process = subprocess.Popen(
            ["pw-record", "--target=rec",
             "--properties={ stream.capture.sink = true node.dont-reconnect = true }",
             "--rate=%d" % RATE, "--channels=1", "--format=s16", "-"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self._env)
        self._reader = threading.Thread(target=self._read, args=(self.process.stdout,),
                                        daemon=True)
        self._reader.start()

    def _read(self, pipe):
        fd = pipe.fileno()
        odd = b""
        while True:
            try:
                data = os.read(fd, 1 << 16)
            except OSError:
                break
            arrived = time.monotonic()
            if not data:
                break
            data = odd + data
            whole = len(data) // 2 * 2
            odd = data[whole:]
            with self._lock:
                self._file.write(data[:whole])
                self._file.flush()
                self._count += whole // 2
                self._ends.append(self._count)
                self._arrivals.append(arrived)
        pipe.close()

    def _recorder_ended(self):
        self._reader.join(5)

    def sample_count(self):
        with self._lock:
            return self._count

    def calibrate(self, server):
        # Nothing to tie: the reference only shows that the chain from a stream to the
        # recording works.
        return self.hear_reference(server) is not None

    def time_of(self, seconds):
        index = seconds * RATE
        with self._lock:
            if not self._ends:
                raise RuntimeError("nothing recorded yet")
            k = bisect.bisect_right(self._ends, index)
            if k < len(self._ends):
                return self._arrivals[k]
            return self._arrivals[-1] + (index - self._ends[-1]) / RATE

    def index_at(self, monotonic):
        with self._lock:
            if not self._ends:
                return 0
            # The first stretch that arrived after the moment holds the samples heard then
            # (or earlier): its first sample.
            k = bisect.bisect_left(self._arrivals, monotonic)
            if k == 0:
                return 0
            if k < len(self._ends):
                return self._ends[k - 1]
            return max(0, int(self._ends[-1] + (monotonic - self._arrivals[-1]) * RATE))


def _is_reference(sound):
    return abs(sound.frequency - REFERENCE_FREQUENCY) < 0.05 * REFERENCE_FREQUENCY


class _SampleSpec(ctypes.Structure):
    _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32),
                ("channels", ctypes.c_uint8)]


class _BufferAttr(ctypes.Structure):
    _fields_ = [("maxlength", ctypes.c_uint32), ("tlength", ctypes.c_uint32),
                ("prebuf", ctypes.c_uint32), ("minreq", ctypes.c_uint32),
                ("fragsize", ctypes.c_uint32)]


_PA_SAMPLE_S16LE = 3
_PA_STREAM_PLAYBACK = 1
_simple = None


def _pulse_simple():
    global _simple
    if _simple is None:
        lib = ctypes.CDLL("libpulse-simple.so.0")
        lib.pa_simple_new.restype = ctypes.c_void_p
        lib.pa_simple_new.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int,
                                      ctypes.c_char_p, ctypes.c_char_p,
                                      ctypes.POINTER(_SampleSpec), ctypes.c_void_p,
                                      ctypes.POINTER(_BufferAttr), ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                        ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_get_latency.restype = ctypes.c_uint64
        lib.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_drain.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        lib.pa_simple_free.argtypes = [ctypes.c_void_p]
        _simple = lib
    return _simple


_reference_frames = None


def play_reference(server):
    """Plays the reference tone on a stream of its own; returns the monotonic time at which
    its first sample reaches the sink."""
    global _reference_frames
    if _reference_frames is None:
        samples = media.tone_samples(REFERENCE_FREQUENCY, REFERENCE_SECONDS)
        _reference_frames = array.array("h", samples).tobytes()
    lib = _pulse_simple()
    sample_format = _SampleSpec(_PA_SAMPLE_S16LE, RATE, 1)
    # The stream starts as soon as the whole tone is written (by default it would wait for
    # two seconds of data, and the latency reported meanwhile would mean nothing).
    size = len(_reference_frames)
    unset = 0xFFFFFFFF
    attr = _BufferAttr(unset, size, size, unset, unset)
    error = ctypes.c_int(0)
    stream = lib.pa_simple_new(server.encode(), b"tonlyra-e2e", _PA_STREAM_PLAYBACK, None,
                               b"reference", ctypes.byref(sample_format), None, ctypes.byref(attr),
                               ctypes.byref(error))
    if not stream:
        raise RuntimeError("cannot open a reference stream (error %d)" % error.value)
    try:
        lib.pa_simple_write(stream, _reference_frames, len(_reference_frames),
                            ctypes.byref(error))
        latency = lib.pa_simple_get_latency(stream, ctypes.byref(error))
        now = time.monotonic()
        # The latency is the time until the last sample written is heard.
        heard_at = now + latency / 1e6 - REFERENCE_SECONDS
        lib.pa_simple_drain(stream, ctypes.byref(error))
    finally:
        lib.pa_simple_free(stream)
    return heard_at
