#!/usr/bin/env python3
"""End-to-end throughput of linkconv beside GNU base64 on the same inputs.

Makes (once) about 100 MB of download addresses, one a line, 40 to 140 bytes
("http://www.example-N.com/<word>/<word>_N.zip" and up to 80 "x"), some of
the words GBK Chinese, then the Thunder links of the same addresses and
their bare base64 payloads. Times, best of five, each command writing into a
pipe, the two commands of a pair taking turns:
    linkconv --raw --to=thunder   < addresses   beside  base64 -w0 < addresses
    linkconv --raw --to=original  < links       beside  base64 -d  < payloads
and prints the rates and the ratio of linkconv's speed to base64's.

    python3 bench/end_to_end.py BUILD_DIR
"""
import base64
import os
import random
import subprocess
import sys
import time

TOTAL_BYTES = 100 << 20
RUNS = 5


WORDS = [b"download", b"files", b"soft", b"music", b"video", b"pub", b"data", "中文".encode("gbk"), "下载".encode("gbk")]


def address(rng, number):
    text = b"http://www.example-%d.com/%s/%s_%d.zip" % (number % 1000, rng.choice(WORDS), rng.choice(WORDS), number)
    return text + b"x" * rng.randint(0, 80)


def make_inputs(folder):
    paths = {name: os.path.join(folder, name + ".txt") for name in ("addresses", "links", "payloads")}
    if all(os.path.exists(p) for p in paths.values()):
        return paths
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(42)
    addresses, size = [], 0
    while size < TOTAL_BYTES:
        addresses.append(address(rng, len(addresses)))
        size += len(addresses[-1]) + 1
    payloads = [base64.b64encode(b"AA" + a + b"ZZ") for a in addresses]
    with open(paths["addresses"], "wb") as f:
        f.write(b"\n".join(addresses) + b"\n")
    with open(paths["payloads"], "wb") as f:
        f.write(b"\n".join(payloads) + b"\n")
    with open(paths["links"], "wb") as f:
        f.write(b"\n".join(b"thunder://" + p for p in payloads) + b"\n")
    return paths


def timed_run(command, stdin_path):
    """Wall time of one run of `command` reading `stdin_path`, and the bytes it wrote."""
    with open(stdin_path, "rb") as source:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=source, stdout=subprocess.PIPE)
        written = 0
        while chunk := process.stdout.read(1 << 20):
            written += len(chunk)
        process.wait()
        elapsed = time.perf_counter() - start
    if process.returncode != 0:
        sys.exit(f"{' '.join(command)} failed with status {process.returncode}")
    return elapsed, written


def compare(reference_label, reference_command, label, command, stdin_paths):
    """Runs the reference and the command in turn, RUNS times each, so that a
    slow spell of the machine hits both alike; prints the best time of each."""
    best = {reference_label: float("inf"), label: float("inf")}
    written = {}
    runs = [(reference_label, reference_command, stdin_paths[0])]
    if command is not None:
        runs.append((label, command, stdin_paths[1]))
    for _ in range(RUNS):
        for name, run_command, stdin_path in runs:
            seconds, written[name] = timed_run(run_command, stdin_path)
            best[name] = min(best[name], seconds)
    for index, (name, _, stdin_path) in enumerate(runs):
        size = os.path.getsize(stdin_path)
        seconds = best[name]
        line = f"  {name:<44} {size / 1e6:7.1f} MB in {seconds:6.3f} s  {size / seconds / 1e6:8.1f} MB/s  out {written[name] / 1e6:7.1f} MB"
        if index == 1:
            line += f"  {best[reference_label] / seconds:.2f}x base64"
        print(line)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/bench"
    paths = make_inputs(os.path.join(build, "bench-data-2"))
    linkconv = os.path.join(build, "bin", "linkconv")
    built = os.access(linkconv, os.X_OK)
    print("== end to end: best of %d, each pair run in turn, output into a pipe ==" % RUNS)
    compare("base64 -w0 < addresses", ["base64", "-w0"],
            "linkconv --raw --to=thunder < addresses", [linkconv, "--raw", "--to=thunder"] if built else None,
            (paths["addresses"], paths["addresses"]))
    compare("base64 -d < payloads", ["base64", "-d"],
            "linkconv --raw --to=original < links", [linkconv, "--raw", "--to=original"] if built else None,
            (paths["payloads"], paths["links"]))
    if not built:
        print(f"  {linkconv} is not built: linkconv rows skipped")


if __name__ == "__main__":
    main()
