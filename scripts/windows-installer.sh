# shellcheck shell=bash
# shellcheck disable=SC2154,SC2034  # the caller sets root, setup_exe, ... and reads wine_locale
# The add-in's installer (installer/tallyweave.nsi): its build, and its checks under wine64. Sourced by
# scripts/windows.sh; nothing here runs on its own.
#
# Building:
#   build_setup                   build/setup/tallyweave-setup.exe from build/win64 and build/win32
#   build_next_setup              a later release for the update's round trip: build/win64-next and
#                                 build/win32-next (TW_VERSION = next_version), then
#                                 build/setup-next/tallyweave-setup.exe
#   build_installer <win64 build dir> <win32 build dir> <setup.exe>
# Both DLLs must be built first; the installer takes the version the DLLs were built with.
#
# Checks (installer_test, update_test) expect from the caller:
#   pass "text", fail "text"       count one check
#   expect / expect_not <description> <command...>   the command succeeds / fails
#   wine_run <program> [args]      runs a Windows program under wine64, bounded, stdin from /dev/null, with
#                                  the Unix locale $wine_locale when that is set; WINEPREFIX (a booted win64
#                                  prefix), WINEARCH=win64 and WINELOADER exported
#   value_is <key> <value name|/ve> <data>      a registry value has that data
#   reg_present <key> [/ve | /v <name>]         a registry key or value is there
#   copy_classes_to_machine, remove_machine_classes   Wine's HKLM copy of the add-in's classes
#   stop_wine                      ends the prefix's wineserver
#   start_service <log> [options] (sets service_pid, service_port), stop_service
#   write_template_job <port> <job file>       a template job that offers an update at the service
#   invoice_job_test <work folder> <which add-in>   the invoice job in the Word host against Linux's
# and the variables:
#   root          the repository
#   clsid         the add-in's class id
#   setup_exe     the installer checked by installer_test (build/setup/tallyweave-setup.exe)
#   next_setup    the later one that update_test serves (build/setup-next/tallyweave-setup.exe)
#   host          the Word host for wine64 (build/wine-host64/word_host.exe.so)
#   tallyweave    the Linux command (build/default/src/tallyweave)
# Each check prints lines starting with "# " for what it measured.

# The version of the add-in in a build folder, as CMake configured it (x.y.z).
built_version() {
  sed -nE 's/.*kVersionText = "([0-9]+\.[0-9]+\.[0-9]+)".*/\1/p' "$1/generated/version.h"
}

# The release after the project's: its revision raised by one.
next_version() {
  sed -nE 's/^project\(tallyweave VERSION ([0-9]+)\.([0-9]+)\.([0-9]+).*/\1.\2.\3/p' "$root/CMakeLists.txt" |
    awk -F. '{ print $1 "." $2 "." $3 + 1 }'
}

build_installer() {  # build_installer <win64 build dir> <win32 build dir> <setup.exe>
  local version
  version=$(built_version "$1")
  if [ -z "$version" ] || [ "$version" != "$(built_version "$2")" ]; then
    echo "build_installer: $1 and $2 do not hold the same version of the add-in" >&2
    return 1
  fi
  mkdir -p "$(dirname "$3")"
  # makensis reads paths relative to the script's folder.
  timeout 300 makensis -V2 -DVERSION="$version" -DX64_DLL="$(realpath "$1/tallyweave.dll")" \
    -DX86_DLL="$(realpath "$2/tallyweave.dll")" -DOUTFILE="$(realpath -m "$3")" "$root/installer/tallyweave.nsi"
}

build_setup() {
  build_installer "$root/build/win64" "$root/build/win32" "$root/build/setup/tallyweave-setup.exe"
}

build_next_setup() {
  local preset
  for preset in win64 win32; do
    timeout 300 cmake --preset "$preset" -B "$root/build/$preset-next" -DTW_VERSION="$(next_version)" >/dev/null
    nice -n 10 timeout 1800 cmake --build "$root/build/$preset-next" -j2 --target tallyweave
  done
  build_installer "$root/build/win64-next" "$root/build/win32-next" "$root/build/setup-next/tallyweave-setup.exe"
}

# ---- Checks under wine64 --------------------------------------------------------------------------------

# Wine registers type libraries for the whole machine, where Windows writes them per user.
installer_typelib_key='HKLM\Software\Classes\TypeLib\{FEBAFB51-6BF4-42C3-BA33-CF494EB1A13F}'
installer_uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallyweave'
installer_addin_key='HKCU\Software\Microsoft\Office\Word\Addins\Tallyweave.plugin'

milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# Sets installed_win (the installation folder as Windows sees it) and installed (its Unix path).
find_install_folder() {
  local local_app_data
  local_app_data=$(wine_run cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
  installed_win="$local_app_data\\Tallyweave"
  installed=$(wine_run winepath -u "$installed_win" 2>/dev/null | tr -d '\r')
  installed=${installed%/}
}

# Runs the installed uninstaller as Apps & features does (it copies itself to TEMP and returns at once) and
# waits at most 60 s for the installation folder to go. Sets uninstall_ms.
uninstall_and_wait() {
  local start
  start=$(milliseconds)
  wine_run "$installed/uninstall.exe" /S || return 1
  for _ in $(seq 600); do
    [ -e "$installed" ] || break
    sleep 0.1
  done
  uninstall_ms=$(($(milliseconds) - start))
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  [ ! -e "$installed" ]
}

# No earlier installation, nor its classes in HKLM.
remove_installation() {
  remove_machine_classes
  [ -f "$installed/uninstall.exe" ] && uninstall_and_wait >/dev/null 2>&1
  rm -rf "$installed"
}

# Files an interrupted or earlier installation would leave: a DLL set aside or not yet put in place.
stale_files() {
  [ -n "$(find "$installed" -name '*.old' -o -name '*.new')" ]
}

# The registration and the Uninstall entry of an installation of the given version; <when>, if given,
# goes into each description.
check_installed() {  # check_installed <version> [when]
  local classes='HKCU\Software\Classes' when=${2:+ ($2)} key=$installer_uninstall_key
  expect "the 64-bit Word's class is the installed x64 DLL$when" \
    value_is "$classes\\CLSID\\$clsid\\InprocServer32" /ve "$installed_win\\x64\\tallyweave.dll"
  expect "the ProgID names the class$when" value_is "$classes\\Tallyweave.plugin\\CLSID" /ve "$clsid"
  expect "Word's Addins key loads Tallyweave.plugin at start-up$when" value_is "$installer_addin_key" LoadBehavior 0x3
  expect "the type library is registered$when" reg_present "$installer_typelib_key\\1.0"
  expect "the Uninstall entry names Tallyweave$when" value_is "$key" DisplayName Tallyweave
  expect "the Uninstall entry has version $1$when" value_is "$key" DisplayVersion "$1"
  expect "the Uninstall entry's InstallLocation is the folder$when" value_is "$key" InstallLocation "$installed_win"
  expect "the Uninstall entry's UninstallString is the uninstaller$when" \
    value_is "$key" UninstallString "\"$installed_win\\uninstall.exe\""
  expect "the Uninstall entry's QuietUninstallString is the uninstaller with /S$when" \
    value_is "$key" QuietUninstallString "\"$installed_win\\uninstall.exe\" /S"
  expect "the Uninstall entry offers no Modify$when" value_is "$key" NoModify 0x1
  expect "the Uninstall entry offers no Repair$when" value_is "$key" NoRepair 0x1
  expect_not "no DLL set aside or not yet in place is kept$when" stale_files
}

# Nothing of the add-in is left: no file, no registration, no Uninstall entry.
check_nothing_left() {
  local classes='HKCU\Software\Classes'
  expect_not "the installation folder is gone" test -e "$installed"
  expect_not "the class key is gone" wine_run reg query "$classes\\CLSID\\$clsid"
  expect_not "the ProgID key is gone" wine_run reg query "$classes\\Tallyweave.plugin"
  expect_not "Word's Addins key of the add-in is gone" wine_run reg query "$installer_addin_key"
  expect_not "the type library registration is gone" wine_run reg query "$installer_typelib_key"
  expect_not "the Uninstall entry is gone" wine_run reg query "$installer_uninstall_key"
}

# Install (/S) -> files and keys -> the invoice job through the installed add-in in the Word host ->
# an upgrade while Word holds the add-in gives up after its bounded wait -> uninstall -> nothing left.
installer_test() {
  echo "# The installer $setup_exe under wine64:"
  local work=$root/build/setup/check version
  version=$(built_version "$root/build/win64")
  rm -rf "$work" && mkdir -p "$work/held"
  # A Dutch user's session, as the Linux job runs (see start_dutch_session_with_addin).
  stop_wine
  wine_locale=nl_NL.UTF-8
  find_install_folder
  remove_installation
  # 64-bit Windows has a 32-bit regsvr32, which the installer calls for the x86 DLL; a wine64 prefix may
  # lack it. Where Wine cannot run 32-bit programs, that step fails and the install must go on without it.
  local wow64_regsvr32=$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe
  [ -f "$wow64_regsvr32" ] || cp /usr/lib/i386-linux-gnu/wine/i386-windows/regsvr32.exe "$wow64_regsvr32" 2>/dev/null || true

  local start install_ms
  start=$(milliseconds)
  expect "the installer installs silently (/S)" wine_run "$setup_exe" /S
  install_ms=$(($(milliseconds) - start))
  expect "the add-in for 64-bit Word is installed" cmp "$root/build/win64/tallyweave.dll" "$installed/x64/tallyweave.dll"
  expect "the add-in for 32-bit Word is installed" cmp "$root/build/win32/tallyweave.dll" "$installed/x86/tallyweave.dll"
  expect "the uninstaller is installed" test -f "$installed/uninstall.exe"
  check_installed "$version"

  copy_classes_to_machine
  invoice_job_test "$work/invoice" "the installed add-in"

  # A Word that keeps the add-in loaded for 40 s: the installer waits 30 s for it, then gives up, with the
  # installed version left as it was.
  wine_run "$host" --out "$work/held" --wait 40000 >"$work/held.log" 2>&1 &
  local holder=$!
  for _ in $(seq 100); do
    grep -q '^start-up with add-ins took' "$work/held.log" && break
    sleep 0.2
  done
  local status=0
  start=$(milliseconds)
  wine_run "$setup_exe" /S || status=$?
  local held_ms=$(($(milliseconds) - start))
  if [ "$status" -eq 2 ] && [ "$held_ms" -ge 29000 ]; then
    pass "an installer started while Word holds the add-in waits for it, then fails (exit 2 after $held_ms ms)"
  else
    fail "an installer started while Word holds the add-in waits for it, then fails (exit $status after $held_ms ms)"
  fi
  expect "the held add-in stays installed" cmp "$root/build/win64/tallyweave.dll" "$installed/x64/tallyweave.dll"
  check_installed "$version" "after the upgrade that gave up"
  wait "$holder" || true

  remove_machine_classes
  expect "the uninstaller removes the add-in silently (/S)" uninstall_and_wait
  check_nothing_left
  echo "# installer: $(stat -c %s "$setup_exe") bytes; install $install_ms ms, uninstall $uninstall_ms ms under wine64"
  stop_wine
  wine_locale=
}

# The update's road ends installed: the installed add-in downloads the later installer from the service
# stand-in, starts it without arguments and quits Word; the installer waits for Word to let go of the DLL,
# replaces it, and the add-in then reports the new version.
update_test() {
  echo "# The update from $setup_exe to $next_setup under wine64:"
  local work=$root/build/setup/update next version_number
  next=$(built_version "$root/build/win64-next")
  version_number=$(echo "$next" | awk -F. '{ print $1 * 1000 + $2 * 100 + $3 }')
  rm -rf "$work" && mkdir -p "$work/temp" "$work/out"
  stop_wine
  wine_locale=nl_NL.UTF-8
  find_install_folder
  remove_installation
  expect "the installed version is set up" wine_run "$setup_exe" /S
  copy_classes_to_machine

  if ! start_service "$work/service.log" --installer "$next_setup"; then
    fail "the service stand-in starts"
    return
  fi
  write_template_job "$service_port" "$work/temp/twDocTemplate.tmp"
  # Message boxes get windows (answered by the host) and the installer's progress window can show.
  wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  stop_wine
  wine_run "$host" --temp "$work/temp" --out "$work/out" --click "Menu Bar > Tallyweave > Update Connector" \
    --wait 2000 >"$work/wine.log" 2>&1 || true
  cat "$work/wine.log"
  # The installer runs on after Word has quit: wait for the last Windows process to end.
  local start
  start=$(milliseconds)
  timeout 120 wineserver -w >/dev/null 2>&1 || true
  echo "# the installer finished $(($(milliseconds) - start)) ms after Word quit"
  stop_service
  cat "$work/service.log"
  expect "the service handed out the later installer" grep -q '^GET /twUpdate.exe: 200$' "$work/service.log"
  expect "Word quit for the update" \
    grep -q '^message box: Microsoft Word wordt nu afgesloten zodat de update kan worden geinstalleerd.' "$work/wine.log"
  expect "the later add-in replaced the installed one" \
    cmp "$root/build/win64-next/tallyweave.dll" "$installed/x64/tallyweave.dll"
  check_installed "$next" "after the update"

  remove_machine_classes
  copy_classes_to_machine
  printf 'WScript.Echo CreateObject("Tallyweave.plugin").getTwVersion()\r\n' >"$work/version.vbs"
  local reported
  reported=$(wine_run cscript //nologo "$(wine_run winepath -w "$work/version.vbs" 2>/dev/null | tr -d '\r')" 2>/dev/null |
    tr -d '\r')
  if [ "$reported" = "$version_number" ]; then
    pass "the installed add-in reports the new version (getTwVersion $reported)"
  else
    fail "the installed add-in reports the new version (getTwVersion '$reported', expected $version_number)"
  fi

  wine_run reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  remove_installation
  stop_wine
  wine_locale=
}
