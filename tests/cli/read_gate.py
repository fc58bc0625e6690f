"""A run held at a read of its input: a fanotify permission mark on the
input files makes each read of them (read, pread, copy_file_range; by any
process, the Windows program under Wine too) wait until the test answers it.
A test that must interrupt a run in the middle of its work lets the reads
through until the run has reached the point it wants (the temporary output
made, say), keeps the next read waiting, signals the run and only then lets
it go on: however fast the run, it cannot have finished before the signal.
Needs root (CAP_SYS_ADMIN), as the test command has."""
import ctypes
import os
import select
import struct
import time

_libc = ctypes.CDLL(None, use_errno=True)
_libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int, ctypes.c_char_p]
FAN_CLOEXEC = 0x01
FAN_CLASS_CONTENT = 0x04
FAN_MARK_ADD = 0x01
FAN_ACCESS_PERM = 0x00020000
FAN_ALLOW = 0x01
AT_FDCWD = -100
# struct fanotify_event_metadata: event_len, vers, reserved, metadata_len, mask, fd, pid
EVENT = struct.Struct("=IBBHQii")
# struct fanotify_response: fd, response
RESPONSE = struct.Struct("=iI")


class ReadGate:
    """Every read of the files named waits for an answer from the gate's
    making until release() (or the test process's end): the test must not
    read them itself meanwhile, its read would wait for itself."""

    def __init__(self, *paths):
        """The gate over paths; OSError (with the reason) where there can be
        none (not root, no fanotify)."""
        self.fd = _libc.fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, os.O_RDONLY | os.O_LARGEFILE)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), f"fanotify_init: {os.strerror(ctypes.get_errno())}")
        self.held = None  # the event fd of the read kept waiting
        for path in paths:
            if _libc.fanotify_mark(self.fd, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, os.fsencode(path)) < 0:
                error = ctypes.get_errno()
                os.close(self.fd)
                raise OSError(error, f"fanotify_mark {path}: {os.strerror(error)}")

    def hold(self, process, reached, timeout=60):
        """Lets reads through until one comes once reached() is true: that
        read is kept waiting, and the run with it. True then; False when the
        process ended first or timeout seconds passed."""
        deadline = time.time() + timeout
        while process.poll() is None and time.time() < deadline:
            if not select.select([self.fd], [], [], 0.1)[0]:
                continue
            data = os.read(self.fd, 4096)
            for at in range(0, len(data), EVENT.size):
                event_fd = EVENT.unpack_from(data, at)[5]
                if self.held is None and reached():
                    self.held = event_fd
                else:
                    self._allow(event_fd)
            if self.held is not None:
                return True
        return False

    def release(self):
        """Lets the held read and every later one through."""
        if self.held is not None:
            self._allow(self.held)
            self.held = None
        os.close(self.fd)  # the kernel answers what is still waiting, and no more reads are held
        self.fd = -1

    def _allow(self, event_fd):
        os.write(self.fd, RESPONSE.pack(event_fd, FAN_ALLOW))
        os.close(event_fd)
