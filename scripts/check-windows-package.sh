#!/usr/bin/env bash
# Checks the Windows downloads of scripts/package-windows.sh on Linux, from
# their tables (msiinfo) and listing, before test_win32_package installs them
# under Wine (scripts/test-windows.sh runs both):
#   - the installer is of VERSION, of the stable UpgradeCode, replaces older
#     versions, per user by default without elevation, with both programs, the
#     licence page, the Start-menu shortcut, the PATH entries and the
#     addresses Apps and features shows;
#   - the zip holds both programs, the licence and the example list in one
#     folder, and no installer marker (its settings stay beside it).
# Usage: scripts/check-windows-package.sh MSI ZIP VERSION
set -euo pipefail

msi="${1:?usage: check-windows-package.sh MSI ZIP VERSION}"
zip="${2:?usage: check-windows-package.sh MSI ZIP VERSION}"
version="${3:?usage: check-windows-package.sh MSI ZIP VERSION}"

T=$'\t' # the column separator of msiinfo export
problems=0
problem() {
  echo "check-windows-package: $*" >&2
  problems=$((problems + 1))
}
# table NAME: the rows of a table, tab-separated, without its three header lines.
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
# expect_row TABLE PATTERN WHAT: a row of TABLE matches the extended regular expression.
expect_row() {
  grep -Eq "$2" <<<"$(table "$1")" || problem "$1: no row for $3 (/$2/)"
}

echo "---- $(basename "$msi"): $(du -k "$msi" | cut -f1) KiB, $(basename "$zip"): $(du -k "$zip" | cut -f1) KiB"
summary="$(msiinfo suminfo "$msi")"
grep -q '^Template: x64;1033$' <<<"$summary" || problem "summary: not an x64 package: $(grep Template <<<"$summary")"
# Word count: 2 compressed, 8 no elevation (a per-user install asks for no administrator).
words="$(sed -n 's/^Source: \([0-9]*\).*/\1/p' <<<"$summary")"
[ $((words & 10)) -eq 10 ] || problem "summary: word count $words lacks compressed (2) or no-elevation (8)"

expect_row Property "^ProductVersion${T}$version$" "ProductVersion $version"
expect_row Property "^UpgradeCode${T}\{34EBC48A-03A7-41F9-822C-7FFF818C00F2\}$" "the UpgradeCode"
expect_row Property "^Manufacturer${T}Clickwisp developers$" "the publisher"
expect_row Property "^ARPURLINFOABOUT${T}https://" "the home page"
! grep -q "^ALLUSERS${T}" <<<"$(table Property)" || problem "Property: ALLUSERS is set: not per user by default"
expect_row Upgrade "^\{34EBC48A-03A7-41F9-822C-7FFF818C00F2\}${T}.*WIX_UPGRADE_DETECTED" "older versions"
expect_row InstallExecuteSequence "^RemoveExistingProducts${T}" "RemoveExistingProducts"
expect_row Directory "^UserPrograms${T}LocalAppDataFolder${T}Programs$" "%LOCALAPPDATA%\\Programs"
expect_row Directory "^INSTALLDIR${T}UserPrograms${T}Clickwisp$" "the Clickwisp folder"
for file in clickwisp.exe clickwisp-cli.exe LICENSE.txt example.xml clickwisp.installed; do
  expect_row File "${T}$file${T}" "$file"
done
expect_row Shortcut "^StartMenuShortcut${T}ProgramMenuFolder${T}Clickwisp${T}StartMenu${T}\[INSTALLDIR\]clickwisp\.exe${T}" "the Start menu"
expect_row Environment "^UserPath${T}=-PATH${T}\[~\];\[INSTALLDIR\]${T}UserPath$" "the user's PATH"
expect_row Environment "^MachinePath${T}=-\*PATH${T}\[~\];\[INSTALLDIR\]${T}MachinePath$" "every user's PATH"
expect_row Component "^UserPath${T}.*${T}NOT ALLUSERS=1${T}" "the user's PATH only per user"
expect_row Component "^MachinePath${T}.*${T}ALLUSERS=1${T}" "every user's PATH only for every user"
expect_row Registry "${T}-1${T}Software\\\\Clickwisp${T}InstallDir${T}" "the install folder under HKCU or HKLM (-1)"
expect_row InstallUISequence "^LicenseDlg${T}NOT Installed${T}" "the licence page"
expect_row Control "^LicenseDlg${T}LicenseText${T}ScrollableText${T}.*GNU GENERAL PUBLIC LICENSE Version 3, 29 June 2007.*END OF TERMS AND CONDITIONS" "the licence"

expected="clickwisp-$version-windows-x64/
clickwisp-$version-windows-x64/LICENSE.txt
clickwisp-$version-windows-x64/README.txt
clickwisp-$version-windows-x64/clickwisp-cli.exe
clickwisp-$version-windows-x64/clickwisp.exe
clickwisp-$version-windows-x64/example.xml"
listed="$(unzip -Z1 "$zip" | sort)"
[ "$listed" = "$expected" ] || problem "$(basename "$zip") holds: $(echo $listed), expected: $(echo $expected)"

if [ "$problems" -ne 0 ]; then
  echo "check-windows-package: FAILED: $problems problem(s), listed above" >&2
  exit 1
fi
echo "check-windows-package: $(basename "$msi") and $(basename "$zip") passed"
