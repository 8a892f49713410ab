#!/usr/bin/env bash
# Builds the Windows add-in build/win32/tallyweave.dll with mingw-w64 (i686) and checks it under a
# headless Wine. Installs the cross toolchain and Wine itself. Idempotent; needs root (or sudo).
# The Word host for Wine (src/win32/host) then runs the invoice's document job through the DLL and compares
# its text with the same job on Linux.
# Usage: scripts/windows.sh [install|build|test]   (default: all three)
#        scripts/windows.sh host                   only the Word host and its job (installs and builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
step="${1:-all}"

# Installs the Debian packages given that are missing (adds the i386 architecture first).
install_missing() {
  local sudo_cmd=() missing=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    timeout 600 "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive timeout 1800 "${sudo_cmd[@]}" apt-get install -y -qq \
      --no-install-recommends "${missing[@]}"
  fi
}

install_packages() {
  install_missing cmake ninja-build g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686 \
    wine wine32:i386 libwine-dev:i386
}

build() {
  timeout 300 cmake --preset win32 >/dev/null
  timeout 1200 cmake --build --preset win32 -j2 --target tallyweave com_checks installer_probe
}

# ---- Checks under Wine ------------------------------------------------------------------------------

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() { failed=$((failed + 1)); echo "not ok - $1"; }
expect() {  # expect <description> <command...>: the command succeeds
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then pass "$what"; else fail "$what"; fi
}
expect_not() {  # expect_not <description> <command...>: the command fails
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then fail "$what"; else pass "$what"; fi
}
# Counts the "ok" / "not ok" lines a check program printed.
count_results() {
  local log=$1
  cat "$log"
  passed=$((passed + $(grep -c '^ok - ' "$log" || true)))
  failed=$((failed + $(grep -c '^not ok - ' "$log" || true)))
  if grep -q '^# done' "$log"; then pass "$(basename "$log" .log) ran to its end"; else fail "$(basename "$log" .log) ran to its end"; fi
}

build_dir=$root/build/win32
dll=$build_dir/tallyweave.dll
export WINEPREFIX=$build_dir/wine-prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Every Wine step is bounded; output goes to files, since a wineserver left running keeps pipes open.
# wine_locale, when set, is the Unix locale of every Wine process (from which Wine takes the user's locale).
wine_locale=
wine_run() { timeout 120 env ${wine_locale:+LC_ALL=$wine_locale} wine "$@" </dev/null; }
reg_value() {  # reg_value <key> <value name|/ve>: the data of a registry value
  local out=$build_dir/reg.out
  if [ "$2" = /ve ]; then wine_run reg query "$1" /ve >"$out" 2>&1 || return 1
  else wine_run reg query "$1" /v "$2" >"$out" 2>&1 || return 1; fi
  tr -d '\r' <"$out" | awk '/REG_(SZ|DWORD)/ { sub(/^.*REG_(SZ|DWORD)[ \t]+/, ""); print; exit }'
}
value_is() {  # value_is <key> <value name|/ve> <expected data>
  [ "$(reg_value "$1" "$2")" = "$3" ]
}

clsid='{4E2CAB3B-668E-4DF4-9AB6-C70672ECB74C}'
# Wine's COM reads classes only from HKLM: the harness, never the DLL, copies them there.
copy_classes_to_machine() {
  for key in "CLSID\\$clsid" Tallyweave.plugin; do
    wine_run reg copy "HKCU\\Software\\Classes\\$key" "HKLM\\Software\\Classes\\$key" /s /f >/dev/null 2>&1
  done
}
remove_machine_classes() {
  for key in "CLSID\\$clsid" Tallyweave.plugin; do
    wine_run reg delete "HKLM\\Software\\Classes\\$key" /f >/dev/null 2>&1 || true
  done
}

check_binary() {
  local dump=$build_dir/objdump.txt
  i686-w64-mingw32-objdump -p "$dll" >"$dump"
  local exports
  exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF } on && !/^\t\[/ { on = 0 }' "$dump" | sort | tr '\n' ' ')
  if [ "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]; then
    pass "the DLL exports exactly the four Dll functions"
  else
    fail "the DLL exports exactly the four Dll functions (got: $exports)"
  fi
  local system_dlls='^(advapi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32|gdi32|gdiplus|comctl32|shlwapi|version)\.dll$'
  local others
  others=$(awk '/DLL Name:/ { print tolower($3) }' "$dump" | grep -Ev "$system_dlls" | tr '\n' ' ' || true)
  if [ -z "$others" ]; then pass "the DLL imports only Windows system DLLs"; else fail "the DLL imports $others"; fi
}

windows_test() {
  echo "Checks of $dll under Wine:"
  check_binary
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >"$build_dir/wineboot.log" 2>&1 || true
    timeout 60 wineserver -w || true
  fi
  local dll_path libid='{FEBAFB51-6BF4-42C3-BA33-CF494EB1A13F}'
  dll_path=$(timeout 60 winepath -w "$dll" 2>/dev/null)
  local classes='HKCU\Software\Classes' addin='HKCU\Software\Microsoft\Office\Word\Addins\Tallyweave.plugin'

  # A clean slate: no registration and no graphics driver left from an earlier run.
  wine_run regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true
  wine_run reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  remove_machine_classes

  expect "regsvr32 registers the DLL" wine_run regsvr32 /s "$dll_path"
  expect "CLSID names the ProgID" value_is "$classes\\CLSID\\$clsid" /ve Tallyweave.plugin
  expect "InprocServer32 is the DLL" value_is "$classes\\CLSID\\$clsid\\InprocServer32" /ve "$dll_path"
  expect "ThreadingModel is Apartment" value_is "$classes\\CLSID\\$clsid\\InprocServer32" ThreadingModel Apartment
  expect "CLSID\\ProgID is Tallyweave.plugin" value_is "$classes\\CLSID\\$clsid\\ProgID" /ve Tallyweave.plugin
  expect "CLSID\\TypeLib is the Tallyweave library" value_is "$classes\\CLSID\\$clsid\\TypeLib" /ve "$libid"
  expect "the ProgID names the CLSID" value_is "$classes\\Tallyweave.plugin\\CLSID" /ve "$clsid"
  expect "the Word add-in's FriendlyName is Tallyweave" value_is "$addin" FriendlyName Tallyweave
  expect "the Word add-in's Description is Tallyweave" value_is "$addin" Description Tallyweave
  expect "the Word add-in's LoadBehavior is 3" value_is "$addin" LoadBehavior 0x3
  # Wine registers type libraries for the whole machine, where Windows writes them per user.
  expect "the type library is registered" wine_run reg query "HKLM\\Software\\Classes\\TypeLib\\$libid\\1.0"
  for itf in '{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}' '{000C0396-0000-0000-C000-000000000046}'; do
    expect_not "Office's interface $itf is not registered over" wine_run reg query "HKLM\\Software\\Classes\\Interface\\$itf"
    expect_not "Office's interface $itf is not registered per user" wine_run reg query "$classes\\Interface\\$itf"
  done

  copy_classes_to_machine

  local log=$build_dir/com_checks.log
  wine_run "$build_dir/tests/com_checks.exe" >"$log" 2>&1 || true
  count_results "$log"

  log=$build_dir/plugin_vbs.log
  local version scratch
  version=$(sed -nE 's/^project\(tallyweave VERSION ([0-9]+)\.([0-9]+)\.([0-9]+).*/\1 \2 \3/p' "$root/CMakeLists.txt" |
    awk '{ print $1 * 1000 + $2 * 100 + $3 }')
  scratch=$(timeout 60 winepath -w "$build_dir/vbs-scratch" 2>/dev/null)
  wine_run cscript //nologo "$(timeout 60 winepath -w "$root/tests/win32/plugin.vbs" 2>/dev/null)" "$scratch" "$version" \
    >"$log" 2>&1 || true
  count_results "$log"

  remove_machine_classes
  expect "regsvr32 /u unregisters the DLL" wine_run regsvr32 /s /u "$dll_path"
  expect_not "the CLSID key is gone" wine_run reg query "$classes\\CLSID\\$clsid"
  expect_not "the ProgID key is gone" wine_run reg query "$classes\\Tallyweave.plugin"
  expect_not "the Word add-in key is gone" wine_run reg query "$addin"
  expect_not "the type library registration is gone" wine_run reg query "HKLM\\Software\\Classes\\TypeLib\\$libid"
  timeout 60 wineserver -k >/dev/null 2>&1 || true
}

# The Word host: a 32-bit Winelib program over the embedded Word, built against Debian's i386 libraries.
host_packages=(wine64-tools g++-multilib libzip-dev:i386 libdeflate-dev:i386 libpugixml-dev:i386 libxml2-dev:i386 zlib1g-dev:i386)
host_dir=$root/build/wine-host

install_host_packages() {
  install_missing "${host_packages[@]}"
}

build_host() {
  # The Linux program whose job the host's result is compared with.
  timeout 300 cmake --preset default >/dev/null
  timeout 1200 cmake --build --preset default -j2 --target tallyweave
  PKG_CONFIG_LIBDIR=/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig \
    timeout 300 cmake -S src/win32/host -B "$host_dir" -G Ninja >/dev/null
  timeout 1200 cmake --build "$host_dir" -j2 --target word_host
}

# A Wine session for a Dutch user (nl-NL, as the Linux session works) with the add-in registered. Wine
# keeps the user's locale in the registry and every process rewrites it from its own Unix locale: all
# processes of the session, from a new wineserver on, get the same one. Sets dll_path.
start_dutch_session_with_addin() {
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  wine_locale=nl_NL.UTF-8
  dll_path=$(timeout 60 env LC_ALL=$wine_locale winepath -w "$dll" 2>/dev/null)
  wine_run regsvr32 /s "$dll_path"
  copy_classes_to_machine
}

end_dutch_session_with_addin() {
  remove_machine_classes
  wine_run regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  wine_locale=
}

# The invoice's document job through the DLL in the Word host, against the same job on Linux.
host_test() {
  echo "The invoice job through $dll in the Word host:"
  local work=$host_dir/invoice host=$host_dir/word_host.exe.so
  rm -rf "$work" && mkdir -p "$work/temp" "$work/linux" "$work/wine"
  touch "$work/temp/twDebug.tmp"
  timeout 60 build/default/src/tallyweave connector --json examples/invoice/invoice.json --out "$work/temp/twDoc.tmp"
  cp -r "$work/temp" "$work/temp-linux"
  timeout 120 build/default/src/tallyweave word --temp "$work/temp-linux" --out "$work/linux" >"$work/linux.log" 2>&1
  local dll_path
  start_dutch_session_with_addin
  wine_run "$host" --temp "$work/temp" --out "$work/wine" >"$work/wine.log" 2>&1 || true
  cat "$work/wine.log"
  local linux_doc wine_doc
  linux_doc=$(ls "$work/linux"/*.docx | head -1)
  wine_doc="$work/wine/$(basename "$linux_doc")"
  if [ -f "$wine_doc" ] &&
    wine_run "$host" --text "$linux_doc" >"$work/linux.txt" 2>/dev/null &&
    wine_run "$host" --text "$wine_doc" >"$work/wine.txt" 2>/dev/null &&
    cmp -s "$work/linux.txt" "$work/wine.txt"; then
    pass "the invoice job through the DLL in the Word host gives the Linux text"
  else
    fail "the invoice job through the DLL in the Word host gives the Linux text"
  fi
  end_dutch_session_with_addin
}

# Starts the service stand-in in the background (bounded by `timeout`) with the given options; sets
# service_pid and service_port.
start_service() {
  local log=$1
  shift
  timeout 300 build/default/src/tallyweave service "$@" >"$log" 2>&1 &
  service_pid=$!
  service_port=
  for _ in $(seq 100); do
    service_port=$(sed -nE 's|.*listening on http://127\.0\.0\.1:([0-9]+).*|\1|p' "$log")
    [ -n "$service_port" ] && return 0
    sleep 0.1
  done
  return 1
}

stop_service() {
  kill "$service_pid" 2>/dev/null || true
  wait "$service_pid" 2>/dev/null || true
}

# The template job of examples/template with the upload and the update at the service stand-in on `port`,
# an upload without credentials (unless `credentials` is given) and an update on offer.
write_template_job() {  # write_template_job <port> <job file> [credentials]
  local upload="127.0.0.1:$1" installer="http://127.0.0.1:$1/twUpdate.exe" credentials=false
  [ "${3:-}" = credentials ] && credentials=true
  sed -e "s|\.\./invoice/|$root/examples/invoice/|g" -e "s|127\.0\.0\.1:8080|$upload|" \
    -e "s|\"authorization_required\": true|\"authorization_required\": $credentials|" \
    -e "s|\"max_upload_size\": 5|\"max_upload_size\": 5, \"latest_version\": \"9999\", \"update_exe_location\": \"$installer\"|" \
    examples/template/template.json >"$2.json"
  timeout 60 build/default/src/tallyweave connector --json "$2.json" --out "$2"
}

# The editor's road through the DLL in the Word host: a merge field from the add-in's menu (the host's
# command bar raises Click through the connection point the DLL subscribed), the upload of the template
# over MSXML2.XMLHTTP with the password typed into the upload form's window, and the update: the installer
# downloaded over the MSXML 6.0 request class, started, and Word closed. Wine's null graphics driver gives
# the message boxes and forms windows, which the host answers. Then an upload form closed instead, and the
# same clicks against a service that is not there, which end in the add-in's error messages.
template_test() {
  echo "A template job through $dll in the Word host:"
  local work=$host_dir/template host=$host_dir/word_host.exe.so
  rm -rf "$work" && mkdir -p "$work/temp" "$work/store" "$work/wine" "$work/linux/temp" "$work/linux/out" \
    "$work/unreachable/temp" "$work/credentials/temp"
  cp "$build_dir/tests/installer_probe.exe" "$work/installer.exe"
  if ! start_service "$work/service.log" --installer "$work/installer.exe" --store "$work/store" \
    --user jan --password geheim; then
    fail "the service stand-in starts"
    return
  fi
  write_template_job "$service_port" "$work/temp/twDocTemplate.tmp" credentials
  # The merge field inserted on Linux, for comparison.
  write_template_job "$service_port" "$work/linux/temp/twDocTemplate.tmp"
  local field="Menu Bar > Tallyweave > Veld invoegen > Klant > Naam"
  echo "click $field" >"$work/linux/session.txt"
  timeout 120 build/default/src/tallyweave word --temp "$work/linux/temp" --out "$work/linux/out" \
    --script "$work/linux/session.txt" >"$work/linux.log" 2>&1 || true

  local dll_path
  start_dutch_session_with_addin
  wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  timeout 60 wineserver -k >/dev/null 2>&1 || true

  wine_run "$host" --temp "$work/temp" --out "$work/wine" --password geheim --click "$field" \
    --click "Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan" --wait 2000 \
    --click "Menu Bar > Tallyweave > Update Connector" --wait 2000 >"$work/wine.log" 2>&1 || true
  cat "$work/wine.log"
  # With credentials asked for, the upload form waits in its window; the user closes it.
  write_template_job "$service_port" "$work/credentials/temp/twDocTemplate.tmp" credentials
  wine_run "$host" --temp "$work/credentials/temp" --out "$work/credentials" \
    --click "Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan" --wait 500 >"$work/credentials.log" 2>&1 || true
  cat "$work/credentials.log"
  stop_service
  cat "$work/service.log"
  if [ -f "$work/store/factuur.docx" ] &&
    wine_run "$host" --text "$work/linux/out/factuur.docx" >"$work/linux.txt" 2>/dev/null &&
    wine_run "$host" --text "$work/store/factuur.docx" >"$work/wine.txt" 2>/dev/null &&
    cmp -s "$work/linux.txt" "$work/wine.txt" && grep -q "klant_naam" "$work/wine.txt"; then
    pass "the merge-field button's Click inserts the field (the uploaded template has the Linux text)"
  else
    fail "the merge-field button's Click inserts the field (the uploaded template has the Linux text)"
  fi
  expect "the password is typed into the upload form's window and Opslaan pressed" \
    grep -q "^form: typed the password, pressed Opslaan$" "$work/wine.log"
  expect "the upload over MSXML2.XMLHTTP with the credentials is accepted by the service" \
    grep -q '^POST /upload: ok$' "$work/service.log"
  expect "the add-in says the template was saved" grep -q '^message box: Het sjabloon is opgeslagen$' "$work/wine.log"
  expect "the update asks before it downloads" grep -q '^message box: Bij het updaten van de Tallyweave' "$work/wine.log"
  expect "the downloaded installer is saved and Word is to close" \
    grep -q '^message box: Microsoft Word wordt nu afgesloten zodat de update kan worden geinstalleerd.' "$work/wine.log"
  local ran=
  for _ in $(seq 100); do
    [ -f "$work/installer.ran" ] && ran=yes && break
    sleep 0.1
  done
  if [ -n "$ran" ]; then pass "the installer downloaded over MSXML 6.0 runs"; else fail "the installer downloaded over MSXML 6.0 runs"; fi
  expect_not "Word quits without saving the template" test -e "$work/wine/factuur.docx"
  expect "the upload form asking for credentials is a window" grep -q '^form: Sjaboon opslaan$' "$work/credentials.log"
  expect "closing the upload form's window hides it" grep -q '^form gone: Sjaboon opslaan$' "$work/credentials.log"
  expect "a closed upload form sends nothing" test "$(grep -c '^POST' "$work/service.log")" = 1

  # Nothing listens on the discard port: both requests fail, and the add-in says so.
  write_template_job 9 "$work/unreachable/temp/twDocTemplate.tmp"
  wine_run "$host" --temp "$work/unreachable/temp" --out "$work/unreachable" \
    --click "Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan" --click "Menu Bar > Tallyweave > Update Connector" \
    --wait 200 >"$work/unreachable.log" 2>&1 || true
  cat "$work/unreachable.log"
  expect "an unreachable upload ends in the upload's error message" grep -q \
    '^message box: Er is een fout opgetreden bij het verzenden van het sjabloon. / Neem contact met de uitgever van deze software. / Foutcode: -21466972[0-9][0-9]: .* / StatusCode: 6.1$' \
    "$work/unreachable.log"
  expect "an unreachable download ends in the update's error message" grep -q \
    '^message box: Er is een fout opgetreden bij het downloaden van de updaet / Neem contact met de uitgever van deze software. / Foutcode: -21466972[0-9][0-9]: .* / StatusCode: 5.1$' \
    "$work/unreachable.log"

  wine_run reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  end_dutch_session_with_addin
}

summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

case "$step" in
  install | all | host)
    install_packages
    install_host_packages
    bash scripts/install-deps.sh
    ;;
esac
case "$step" in
  build | all | host)
    build
    build_host
    ;;
esac
case "$step" in
  test | all)
    windows_test
    host_test
    template_test
    summary
    ;;
  host)
    host_test
    template_test
    summary
    ;;
esac
