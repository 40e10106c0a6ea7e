#!/usr/bin/env bash
# Installs the build into a throwaway root and builds the Debian package, then
# checks both: the files where the program looks for them, the desktop and
# AppStream metadata, the package's dependencies, and that the installed
# launcher starts the program.
# Usage: test_package.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() { # description, command...
  local what=$1
  shift
  if "$@" >"$work/last.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
    sed 's/^/    /' "$work/last.log" | head -20
  fi
}

# Starts a launcher offscreen against an unreachable home site; it must still
# be running after a few seconds (no crash, no missing library or plugin).
starts() {
  local launcher=$1 log=$work/start.log
  QT_QPA_PLATFORM=offscreen VANDREL_HOME_SITE=http://127.0.0.1:9 "$launcher" >"$log" 2>&1 &
  local pid=$!
  sleep 4
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null
    return 0
  fi
  cat "$log"
  return 1
}

root=$work/root
check "cmake --install into a throwaway root" env DESTDIR="$root" cmake --install "$build" --prefix /usr
app=$root/usr/lib/vandrel
for file in usr/bin/vandrel usr/lib/vandrel/vandrel usr/share/applications/example.vandrel.Vandrel.desktop \
  usr/share/metainfo/example.vandrel.Vandrel.metainfo.xml usr/share/icons/hicolor/48x48/apps/vandrel.png \
  usr/share/icons/hicolor/256x256/apps/vandrel.png; do
  check "installed $file" test -e "$root/$file"
done
# Every data file of the program's directory in the build tree is installed
# beside the installed program.
for file in "$build"/bin/*; do
  check "installed $(basename "$file") beside the program" test -e "$app/$(basename "$file")"
done
check "desktop entry is valid" desktop-file-validate "$root/usr/share/applications/example.vandrel.Vandrel.desktop"
check "AppStream metainfo is valid" appstreamcli validate --no-net "$root/usr/share/metainfo/example.vandrel.Vandrel.metainfo.xml"
check "installed launcher starts the program" starts "$root/usr/bin/vandrel"

packages=$work/packages
check "cpack builds the Debian package" cpack -G DEB -B "$packages" --config "$build/CPackConfig.cmake"
deb=$(ls "$packages"/vandrel_*.deb 2>/dev/null | head -n 1)
check "package file exists" test -n "$deb"
if [ -n "$deb" ]; then
  dpkg-deb -f "$deb" Depends >"$work/depends"
  # Every shared library the program links comes from a package the package
  # depends on, and so do the plugins, helper process and fonts it needs.
  needed=$(objdump -p "$build/bin/vandrel" | awk '$1 == "NEEDED" {print $2}')
  linked=$(for library in $needed; do ldd "$build/bin/vandrel" | awk -v l="$library" '$1 == l {print $3}'; done |
    xargs -r realpath | xargs -r dpkg -S 2>/dev/null | cut -d: -f1 | sort -u |
    grep -v -E '^(libc6|libgcc-s1|libstdc\+\+6)$')
  for dependency in $linked qt6-qpa-plugins libqt6webenginecore6-bin fonts-arphic-gkai00mp fonts-wqy-zenhei; do
    check "package depends on $dependency" grep -q -E "(^|[ ,])$dependency([ ,(]|$)" "$work/depends"
  done
  dpkg-deb -c "$deb" >"$work/contents"
  check "package holds the program" grep -q '\./usr/lib/vandrel/vandrel$' "$work/contents"
  check "package holds the launcher" grep -q '\./usr/bin/vandrel$' "$work/contents"
  check "package holds the desktop entry" grep -q 'applications/example.vandrel.Vandrel.desktop' "$work/contents"
  check "package unpacks" dpkg-deb -x "$deb" "$work/unpacked"
  check "unpacked launcher starts the program" starts "$work/unpacked/usr/bin/vandrel"
fi

echo "packaging: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
