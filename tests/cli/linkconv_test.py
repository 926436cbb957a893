#!/usr/bin/env python3
"""Tests of linkconv, run as a program.

Expected links come from Python's own base64 module and str.encode, never from
linkconv itself. Every failure names its case and shows the input, the
expected and the actual output, in hex where bytes matter.

    linkconv_test.py [--wine] --version-text X.Y.Z PATH/TO/linkconv
"""
import argparse
import concurrent.futures
import os
import random
import select
import subprocess
import sys

from link_oracle import LINKS, flashget, qqdl, thunder

failures = []




def show(data) -> str:
    if not isinstance(data, bytes):
        return repr(data)
    text = repr(data[:300]) + ("..." if len(data) > 300 else "")
    if all(32 <= b < 127 or b in b"\n" for b in data):
        return text
    return text + "\n      hex " + data[:120].hex(" ") + (" ..." if len(data) > 120 else "")


def check(case: str, what: str, expected, actual, context=""):
    if expected != actual:
        failures.append(f"{case}: {what}\n  {context}\n  expected: {show(expected)}\n  actual:   {show(actual)}")


def check_true(case: str, what: str, condition: bool, context: str):
    if not condition:
        failures.append(f"{case}: {what}\n  {context}")


class Program:
    def __init__(self, path: str, wine: bool):
        self.command = ["wine", path] if wine else [path]
        self.wine = wine
        self.env = dict(os.environ)
        if wine:
            self.env["WINEDEBUG"] = "-all"
        else:
            self.env["LC_ALL"] = "C.UTF-8"

    def argv(self, args):
        return self.command + [a if isinstance(a, str) else os.fsdecode(a) for a in args]

    def run(self, args, stdin=b""):
        done = subprocess.run(self.argv(args), input=stdin, capture_output=True, env=self.env, timeout=120)
        return done.returncode, done.stdout, done.stderr

    def run_many(self, jobs):
        """Runs (args, stdin) jobs a few at a time, since starting under Wine is slow; results in order."""
        with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
            return list(pool.map(lambda job: self.run(*job), jobs))


def describe(args, stdin=None):
    text = "args " + repr(args)
    return text if stdin is None else text + ", stdin " + show(stdin)


def expect_success(program, case, args, stdin, expected_out, stderr_has=None, result=None):
    code, out, err = result or program.run(args, stdin)
    context = describe(args, stdin)
    check(case, "exit status", 0, code, context + ", stderr " + show(err))
    check(case, "standard output", expected_out, out, context)
    if stderr_has is None:
        check(case, "standard error", b"", err, context)
    else:  # one note, and nothing else
        lines = err.splitlines()
        check_true(case, f"standard error is one line naming {stderr_has!r}",
                   len(lines) == 1 and stderr_has.encode() in err, context + ", stderr " + show(err))


SERVER = b"http://server/file.zip"
OTHER = b"ftp://host/a b/c.iso?x=1&y=2"
CHINESE = "http://例子.cn/下载/文件.zip"


def test_forms_from_arguments(program):
    A, B = SERVER, OTHER
    cases = [
        ("thunder, short option apart", ["-t", "thunder", A], thunder(A) + b"\n"),
        ("flashget, long option with =", ["--to=flashget", A], flashget(A) + b"\n"),
        ("qqdl, long option apart", ["--to", "qqdl", A], qqdl(A) + b"\n"),
        ("qqdl, short option attached", ["-tqqdl", A], qqdl(A) + b"\n"),
        ("form in capitals", ["-tQQDL", A], qqdl(A) + b"\n"),
        ("options after addresses", [A, "-tthunder"], thunder(A) + b"\n"),
        ("several addresses", ["-tqqdl", A, B], qqdl(A) + b"\n" + qqdl(B) + b"\n"),
        ("last --to wins", ["-tqqdl", "--to=thunder", A], thunder(A) + b"\n"),
        ("original from thunder", ["-toriginal", thunder(A)], A + b"\n"),
        ("original from flashget", ["--to=original", flashget(B)], B + b"\n"),
        ("original from qqdl", ["-t", "original", qqdl(B)], B + b"\n"),
        ("link to another link", ["-tflashget", thunder(B)], flashget(B) + b"\n"),
        ("original stays", ["-toriginal", A], A + b"\n"),
        ("'--' ends options", ["-tqqdl", "--", "-x", "--to=y"], qqdl(b"-x") + b"\n" + qqdl(b"--to=y") + b"\n"),
        ("lone '-' is an address", ["-tqqdl", "-"], qqdl(b"-") + b"\n"),
        ("empty address gives an empty line", ["-tthunder", "", A], b"\n" + thunder(A) + b"\n"),
        ("empty original still has a flashget link", ["-tflashget", "thunder://"], flashget(b"") + b"\n"),
        ("combined flags and attached value", ["-r0tqqdl", A], qqdl(A) + b"\0"),
        ("code page apart and attached", ["-c", "1252", "-c936", "-tqqdl", A], qqdl(A) + b"\n"),
    ]
    results = program.run_many([(args, None) for _, args, _ in cases])
    for (case, args, expected), result in zip(cases, results):
        expect_success(program, case, args, None, expected, result=result)


def test_standard_input(program):
    a, b = b"http://a/1", b"http://b/2"
    cases = [
        ("one address per line", ["-tqqdl"], a + b"\n" + b + b"\n", qqdl(a) + b"\n" + qqdl(b) + b"\n"),
        ("CR LF", ["-tqqdl"], a + b"\r\n" + b + b"\r\n", qqdl(a) + b"\n" + qqdl(b) + b"\n"),
        ("last line without LF", ["-tqqdl"], a + b"\n" + b, qqdl(a) + b"\n" + qqdl(b) + b"\n"),
        ("empty lines stay", ["-tqqdl"], b"\n" + a + b"\n\r\n\n" + b + b"\n", b"\n" + qqdl(a) + b"\n\n\n" + qqdl(b) + b"\n"),
        ("CR not before LF is kept", ["-tqqdl"], b"x\ry\n" + b"z\r", qqdl(b"x\ry") + b"\n" + qqdl(b"z\r") + b"\n"),
        ("only one CR dropped", ["-tqqdl"], b"x\r\r\n", qqdl(b"x\r") + b"\n"),
        ("empty input", ["-tqqdl"], b"", b""),
        ("a lone newline is one empty address", ["-tqqdl"], b"\n", b"\n"),
        ("links back to originals", ["-toriginal"], thunder(a) + b"\r\n" + flashget(b) + b"\n", a + b"\n" + b + b"\n"),
        ("-0: NUL ends items", ["-0", "-tqqdl"], a + b"\0" + b + b"\0", qqdl(a) + b"\0" + qqdl(b) + b"\0"),
        ("-0: CR and LF are data", ["--null", "-tqqdl"], b"x\r\ny\0\r\0", qqdl(b"x\r\ny") + b"\0" + qqdl(b"\r") + b"\0"),
        ("-0: last item without NUL", ["-0", "-tqqdl"], a + b"\0" + b, qqdl(a) + b"\0" + qqdl(b) + b"\0"),
        ("-0: empty items stay", ["-0", "-tqqdl"], b"\0" + a + b"\0\0", b"\0" + qqdl(a) + b"\0\0"),
        ("arguments win over standard input", ["-tqqdl", "x"], b"y\n", qqdl(b"x") + b"\n"),
    ]
    results = program.run_many([(args, stdin) for _, args, stdin, _ in cases])
    for (case, args, stdin, expected), result in zip(cases, results):
        expect_success(program, case, args, stdin, expected, result=result)


def block(original: bytes, address: bytes, end=b"\n") -> bytes:
    lines = [b"original: " + original, b"thunder:  " + thunder(address), b"flashget: " + flashget(address),
             b"qqdl:     " + qqdl(address)]
    return b"".join(line + end for line in lines)


def test_all_layout(program):
    A, B = SERVER, OTHER
    cases = [
        ("default form is all", [A], None, block(A, A)),
        ("explicit all, blocks apart", ["--to=all", A, thunder(B)], None, block(A, A) + b"\n" + block(B, B)),
        ("all from standard input", ["-tall"], A + b"\r\n" + qqdl(B), block(A, A) + b"\n" + block(B, B)),
        ("all with -0", ["-0"], A + b"\0" + B + b"\0", block(A, A, b"\0") + b"\0" + block(B, B, b"\0")),
    ]
    results = program.run_many([(args, stdin) for _, args, stdin, _ in cases])
    for (case, args, stdin, expected), result in zip(cases, results):
        expect_success(program, case, args, stdin, expected, result=result)


def test_bad_usage(program):
    cases = [
        (["--bogus", SERVER], "unknown option '--bogus'"),
        (["-x"], "unknown option '-x'"),
        (["-r0q"], "unknown option '-q'"),
        (["-t", "zz", SERVER], "unknown form 'zz'"),
        (["--to="], "unknown form ''"),
        (["-tqqdl", "--to=thunderx"], "unknown form 'thunderx'"),
        (["-c", "1234"], "unknown code page '1234'"),
        (["--code-page=abc"], "unknown code page 'abc'"),
        (["-c", "-1"], "unknown code page '-1'"),
        (["-c", "9360"], "unknown code page '9360'"),
        (["-t"], "option '-t' needs a value"),
        (["--code-page"], "option '--code-page' needs a value"),
        (["--raw=yes"], "option '--raw' takes no value"),
        (["--null=1"], "option '--null' takes no value"),
        (["--tox=qqdl"], "unknown option '--tox'"),
    ]
    results = program.run_many([(args, b"") for args, _ in cases])
    for (args, message), (code, out, err) in zip(cases, results):
        context = describe(args) + ", stderr " + show(err)
        lines = err.decode(errors="replace").splitlines()
        check(message, "exit status", 2, code, context)
        check(message, "standard output", b"", out, context)
        check(message, "first line of standard error", "linkconv: " + message, lines[0] if lines else "", context)
        check_true(message, "usage follows the error", len(lines) > 1 and lines[1].startswith("Usage: linkconv"),
                   context)


def test_help_and_version(program, version):
    for args in (["--help"], ["-h"], ["-tqqdl", "-h", "--bogus"]):
        code, out, err = program.run(args)
        context = describe(args)
        check("help", "exit status", 0, code, context)
        check("help", "standard error", b"", err, context)
        for needed in (b"Usage: linkconv", b"--to=FORM", b"--code-page=CP", b"--raw", b"--null", b"--version",
                       b"original: ", b"thunder:  ", b"flashget: ", b"qqdl:     ", b"UTF-8"):
            check_true("help", f"help mentions {needed!r}", needed in out, context + ", stdout " + show(out))
    for args in (["--version"], ["-V"], ["-V", "--bogus"]):
        expect_success(program, "version", args, None, b"linkconv " + version.encode() + b"\n")


def test_transcoding(program):
    chinese = CHINESE.encode("utf-8")
    gbk = CHINESE.encode("gbk")
    emoji = "http://x/😀.zip".encode("utf-8")
    latin = "http://x/café".encode("utf-8")
    utf8_link = qqdl(chinese)
    cases = [
        # case, args, stdin, expected output, note expected on standard error
        ("Chinese argument to GBK thunder", ["-tthunder", CHINESE], None, thunder(gbk) + b"\n", None),
        ("Chinese argument to GBK flashget", ["-tflashget", CHINESE], None, flashget(gbk) + b"\n", None),
        ("Chinese line to GBK qqdl", ["-tqqdl"], chinese + b"\r\n", qqdl(gbk) + b"\n", None),
        ("Chinese to UTF-8 under 65001", ["-c", "65001", "-tqqdl", CHINESE], None, qqdl(chinese) + b"\n", None),
        ("Latin to code page 1252", ["--code-page=1252", "-tqqdl"], latin, qqdl("http://x/café".encode("cp1252")) + b"\n",
         None),
        ("Latin to code page 28605", ["-c28605", "-tqqdl"], latin, qqdl("http://x/café".encode("iso-8859-15")) + b"\n",
         None),
        ("original given is shown as given", ["-toriginal", CHINESE], None, chinese + b"\n", None),
        # In GBK this is D2 BB, which is also well-formed UTF-8: only the address as typed tells them apart.
        ("original given whose GBK looks like UTF-8", ["-toriginal", "http://x/一"], None, "http://x/一\n".encode(),
         None),
        ("original given outside GBK is shown as given", ["-toriginal", "all", emoji], None,
         b"all\n" + emoji + b"\n", "address 2: not representable in code page 936; its bytes are used as they are"),
        ("GBK link shown in UTF-8", ["-toriginal", thunder(gbk)], None, chinese + b"\n", None),
        ("1252 link shown in UTF-8", ["-c1252", "-toriginal", qqdl(b"caf\xe9")], None, "café\n".encode(), None),
        ("emoji is not in GBK: bytes kept", ["-tqqdl", "ok"], None, qqdl(b"ok") + b"\n", None),
        ("emoji is not in GBK: bytes kept, noted", ["-tqqdl"], b"ok\n" + emoji + b"\n",
         qqdl(b"ok") + b"\n" + qqdl(emoji) + b"\n", "linkconv: address 2: not representable in code page 936"),
        ("invalid UTF-8 kept, noted", ["-tthunder"], b"http://\xff\xfe/\xc3\n", thunder(b"http://\xff\xfe/\xc3") + b"\n",
         "address 1: not representable in code page 936; its bytes are used as they are"),
        ("UTF-8 payload shown as UTF-8, noted", ["-toriginal", utf8_link], None, chinese + b"\n",
         "linkconv: address 1: decoded address is UTF-8, not code page 936; shown as UTF-8"),
        ("UTF-8 payload under 65001, no note", ["-c65001", "-toriginal", utf8_link], None, chinese + b"\n", None),
        ("UTF-8 payload, all form notes once", ["--to=all", utf8_link], None, block(chinese, chinese),
         "decoded address is UTF-8"),
        ("payload neither GBK nor UTF-8 kept, noted", ["-toriginal", qqdl(b"http://\xff\x80/")], None,
         b"http://\xff\x80/\n", "--raw"),
        ("raw: UTF-8 argument bytes as they are", ["--raw", "-tqqdl"], chinese + b"\n", qqdl(chinese) + b"\n", None),
        ("raw: GBK shown as bytes", ["-r", "-toriginal", qqdl(gbk)], None, gbk + b"\n", None),
        ("raw: UTF-8 payload, no note", ["-r", "-toriginal", utf8_link], None, chinese + b"\n", None),
    ]
    results = program.run_many([(args, stdin) for _, args, stdin, _, _ in cases])
    for (case, args, stdin, expected, note), result in zip(cases, results):
        expect_success(program, case, args, stdin, expected, note, result=result)
    if not program.wine:  # Wine turns arguments into UTF-16 first; only stdin is byte-exact there
        expect_success(program, "raw: GBK argument bytes", ["-r", "-tthunder", gbk], None, thunder(gbk) + b"\n")
        expect_success(program, "invalid UTF-8 argument kept", ["-tqqdl", b"a\xff"], None, qqdl(b"a\xff") + b"\n",
                       "not representable")


def random_addresses(rng, count):
    addresses = []
    while len(addresses) < count:
        address = bytes(rng.randrange(1, 256) for _ in range(rng.randrange(1, 120)))
        if b"://" not in address:  # no chance of reading a scheme into it
            addresses.append(address)
    return addresses


def items_of(output: bytes):
    return output.split(b"\0")[:-1] if output.endswith(b"\0") else output.split(b"\0") + [b"<no final NUL>"]


def compare_items(case, args, inputs, expected, result):
    code, out, err = result
    check(case, "exit status and standard error", (0, b""), (code, err), describe(args))
    actual = items_of(out)
    check(case, "number of items", len(expected), len(actual), describe(args))
    bad = [i for i in range(min(len(expected), len(actual))) if expected[i] != actual[i]]
    for i in bad[:3]:
        check(case, f"item {i + 1} of {len(expected)}", expected[i], actual[i],
              describe(args) + ", input " + show(inputs[i]))
    if len(bad) > 3:
        failures.append(f"{case}: {len(bad) - 3} more items differ")


def test_random_raw(program):
    """Random addresses without NUL, NUL-separated, under a double-byte and a single-byte code page: each
    form against Python's base64, and each link back to its address."""
    rng = random.Random(20261211)
    checks = []  # case, args, inputs, expected
    for code_page in ("936", "1252"):
        addresses = random_addresses(rng, 300)
        raw = ["--raw", "-0", "-c", code_page]
        checks.append((f"cp {code_page}: original", raw + ["--to=original"], addresses, addresses))
        for form, encode in LINKS.items():
            links = [encode(a) for a in addresses]
            checks.append((f"cp {code_page}: {form}", raw + ["--to=" + form], addresses, links))
            checks.append((f"cp {code_page}: {form} back to original", raw + ["--to=original"], links, addresses))
    results = program.run_many([(args, b"\0".join(inputs) + b"\0") for _, args, inputs, _ in checks])
    for (case, args, inputs, expected), result in zip(checks, results):
        compare_items("raw bytes, " + case, args, inputs, expected, result)


def test_long_input(program):
    rng = random.Random(7)
    long_line = bytes(rng.randrange(0x21, 0x7F) for _ in range(3 << 20))
    lines = [b"http://h/%d" % i for i in range(100000)]
    cases = [
        ("one line of 3 MiB", ["-tqqdl"], long_line + b"\n", qqdl(long_line) + b"\n"),
        ("100000 lines", ["-tthunder"], b"\n".join(lines), b"".join(thunder(line) + b"\n" for line in lines)),
    ]
    results = program.run_many([(args, stdin) for _, args, stdin, _ in cases])
    for (case, args, stdin, expected), result in zip(cases, results):
        expect_success(program, case, args, stdin, expected, result=result)


def test_item_splitting(program):
    """Items of every length from 0 to 150, ends of lines and of blocks at every place: the input split by
    Python against the items linkconv hands back unchanged."""
    rng = random.Random(64)
    alphabet = bytes(b for b in range(256) if b not in b":\n\0") + b"\r\r"
    cases = []
    for terminator, args in ((b"\n", ["--raw", "--to=original"]), (b"\0", ["--raw", "-0", "--to=original"])):
        for final in (b"", terminator, b"last"):
            items, size = [], 0
            while size < (5 << 19):
                items.append(bytes(rng.choice(alphabet) for _ in range(rng.choice((0, 1, 63, 64, 65, rng.randrange(151))))))
                size += len(items[-1]) + 1
            stdin = terminator.join(items) + terminator + final.rstrip(terminator)
            pieces = stdin.split(terminator)
            expected = []
            for place, piece in enumerate(pieces):
                last = place == len(pieces) - 1
                if last and not piece:
                    break
                if terminator == b"\n" and not last and piece.endswith(b"\r"):
                    piece = piece[:-1]
                expected.append(piece + terminator)
            expected = b"".join(expected)
            cases.append((f"item splitting, terminator {terminator!r}, input ending {final!r}", args, stdin, expected))
    results = program.run_many([(args, stdin) for _, args, stdin, _ in cases])
    for (case, args, stdin, expected), result in zip(cases, results):
        code, out, err = result
        check(case, "exit status and standard error", (0, b""), (code, err), describe(args))
        if out != expected:
            place = next((i for i in range(min(len(out), len(expected))) if out[i] != expected[i]), None)
            check(case, "standard output", expected[:place + 100] if place is not None else len(expected),
                  out[:place + 100] if place is not None else len(out), describe(args))


def test_output_before_end_of_input(program):
    case = "an answered line is written before more input comes"
    process = subprocess.Popen(program.argv(["-tqqdl"]), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=program.env)
    try:
        process.stdin.write(SERVER + b"\n")
        process.stdin.flush()
        ready, _, _ = select.select([process.stdout], [], [], 30)
        got = os.read(process.stdout.fileno(), 4096) if ready else b"<nothing within 30 s>"
        check(case, "standard output", qqdl(SERVER) + b"\n", got, "stdin " + show(SERVER + b"\n") + ", kept open")
    finally:
        process.stdin.close()
        process.wait(timeout=60)
        process.stdout.close()
        process.stderr.close()


def test_write_errors(program):
    case = "full disk"
    with open("/dev/full", "wb") as full:
        done = subprocess.run(program.argv(["-tqqdl", SERVER]), stdout=full, stderr=subprocess.PIPE,
                              env=program.env, timeout=60)
    check(case, "exit status", 1, done.returncode, "stdout /dev/full")
    check_true(case, "message on standard error", b"linkconv: cannot write standard output" in done.stderr,
               "stderr " + show(done.stderr))

    case = "reader goes away"
    process = subprocess.Popen(program.argv(["-tqqdl"]), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=program.env)
    process.stdout.close()
    try:
        process.stdin.write(b"http://h/x\n" * 200000)
        process.stdin.close()
    except BrokenPipeError:
        pass
    err = process.stderr.read()
    process.wait(timeout=60)
    process.stderr.close()
    check(case, "exit status (not a signal)", 1, process.returncode, "stderr " + show(err))
    check_true(case, "message on standard error", b"linkconv: cannot write standard output" in err,
               "stderr " + show(err))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", action="store_true", help="run the program under Wine")
    parser.add_argument("--version-text", required=True, help="the version that --version must show")
    parser.add_argument("program")
    options = parser.parse_args()
    program = Program(os.path.abspath(options.program), options.wine)

    test_forms_from_arguments(program)
    test_standard_input(program)
    test_all_layout(program)
    test_bad_usage(program)
    test_help_and_version(program, options.version_text)
    test_transcoding(program)
    test_random_raw(program)
    test_long_input(program)
    test_item_splitting(program)
    test_output_before_end_of_input(program)
    if not options.wine:  # /dev/full and SIGPIPE are POSIX matters
        test_write_errors(program)

    for failure in failures:
        print("FAIL", failure, file=sys.stderr)
    print(f"linkconv_test: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
