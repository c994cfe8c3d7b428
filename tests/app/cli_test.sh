#!/usr/bin/env bash
# The program as a build pipeline runs it: no display, batch mode, exit codes and standard error.
#   cli_test.sh PROGRAM SOURCE_DIR
set -u
program=$1; source=$2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_RUNTIME_DIR QUORVANE_QT_MESSAGES
failures=0
check() { # NAME EXPECTED-STATUS ACTUAL-STATUS [CONDITION...]
    local name=$1 expected=$2 actual=$3; shift 3
    if [ "$expected" != "$actual" ]; then echo "FAIL $name: exit $actual, expected $expected"; cat "$work/err"; failures=$((failures + 1)); return; fi
    if [ $# -gt 0 ] && ! "$@"; then echo "FAIL $name: $*"; cat "$work/err"; failures=$((failures + 1)); return; fi
    echo "ok   $name"
}

cp "$source/tests/schemes/plaintext/data/worked_example.frt" "$work/a.frt"
cp "$work/a.frt" "$work/c.frt"
cp "$source/tests/schemes/plaintext/data/unread_attribute.frt" "$work/b.frt"
cp "$work/a.frt" "$work/a.orig"; cp "$work/c.frt" "$work/c.orig"

"$program" -exit -save "$work/a.frt" "$work/c.frt" 2> "$work/err"
check "two files saved without a display" 0 $? cmp -s "$work/a.frt" "$work/a.orig"
cmp -s "$work/c.frt" "$work/c.orig" || { echo "FAIL c.frt changed"; failures=$((failures + 1)); }
[ -z "$(find "$work/config" -type f 2>/dev/null)" ] || { echo "FAIL batch mode wrote per-user files"; failures=$((failures + 1)); }

"$program" -exit "$work/b.frt" 2> "$work/err"
check "the log of each file is printed" 0 $? grep -q "b.frt: [0-5]: " "$work/err"

"$program" -exit "$work/missing.frt" 2> "$work/err"
check "a missing file fails" 1 $? grep -q "missing.frt" "$work/err"

"$program" -exit "$work/a.unknown" 2> "$work/err"
check "an unsupported file fails" 1 $? grep -q "Unsupported file type" "$work/err"

"$program" "$work/a.frt" 2> "$work/err"
check "a window without a display fails clearly" 1 $? grep -q -- "-exit" "$work/err"

"$program" --help > "$work/out" 2> "$work/err"
check "--help" 0 $? grep -q -- "-autocreate=N" "$work/out"
for switch in -readonly -autocreate -exit -save -process processors= -delgenerated .settings .recentfiles .session --version; do
    grep -q -- "$switch" "$work/out" || { echo "FAIL --help lacks $switch"; failures=$((failures + 1)); }
done

# The manual page documents every switch that --help lists.
"$program" --help | sed -n 's/^  \([^ ]*\).*/\1/p' | sed 's/=.*//; s/^NAME//' > "$work/switches"
sed 's/\\//g' "$source/desktop/quorvane.1.in" > "$work/manual"
while read -r switch; do
    grep -q -- "$switch" "$work/manual" || { echo "FAIL the manual page lacks $switch"; failures=$((failures + 1)); }
done < "$work/switches"
[ -s "$work/switches" ] || { echo "FAIL no switches read from --help"; failures=$((failures + 1)); }

"$program" --version > "$work/out" 2> "$work/err"
check "--version" 0 $? grep -q "^Quorvane [0-9]" "$work/out"

# A Structured Data document generates its XML and INI files in batch mode.
cp "$source/samples/structured.strucd" "$source/samples/settings.strucd" "$work/"
# One switch holds for every file named.
"$program" -exit -process "$work/structured.strucd" "$work/settings.strucd" 2> "$work/err"
check "structured data generates XML" 0 $? test -s "$work/structured.xml"
check "the second file is processed too" 0 0 test -s "$work/settings.ini"
check "the switch is not reported unused" 0 0 bash -c "! grep -q -- -process '$work/err'"
if command -v xmllint > /dev/null; then
    xmllint --noout "$work/structured.xml" 2> "$work/err" || { echo "FAIL the generated XML is not well-formed"; cat "$work/err"; failures=$((failures + 1)); }
fi

# A pipeline reads standard error line by line: message lines "FILE: KIND: TEXT" and the usage line only.
only_message_lines() { ! grep -v -E '^.+: [0-5]: |^Usage: quorvane ' "$work/err"; }
"$program" -exit -process "$work/structured.strucd" 2> "$work/err"
check "without a runtime folder, only message lines" 0 $? only_message_lines

# Command lines the program cannot follow exit 2, with the usage line.
while IFS='|' read -r name arguments; do
    # shellcheck disable=SC2086 # the arguments are words
    "$program" -exit $arguments 2> "$work/err"
    check "$name" 2 $? eval 'grep -q "^Usage: quorvane " "$work/err" && only_message_lines'
done <<EOF
an unknown switch|-bogus $work/a.frt
a verb switch no file has|-process $work/a.frt
processors the document does not have|-process processors=5 $work/structured.strucd
processors that are not numbers|-process processors=abc $work/structured.strucd
EOF

# Runs that fail exit 1 and say why; what was there before stays.
generator() { # NAME OUTPUT: a copy of the structured sample that writes OUTPUT
    sed "s|structured.xml|$2|" "$source/samples/structured.strucd" > "$work/$1.strucd"
}
echo victim > "$work/victim.txt"; cp "$work/victim.txt" "$work/victim.comd"
generator document victim.comd
generator blocked blocked.xml; mkdir "$work/blocked.xml"
cp "$source/samples/commands.comd" "$work/cut.comd"
"$program" -exit -process "$work/cut.comd" 2> "$work/err" && cp "$work/commands.bat" "$work/commands.orig"
head -c 700 "$source/samples/commands.comd" > "$work/cut.comd"
cp "$work/a.frt" "$work/d.frt"; mkdir "$work/d.~frt"
while IFS='|' read -r name arguments file condition; do
    "$program" -exit "$arguments" "$work/$file" 2> "$work/err"
    check "$name" 1 $? eval "$condition && only_message_lines"
done <<'EOF'
an output that is a document|-process|document.strucd|cmp -s "$work/victim.comd" "$work/victim.txt"
an output that cannot be written|-process|blocked.strucd|grep -q "blocked.strucd: 2: Can not create file" "$work/err"
a corrupt document is not processed|-process|cut.comd|cmp -s "$work/commands.bat" "$work/commands.orig" && grep -q "cut.comd: 2: Data provided are corrupt" "$work/err" && ! grep -q "File created" "$work/err"
a document that cannot be saved|-save|d.frt|grep -q "d.frt: 3: " "$work/err"
EOF

# A record of generated files that cannot be saved fails the run.
manifest=$work/data/quorvane/generated.manifest
mkdir -p "$work/data/quorvane"; mv "$manifest" "$work/manifest.saved" 2> /dev/null; mkdir "$manifest"
"$program" -exit -process "$work/settings.strucd" 2> "$work/err"
check "an unsaved record of generated files" 1 $? eval 'grep -q "settings.strucd: 3: " "$work/err" && only_message_lines'
rmdir "$manifest"; mv "$work/manifest.saved" "$manifest" 2> /dev/null

# An output replaces a link, never its target, and keeps a file this program did not make.
ln -s "$work/victim.txt" "$work/linked.xml"; generator linked linked.xml
echo mine > "$work/user.xml"; generator user user.xml
"$program" -exit -process "$work/linked.strucd" "$work/user.strucd" 2> "$work/err"
check "outputs over links and foreign files" 0 $? eval 'cmp -s "$work/victim.txt" "$work/victim.comd" && test ! -L "$work/linked.xml" && grep -q mine "$work/user.~xml" && grep -q "user.strucd: 2: " "$work/err"'

# A generated list that names another document's output deletes nothing of it.
"$program" -exit -process -save "$work/structured.strucd" 2> "$work/err"
sed 's|</BatchGenerator>|<Generated><GeneratedFile Value="structured.xml"/></Generated></BatchGenerator>|' \
    "$source/samples/commands.comd" > "$work/other.comd"
"$program" -exit -delgenerated "$work/other.comd" 2> "$work/err"
check "another document's output is not deleted" 1 $? eval 'test -s "$work/structured.xml" && only_message_lines'
"$program" -exit -delgenerated "$work/structured.strucd" 2> "$work/err"
check "the document's own output is deleted" 0 $? test ! -e "$work/structured.xml"

exit $((failures > 0))
