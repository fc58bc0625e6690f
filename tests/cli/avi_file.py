"""An AVI read whole for the command line tests: its header figures (avih
frames and streams; each stream's strh fields, strf bytes and format tag)
and its idx1, each entry with its payload. Version-1 files as real writers
make them (offsets from the movi list type, or absolute as gstreamer's).
Also large video-only files whose frames are holes, cheap to make."""
import os
import struct

KEY = 0x10


def riff_chunks(data, start, end):
    pos = start
    while pos + 8 <= end:
        fourcc, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        yield fourcc, pos, size
        pos += 8 + size + (size & 1)


def write_sparse_avi(path, frames=400, frame_bytes=1 << 20, numbered=False):
    """A video-only AVI of key frames of frame_bytes whose data are holes:
    large to copy, cheap to make. numbered: each frame's first 4 bytes hold
    its number, so that no two frames are alike."""
    def chunk(code, data):
        return code + struct.pack("<I", len(data)) + data
    avih = struct.pack("<14I", 40000, 0, 0, 0x10, frames, 0, 1, frame_bytes, 160, 120, 0, 0, 0, 0)
    strh = b"vidsDIB " + struct.pack("<5I", 0, 0, 0, 1, 25) + struct.pack("<3I", 0, frames, frame_bytes) + \
        struct.pack("<2I4H", 0xFFFFFFFF, 0, 0, 0, 0, 0)
    strf = struct.pack("<3I2H6I", 40, 160, 120, 1, 24, 0, 0, 0, 0, 0, 0)
    strl = chunk(b"LIST", b"strl" + chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) + strl)
    movi_size = 4 + frames * (8 + frame_bytes)
    index = b"".join(b"00dc" + struct.pack("<3I", 0x10, 4 + i * (8 + frame_bytes), frame_bytes)
                     for i in range(frames))
    riff_size = 4 + len(hdrl) + 8 + movi_size + 8 + len(index)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", riff_size) + b"AVI " + hdrl)
        f.write(b"LIST" + struct.pack("<I", movi_size) + b"movi")
        for i in range(frames):
            f.write(b"00dc" + struct.pack("<I", frame_bytes))
            data = struct.pack("<I", i) if numbered else b""
            f.write(data)
            f.seek(frame_bytes - len(data), os.SEEK_CUR)
        f.write(b"idx1" + struct.pack("<I", len(index)) + index)
    assert os.path.getsize(path) == riff_size + 8


_parsed = {}


def Avi(path):
    """The file parsed, once per content (inputs are read many times)."""
    st = os.stat(path)
    key = (os.path.abspath(path), st.st_size, st.st_mtime_ns)
    if key not in _parsed:
        if len(_parsed) > 8:
            _parsed.clear()
        _parsed[key] = AviFile(path)
    return _parsed[key]


class AviFile:
    """An AVI's header figures and its idx1, each entry with its payload."""

    def __init__(self, path):
        data = open(path, "rb").read()
        self.streams = []
        self.movi = None
        self.entries = []
        self.frames_in_header = None
        self._walk(data, 12, len(data))
        base = self.movi
        # Offsets from the movi list type, or absolute (gstreamer).
        if self.entries:
            ck, _, off, _ = self.entries[0]
            if data[base + off:base + off + 4] != ck:
                base = 0
        self.chunks = []
        for ck, flags, off, size in self.entries:
            at = base + off
            if not ck[:2].isdigit():
                continue
            self.chunks.append((int(ck[:2]), flags, data[at + 8:at + 8 + size]))
        self.video = next((i for i, s in enumerate(self.streams) if s["type"] == b"vids"), None)

    def _walk(self, data, start, end):
        for fourcc, pos, size in riff_chunks(data, start, end):
            body = pos + 8
            if fourcc == b"LIST":
                kind = data[body:body + 4]
                if kind == b"movi":
                    if self.movi is None:
                        self.movi = body
                    continue
                self._walk(data, body + 4, body + size)
            elif fourcc == b"avih":
                self.frames_in_header, _, self.streams_in_header = struct.unpack_from("<III", data, body + 16)
            elif fourcc == b"strh":
                t = data[body:body + 4]
                scale, rate, _, length = struct.unpack_from("<IIII", data, body + 20)
                sample_size = struct.unpack_from("<I", data, body + 44)[0]
                self.streams.append(dict(type=t, scale=scale, rate=rate, length=length, sample_size=sample_size, tag=0))
            elif fourcc == b"strf" and self.streams:
                self.streams[-1]["format"] = data[body:body + size]
                if self.streams[-1]["type"] == b"auds":
                    self.streams[-1]["tag"] = struct.unpack_from("<H", data, body)[0]
            elif fourcc == b"idx1":
                for i in range(size // 16):
                    self.entries.append(struct.unpack_from("<4sIII", data, body + 16 * i))

    def stream(self, s):
        return [(flags, payload) for n, flags, payload in self.chunks if n == s]

    def pcm(self, s):
        """Uncompressed sound, cut to the sample; any other by whole chunks."""
        st = self.streams[s]
        return st["type"] == b"auds" and st["sample_size"] != 0 and s != self.video and st["tag"] in (1, 3, 6, 7, 0xFFFE)
