#!/usr/bin/env python3
"""Streaming and hostile-input check of linkconv, too slow for ctest in full:
pipes large inputs through the program, checks its output against Python's
base64, and reports the program's peak memory (its resident high-water mark,
read from /proc while it runs) and throughput.

    streaming_check.py PATH/TO/linkconv [--megabytes 1024] [--line-megabytes 100]
                       [--hostile-megabytes 64] [--quick]

Runs, in order:
  - many short lines (--megabytes in total): memory must stay flat;
  - one single line of --line-megabytes: memory grows with the line only;
  - hostile inputs of --hostile-megabytes each: random bytes (NUL, CR, LF and
    0x80-0xFF included) as lines and as NUL-ended items, with and without
    --raw, and lines full of GBK lead bytes, each ending in a lead byte, the
    input too. Every run must exit 0 with flat memory and give one output
    item for each input item, equal to the one Python's base64 gives wherever
    the outcome does not depend on the system's transcoding.
--quick makes every input a few MiB, for ctest. Exits 1 when anything fails.
"""
import argparse
import base64
import collections
import hashlib
import itertools
import os
import random
import select
import subprocess
import sys
import threading
import time

# How far, in MiB, the peak memory of a run that streams may lie above that of
# the same program after one short item: it holds one input block and one item.
FLAT_MEMORY_SLACK_MIB = 4.0

from link_oracle import flashget, qqdl, thunder

failures = []




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


def program_environment():
    """The C.UTF-8 locale for transcoding; under AddressSanitizer no quarantine, which would
    otherwise hold freed memory and make any run look as if it did not stream."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "quarantine_size_mb=0"]))
    return env


class Run:
    """The outcome of one run: exit status, seconds, peak RSS in MiB as last seen, and the lines
    of standard error."""

    def __init__(self, code, seconds, peak, errors):
        self.code, self.seconds, self.peak, self.errors = code, seconds, peak, errors


def peak_after_one_item(program, args, terminator: bytes):
    """The program's peak RSS in MiB once it has answered one short item, its input still open;
    0 when no answer comes within 10 s (a failure: it must not wait for more input to answer)."""
    process = subprocess.Popen([program] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, env=program_environment())
    process.stdin.write(b"http://h/x" + terminator)
    process.stdin.flush()
    answer = b""
    while terminator not in answer and select.select([process.stdout], [], [], 10)[0]:
        if not (chunk := os.read(process.stdout.fileno(), 4096)):
            break
        answer += chunk
    peak = peak_memory_mib(process.pid) or 0.0 if terminator in answer else 0.0
    if not peak:
        failures.append(f"{' '.join(args)}: no answer to one item while the input stays open, got {answer!r}")
    process.stdin.close()
    process.stdout.read()
    process.wait()
    process.stdout.close()
    return peak


def run(program, args, chunks, consume):
    """Feeds `chunks` to the program while `consume` takes its output as it comes."""
    start = time.monotonic()
    process = subprocess.Popen([program] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=program_environment())

    def feed():
        try:
            for chunk in chunks:
                process.stdin.write(chunk)
            process.stdin.close()
        except BrokenPipeError:  # the program died; its exit status tells
            pass

    errors = []
    feeder = threading.Thread(target=feed)
    drainer = threading.Thread(target=lambda: errors.extend(process.stderr))
    feeder.start()
    drainer.start()
    peak = 0.0
    while chunk := process.stdout.read(1 << 20):
        consume(chunk)
        peak = peak_memory_mib(process.pid) or peak
    feeder.join()
    drainer.join()
    process.wait()
    return Run(process.returncode, time.monotonic() - start, peak, errors)


def check_streamed(case, result: Run, baseline):
    """A run that streams: exit 0, and memory no higher than after one item, give or take a little."""
    if result.code != 0:
        failures.append(f"{case}: exit status {result.code}, expected 0; stderr {b''.join(result.errors[-3:])!r}")
    if result.peak > baseline + FLAT_MEMORY_SLACK_MIB:
        failures.append(f"{case}: peak RSS {result.peak:.1f} MiB, {baseline:.1f} after one item; expected at most "
                        f"{FLAT_MEMORY_SLACK_MIB} MiB more while streaming")


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


def check_short_lines(program, megabytes):
    lines = b"".join(b"http://server.example/path/%06d/file-name.zip\n" % i for i in range(20000))
    blocks = max(1, (megabytes << 20) // len(lines))
    output = RepeatingOutput(b"".join(qqdl(line) + b"\n" for line in lines.splitlines()))
    baseline = peak_after_one_item(program, ["--raw", "-tqqdl"], b"\n")
    result = run(program, ["--raw", "-tqqdl"], (lines for _ in range(blocks)), output)
    size = blocks * len(lines) / (1 << 20)
    good = output.good and output.size == blocks * len(output.unit)
    print(f"short lines: {size:.0f} MiB in, {output.size / (1 << 20):.0f} MiB out, {result.seconds:.1f} s "
          f"({size / result.seconds:.0f} MiB/s in), peak RSS {result.peak:.1f} MiB "
          f"({baseline:.1f} after one item), exit {result.code}, output {'ok' if good else 'WRONG'}")
    if not good:
        failures.append(f"short lines: output differs from qqdl links of the lines, {output.size} bytes seen")
    check_streamed("short lines", result, baseline)


def check_one_line(program, megabytes):
    piece = bytes(range(0x21, 0x7F)) * 11155
    piece = piece[: 1 << 20]
    digest = hashlib.sha256(qqdl(piece * megabytes) + b"\n").hexdigest()
    received = hashlib.sha256()
    result = run(program, ["--raw", "-tqqdl"], itertools.chain((piece for _ in range(megabytes)), [b"\n"]),
                 received.update)
    good = result.code == 0 and received.hexdigest() == digest
    print(f"one line of {megabytes} MiB: {result.seconds:.1f} s, peak RSS {result.peak:.1f} MiB, exit {result.code}, "
          f"output {'ok' if good else 'WRONG'}")
    if not good:
        failures.append(f"one line of {megabytes} MiB: exit {result.code}, output digest differs")


# Hostile inputs. Each generator yields chunks of about a MiB that together make
# `megabytes` MiB, cut anywhere, items running across chunks.

def random_bytes(seed, megabytes):
    """Bytes of every value. A "://" is broken up, so that no item can be taken for a link."""
    rng = random.Random(seed)
    for _ in range(megabytes):
        yield rng.randbytes(1 << 20).replace(b"://", b";//")


def gbk_lead_lines(seed, megabytes):
    """Lines of runs of GBK lead bytes (0x81-0xFE) between ASCII letters, each line ending in a
    lead byte, some with CR LF; the input ends in a lead byte with no newline after it."""
    rng = random.Random(seed)
    leads = bytes(range(0x81, 0xFF))
    for index in range(megabytes):
        lines = []
        size = 0
        while size < 1 << 20:
            parts = [bytes(rng.choices(leads, k=rng.randrange(1, 40))) + rng.choice([b"", b"a", b"/x"])
                     for _ in range(rng.randrange(1, 8))]
            line = b"".join(parts) + bytes([rng.choice(leads)]) + rng.choice([b"\n", b"\r\n"])
            lines.append(line)
            size += len(line)
        chunk = b"".join(lines)
        yield chunk[:-2] + b"\xfe\x81" if index == megabytes - 1 else chunk


def gbk_lead_items(seed, megabytes):
    """The same as NUL-ended items."""
    for chunk in gbk_lead_lines(seed, megabytes):
        yield chunk.replace(b"\r\n", b"\0").replace(b"\n", b"\0")


def qqdl_of_gbk_lines(seed, megabytes):
    """qqdl links whose addresses are lines of GBK lead bytes, each ending in a lead byte."""
    for chunk in gbk_lead_lines(seed, megabytes):
        yield b"".join(qqdl(line.rstrip(b"\r\n")) + b"\n" for line in chunk.splitlines(keepends=True))


def is_utf8(item: bytes) -> bool:
    try:
        item.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def ends_in_a_lone_lead_byte(item: bytes) -> bool:
    """Whether the last GBK character of `item` is cut short: a lead byte with no trail byte
    (0x40-0xFE but 0x7F) after it."""
    i = 0
    while i < len(item):
        if 0x81 <= item[i] <= 0xFE:
            if i + 1 == len(item):
                return True
            i += 2
        else:
            i += 1
    return False


def address_comes_through(address: bytes) -> bool:
    """Whether an address that is being transcoded comes out unchanged: ASCII is the same in every
    code page offered, and what is not UTF-8 is not transcoded to the code page (it keeps its bytes,
    with a note)."""
    return address.isascii() or not is_utf8(address)


def decoded_address_comes_through(address: bytes) -> bool:
    """Whether an address decoded from a link is shown as it is: ASCII and UTF-8 are; and GBK text
    cut short in its last character cannot be transcoded, so it keeps its bytes (with a note)."""
    return address.isascii() or is_utf8(address) or ends_in_a_lone_lead_byte(address)


class ItemChecker:
    """Splits input and output into items as they stream, and compares output item n with the
    expected one for input item n; `expect` gives it, or None where only its presence counts."""

    def __init__(self, terminator: bytes, expect):
        self.terminator, self.expect = terminator, expect
        self.pending = collections.deque()
        self.lock = threading.Lock()
        self.inputs = self.outputs = 0
        self.carried_in = self.carried_out = b""
        self.bad = []

    def _add_input_item(self, item: bytes, terminated: bool):
        if terminated and self.terminator == b"\n" and item.endswith(b"\r"):
            item = item[:-1]
        with self.lock:
            self.pending.append((item, self.expect(item)))
            self.inputs += 1

    def feed(self, chunks):
        """Wraps the input chunks, taking note of their items on the way."""
        for chunk in chunks:
            items = (self.carried_in + chunk).split(self.terminator)
            self.carried_in = items.pop()
            for item in items:
                self._add_input_item(item, True)
            yield chunk
        if self.carried_in:
            self._add_input_item(self.carried_in, False)

    def __call__(self, chunk: bytes):
        items = (self.carried_out + chunk).split(self.terminator)
        self.carried_out = items.pop()
        for actual in items:
            self.outputs += 1
            with self.lock:
                item, expected = self.pending.popleft() if self.pending else (None, None)
            if expected is not None and actual != expected and len(self.bad) < 3:
                self.bad.append((self.outputs, item, expected, actual))

    def problems(self):
        found = []
        if self.inputs != self.outputs:
            found.append(f"{self.inputs} items in, {self.outputs} out")
        if self.carried_out:
            found.append(f"output ends in an unterminated item {self.carried_out[:60]!r}")
        for number, item, expected, actual in self.bad:
            found.append(f"item {number}: input {item[:40].hex(' ')}\n    expected {expected[:80]!r}\n"
                         f"    actual   {actual[:80]!r}")
        return found


def hostile_cases():
    """Name, arguments, input generator and its seed, item terminator, expected output for one
    input item."""
    def exact(link):  # the empty address gives the empty text
        return lambda item: link(item) if item else b""

    def unless_transcoded(link):
        return lambda item: exact(link)(item) if address_comes_through(item) else None

    def address_of_link(item):
        return base64.b64decode(item[len(b"qqdl://"):])

    def address_of_link_unless_transcoded(item):
        address = address_of_link(item)
        return address if decoded_address_comes_through(address) else None

    return [
        ("random bytes, lines, --raw", ["--raw", "-tqqdl"], random_bytes, 1, b"\n", exact(qqdl)),
        ("random bytes, lines", ["-tqqdl"], random_bytes, 2, b"\n", unless_transcoded(qqdl)),
        ("random bytes, -0, --raw", ["--raw", "-0", "-tthunder"], random_bytes, 3, b"\0", exact(thunder)),
        ("random bytes, -0", ["-0", "-tflashget"], random_bytes, 4, b"\0", unless_transcoded(flashget)),
        ("GBK lead bytes, lines, --raw", ["--raw", "-tflashget"], gbk_lead_lines, 5, b"\n", exact(flashget)),
        ("GBK lead bytes, lines", ["-tthunder"], gbk_lead_lines, 6, b"\n", unless_transcoded(thunder)),
        ("GBK lead bytes, -0, --raw", ["--raw", "-0", "-tqqdl"], gbk_lead_items, 7, b"\0", exact(qqdl)),
        ("links to GBK lead bytes, to original, --raw", ["--raw", "-toriginal"], qqdl_of_gbk_lines, 8, b"\n",
         address_of_link),
        ("links to GBK lead bytes, to original", ["-toriginal"], qqdl_of_gbk_lines, 9, b"\n",
         address_of_link_unless_transcoded),
    ]


def check_hostile(program, megabytes):
    for case, args, generator, seed, terminator, expect in hostile_cases():
        checker = ItemChecker(terminator, expect)
        baseline = peak_after_one_item(program, args, terminator)
        result = run(program, args, checker.feed(generator(seed, megabytes)), checker)
        if args[0] == "--raw" and result.errors:  # notes come only from transcoding
            failures.append(f"{case}: unexpected standard error {b''.join(result.errors[:3])!r}")
        strange = [line for line in result.errors if not line.startswith(b"linkconv: address ")]
        if strange:
            failures.append(f"{case}: standard error holds more than notes: {b''.join(strange[:3])!r}")
        problems = checker.problems()
        failures.extend(f"{case} ({' '.join(args)}): {problem}" for problem in problems)
        check_streamed(case, result, baseline)
        print(f"{case}: {megabytes} MiB, {checker.inputs} items in, {checker.outputs} out, {len(result.errors)} notes, "
              f"{result.seconds:.1f} s, peak RSS {result.peak:.1f} MiB ({baseline:.1f} after one item), "
              f"exit {result.code}, output {'WRONG' if problems else 'ok'}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--megabytes", type=int, default=1024)
    parser.add_argument("--line-megabytes", type=int, default=100)
    parser.add_argument("--hostile-megabytes", type=int, default=64)
    parser.add_argument("--quick", action="store_true", help="a few MiB per run, for ctest")
    options = parser.parse_args()
    if options.quick:
        options.megabytes, options.line_megabytes, options.hostile_megabytes = 16, 4, 6
    program = os.path.abspath(options.program)

    check_short_lines(program, options.megabytes)
    check_one_line(program, options.line_megabytes)
    check_hostile(program, options.hostile_megabytes)

    for failure in failures:
        print("FAIL", failure, file=sys.stderr)
    print(f"streaming_check: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
