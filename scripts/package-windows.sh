#!/usr/bin/env bash
# Builds the Windows downloads from the Windows build (scripts/build-windows.sh,
# into $BUILD_DIR, default build/windows) and prints their paths:
#   clickwisp-<version>-windows-x64.msi   the installer, made with wixl (msitools):
#                                         per user, ALLUSERS=1 for every user
#   clickwisp-<version>-windows-x64.zip   the portable copy
# in $OUT_DIR (default $BUILD_DIR/package). <version> is project(VERSION) of
# CMakeLists.txt; MSI_VERSION=x.y.z makes only an installer of that version
# (the upgrade of scripts/test-windows.sh).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/windows}"
cd "$ROOT"

scripts/build-windows.sh >/dev/null
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")"
msi_version="${MSI_VERSION:-$version}"
mkdir -p "${OUT_DIR:-$BUILD_DIR/package}"
out="$(cd "${OUT_DIR:-$BUILD_DIR/package}" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/clickwisp-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The files both downloads hold; text files with Windows line ends.
stage="$work/clickwisp-$msi_version-windows-x64"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/clickwisp.exe" "$BUILD_DIR/ui_win32/clickwisp.exe"
x86_64-w64-mingw32-strip -o "$stage/clickwisp-cli.exe" "$BUILD_DIR/clickwisp-cli.exe"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
sed "s/@VERSION@/$msi_version/g; s/\$/\r/" packaging/windows/README.txt >"$stage/README.txt"
sed 's/$/\r/' packaging/example.xml >"$stage/example.xml"

# The licence as RTF for the installer's licence page: one paragraph per
# paragraph of LICENSE (its lines joined), on one line.
license_rtf() {
  awk 'BEGIN { printf "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}}\\fs16 " }
       { gsub(/\\/, "\\\\"); gsub(/\{/, "\\{"); gsub(/\}/, "\\}"); sub(/^[ \t]+/, ""); sub(/[ \t]+$/, "") }
       $0 == "" { if (open) printf "\\par\\par "; open = 0; next }
       { printf "%s%s", (open ? " " : ""), $0; open = 1 }
       END { printf "}" }' "$1"
}

# ---- the installer
msi="$out/clickwisp-$msi_version-windows-x64.msi"
installer="$work/installer"
mkdir -p "$installer"
cp "$stage"/* packaging/windows/clickwisp.installed "$installer/"
cp "$BUILD_DIR/ui_win32/icons/clickwisp.ico" "$installer/"
rm -f "$msi"
(cd "$installer" && wixl -a x64 -D Version="$msi_version" -D Stage=. -o "$work/clickwisp.msi" \
  "$ROOT/packaging/windows/clickwisp.wxs")

# What wixl does not write: the dialogs (with the licence), the PATH entries,
# the component conditions, HKMU (wixl writes 4 for it, not -1).
tables=()
for table in packaging/windows/msi/*.idt; do
  name="$(basename "$table")"
  if [ "$name" = Control.idt ]; then
    RTF="$(license_rtf LICENSE)" awk '{ at = index($0, "@LICENSE_RTF@")
      if (at) $0 = substr($0, 1, at - 1) ENVIRON["RTF"] substr($0, at + 13); print }' "$table" >"$work/$name"
  else
    cp "$table" "$work/$name"
  fi
  tables+=(-i "$work/$name")
done
msibuild "$work/clickwisp.msi" "${tables[@]}"
queries=(
  "UPDATE Registry SET Root = -1 WHERE Root = 4"
  "UPDATE Component SET Condition = 'NOT ALLUSERS=1' WHERE Component = 'UserPath'"
  "UPDATE Component SET Condition = 'ALLUSERS=1' WHERE Component = 'MachinePath'"
  "INSERT INTO Property (Property, Value) VALUES ('DefaultUIFont', 'ClickwispText')"
  "INSERT INTO Property (Property, Value) VALUES ('ErrorDialog', 'ErrorDlg')"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('FatalErrorDlg', '', -3)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('UserExitDlg', '', -2)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('ExitDlg', '', -1)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('MaintenanceDlg', 'Installed AND NOT Preselected', 1296)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('LicenseDlg', 'NOT Installed', 1297)"
  "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('ProgressDlg', '', 1299)"
  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('WriteEnvironmentStrings', '', 5200)"
  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('RemoveEnvironmentStrings', '', 3300)"
)
for query in "${queries[@]}"; do
  msibuild "$work/clickwisp.msi" -q "$query"
done
mv "$work/clickwisp.msi" "$msi"
echo "$msi"

# ---- the portable copy
if [ -z "${MSI_VERSION:-}" ]; then
  zip="$out/clickwisp-$version-windows-x64.zip"
  rm -f "$zip"
  (cd "$work" && zip -q -X -r -9 "$zip" "$(basename "$stage")")
  echo "$zip"
fi
