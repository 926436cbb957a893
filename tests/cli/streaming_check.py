#!/usr/bin/env python3
"""Streaming check of linkconv, too slow for ctest: pipes a large input
through the program, checks every output byte against Python's base64, and
reports the program's peak memory (its resident high-water mark, read from
/proc while it runs) and throughput.

    streaming_check.py PATH/TO/linkconv [--megabytes 1024] [--line-megabytes 100]

Two runs: many short lines (--megabytes in total), then one single line of
--line-megabytes. Memory must stay flat in the first whatever the total; in
the second it grows with the line only. Exits 1 when an output differs.
"""
import argparse
import base64
import hashlib
import itertools
import os
import subprocess
import sys
import threading
import time


def qqdl(address: bytes) -> bytes:
    return b"qqdl://" + base64.b64encode(address)


def peak_memory_mib(pid):
    """The high-water mark of the process's resident memory, or None once it is gone. Unlike
    ru_maxrss it does not count the memory of the Python process that started it."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return None


def run(program, args, chunks, consume):
    """Feeds `chunks` to the program while `consume` takes its output as it comes.
    Returns the exit status, the seconds taken and the program's peak RSS in MiB as last seen."""
    start = time.monotonic()
    process = subprocess.Popen([program] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def feed():
        for chunk in chunks:
            process.stdin.write(chunk)
        process.stdin.close()

    feeder = threading.Thread(target=feed)
    feeder.start()
    peak = 0.0
    while chunk := process.stdout.read(1 << 20):
        consume(chunk)
        peak = peak_memory_mib(process.pid) or peak
    feeder.join()
    process.wait()
    return process.returncode, time.monotonic() - start, peak


class RepeatingOutput:
    """Checks output that must be `unit` over and over."""

    def __init__(self, unit: bytes):
        self.unit, self.size, self.good = unit, 0, True

    def __call__(self, chunk: bytes):
        offset = self.size % len(self.unit)
        view = memoryview(chunk)
        while view and self.good:
            take = min(len(view), len(self.unit) - offset)
            self.good = view[:take] == self.unit[offset:offset + take]
            view, offset = view[take:], 0
        self.size += len(chunk)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--megabytes", type=int, default=1024)
    parser.add_argument("--line-megabytes", type=int, default=100)
    options = parser.parse_args()

    lines = b"".join(b"http://server.example/path/%06d/file-name.zip\n" % i for i in range(20000))
    blocks = (options.megabytes << 20) // len(lines)
    output = RepeatingOutput(b"".join(qqdl(line) + b"\n" for line in lines.splitlines()))
    code, seconds, peak = run(options.program, ["--raw", "-tqqdl"], (lines for _ in range(blocks)), output)
    size = blocks * len(lines) / (1 << 20)
    good_lines = code == 0 and output.good and output.size == blocks * len(output.unit)
    print(f"short lines: {size:.0f} MiB in, {output.size / (1 << 20):.0f} MiB out, {seconds:.1f} s "
          f"({size / seconds:.0f} MiB/s in), peak RSS {peak:.1f} MiB, exit {code}, output {'ok' if good_lines else 'WRONG'}")

    piece = bytes(range(0x21, 0x7F)) * 11155
    piece = piece[: 1 << 20]
    count = options.line_megabytes
    digest = hashlib.sha256(qqdl(piece * count) + b"\n").hexdigest()
    received = hashlib.sha256()
    code, seconds, peak = run(options.program, ["--raw", "-tqqdl"],
                              itertools.chain((piece for _ in range(count)), [b"\n"]), received.update)
    good_line = code == 0 and received.hexdigest() == digest
    print(f"one line of {count} MiB: {seconds:.1f} s, peak RSS {peak:.1f} MiB, exit {code}, "
          f"output {'ok' if good_line else 'WRONG'}")
    return 0 if good_lines and good_line else 1


if __name__ == "__main__":
    sys.exit(main())
