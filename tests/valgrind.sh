#!/usr/bin/env bash
# Runs the conversion tests and a handful of linkconv runs (arguments, lines,
# NUL-ended items, raw bytes, every form, links back to originals, usage
# errors, transcoding, a failed write) under valgrind's memcheck. Exits
# non-zero on any memory error, any definite or indirect leak, or a run that
# ends with another status than it should.
#   tests/valgrind.sh BUILD_DIR     a native build, such as build/linux
set -u -o pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
bin=$(realpath -m "$1")/bin
linkconv=$bin/linkconv
for program in "$bin/conversion_tests" "$linkconv"; do
  [ -x "$program" ] || { echo "$program is missing: build $1 first" >&2; exit 2; }
done
memcheck=(valgrind --leak-check=full --error-exitcode=1 --errors-for-leak-kinds=definite,indirect)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()

echo "conversion_tests under valgrind (about a minute)"
if ! "${memcheck[@]}" -q "$bin/conversion_tests" --gtest_brief=1 >"$work/tests.log" 2>&1; then
  tail -n 60 "$work/tests.log"
  failed+=(conversion_tests)
fi

# Runs linkconv ARGS... with standard input from INPUT and output to OUTPUT
# under LC_ALL=C.UTF-8. It must end with STATUS, and valgrind must report no
# error: its summary is read from its log, since a status of 1 is also
# linkconv's own for a failed write.
check_linkconv() {
  local name=$1 status=$2 input=$3 output=$4
  shift 4
  LC_ALL=C.UTF-8 "${memcheck[@]}" --log-file="$work/run.log" "$linkconv" "$@" <"$input" >"$output" 2>"$work/err"
  local actual=$?
  if [ "$actual" -eq "$status" ] && grep -q "ERROR SUMMARY: 0 errors" "$work/run.log"; then
    echo "ok   linkconv $name"
  else
    echo "FAIL linkconv $name: args $*, exit status $actual (expected $status)"
    cat "$work/run.log" "$work/err"
    failed+=("linkconv $name")
  fi
}

b64() { base64 -w0; }
thunder() { echo "thunder://$(printf 'AA%sZZ' "$1" | b64)"; }
flashget() { echo "Flashget://$(printf '[FLASHGET]%s[FLASHGET]' "$1" | b64)&1926"; }
qqdl() { echo "qqdl://$(printf '%s' "$1" | b64)"; }

printf 'http://a/1\r\nhttp://b/2\n\n  spaced  \nlast' >"$work/lines"
printf 'http://a/1\0\0x\r\ny\0tail' >"$work/items"
printf '%s\n%s\n%s\n' "$(thunder http://t/x)" "$(flashget 'ftp://f/a b')" "$(qqdl http://q/)" >"$work/links"
python3 -c 'import random, sys; sys.stdout.buffer.write(random.Random(5).randbytes(200000))' >"$work/garbage"
python3 -c 'import sys; sys.stdout.buffer.write(b"x" * (3 << 19) + b"\nshort\n")' >"$work/long_line"
printf '%s\n%s\n%s\n' 'http://例子.cn/下载/文件.zip' 'http://x/😀' $'http://\xff\xfe/\xc3' >"$work/chinese"
printf '%s\n%s\n' "$(thunder "$(printf 'http://x/\xc0\xfd')")" "$(qqdl "$(printf 'http://\xff\x80/')")" >"$work/gbk_links"
none=/dev/null
out=$work/out

check_linkconv "all forms of an argument" 0 $none "$out" http://server/file.zip
check_linkconv "arguments to thunder" 0 $none "$out" -tthunder http://a/1 'ftp://b/2 x' ''
check_linkconv "lines to qqdl" 0 "$work/lines" "$out" -tqqdl
check_linkconv "lines, all forms" 0 "$work/lines" "$out"
check_linkconv "-0 to flashget" 0 "$work/items" "$out" -0 -tflashget
check_linkconv "links to original" 0 "$work/links" "$out" --to=original
check_linkconv "random bytes, --raw -0, all forms" 0 "$work/garbage" "$out" --raw -0
check_linkconv "random bytes, lines, transcoded" 0 "$work/garbage" "$out" -tqqdl
check_linkconv "one line of 1.5 MiB, --raw" 0 "$work/long_line" "$out" -r -tqqdl
check_linkconv "Chinese, emoji and bad UTF-8, transcoded" 0 "$work/chinese" "$out" -tthunder
check_linkconv "Chinese argument, code page 65001" 0 $none "$out" -c65001 'http://例子.cn/'
check_linkconv "GBK and bad links to original, transcoded" 0 "$work/gbk_links" "$out" -toriginal
check_linkconv "code page 1252" 0 "$work/chinese" "$out" --code-page=1252 -tflashget
check_linkconv "help" 0 $none "$out" --help
check_linkconv "version" 0 $none "$out" -V
check_linkconv "unknown form" 2 $none "$out" --to=bogus http://a/
check_linkconv "unknown code page" 2 $none "$out" -c 9360
check_linkconv "option without its value" 2 $none "$out" -t
check_linkconv "failed write" 1 "$work/lines" /dev/full -tqqdl

if [ ${#failed[@]} -gt 0 ]; then
  echo "valgrind: ${#failed[@]} failed: ${failed[*]}" >&2
  exit 1
fi
echo "valgrind: no errors, no leaks"
