#!/usr/bin/env bash
# Builds the Windows add-in for both kinds of Word, build/win32/tallyweave.dll (i686, 32-bit Word) and
# build/win64/tallyweave.dll (x86_64, 64-bit Word), and checks them under a headless Wine: registration,
# every member by name, the Word host for Wine (src/win32/host) running the invoice's document job, the
# editor's road and the spool daemon through the DLL. Installs the cross toolchains and Wine itself.
# Idempotent; needs root (or sudo).
#
# The x86_64 DLL is checked under wine64 on every machine. The i686 DLL is checked under 32-bit Wine only
# where the machine can execute 32-bit x86 programs (a tiny static i386 program is the probe); elsewhere it is
# checked statically (PE32 machine type, exports, imports, embedded type library) and the script says which
# checks it skipped and why. Every check prints "ok - ..." or "not ok - ...", and the script always ends with
# a line "N passed, M failed".
#
# Usage: scripts/windows.sh [install|build|test]   (default: all three)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
step="${1:-all}"

# The script's output, for notes from inside checks whose own output is discarded.
exec 3>&1
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() { failed=$((failed + 1)); echo "not ok - $1"; }
summary_printed=
summary() {
  summary_printed=yes
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
# Whatever stops the script, it ends with its count line.
trap '[ -n "$summary_printed" ] || { fail "the checks ran to their end (stopped early)"; summary; }' EXIT

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
# run_step <description> <log> <command...>: a step that the checks after it need. On failure it says which
# step failed, with its exit status and the end of its log.
run_step() {
  local what=$1 log=$2
  shift 2
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1
  local status=$?
  if [ "$status" -eq 0 ]; then
    pass "$what"
    return 0
  fi
  fail "$what (exit $status; the end of $log follows)"
  tail -n 20 "$log" | sed 's/^/#   /'
  return 1
}
# Counts the "ok" / "not ok" lines a check program printed.
count_results() {
  local log=$1
  cat "$log"
  passed=$((passed + $(grep -c '^ok - ' "$log" || true)))
  failed=$((failed + $(grep -c '^not ok - ' "$log" || true)))
  if grep -q '^# done' "$log"; then pass "$(basename "$log" .log) ran to its end"; else fail "$(basename "$log" .log) ran to its end"; fi
}

# The installer: its build and its checks.
source scripts/windows-installer.sh

# ---- The machine -------------------------------------------------------------------------------------------

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Installs the Debian packages given that are missing.
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  timeout 600 "${sudo_cmd[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive timeout 1800 "${sudo_cmd[@]}" apt-get install -y -qq \
      --no-install-recommends "${missing[@]}"
}

# Whether this machine executes 32-bit x86 programs: a static i386 program is built and run. Sets run32
# (yes or no) and why32 (the reason when no). TW_ASSUME_32BIT=yes|no overrides the answer, to try the other
# road of this script on one machine.
probe_32bit() {
  if [ -n "${TW_ASSUME_32BIT:-}" ]; then
    run32=$TW_ASSUME_32BIT
    why32="TW_ASSUME_32BIT=$TW_ASSUME_32BIT was given"
    return
  fi
  local dir=$root/build/probe32
  mkdir -p "$dir"
  printf 'int main(void) { return 0; }\n' >"$dir/probe.c"
  run32=no
  if ! gcc -m32 -static "$dir/probe.c" -o "$dir/probe" >"$dir/build.log" 2>&1; then
    why32="a static 32-bit program cannot be built here ($(head -n 1 "$dir/build.log"))"
    return
  fi
  "$dir/probe" >"$dir/run.log" 2>&1
  local status=$?
  if [ "$status" -eq 0 ]; then
    run32=yes
    why32=
  else
    why32="a static 32-bit program does not run here (exit $status: $(head -n 1 "$dir/run.log" | sed 's/.*: //'))"
  fi
}

common_packages=(cmake ninja-build gcc-multilib g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 wine64-tools libwine-dev nsis)
# Only where 32-bit programs run: 32-bit Wine, and the i386 libraries of the 32-bit Word host.
i386_packages=(wine32:i386 libwine-dev:i386 g++-multilib libminizip-dev:i386 libdeflate-dev:i386
  libpugixml-dev:i386 libxml2-dev:i386 zlib1g-dev:i386)

install_packages() {
  run_step "the Linux build's packages are installed" "$root/build/windows-install.log" \
    bash scripts/install-deps.sh || return 1
  run_step "the cross toolchains, Wine and NSIS are installed" "$root/build/windows-install.log" \
    install_missing "${common_packages[@]}" || return 1
  probe_32bit
  [ "$run32" = yes ] || return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  run_step "32-bit Wine and the i386 libraries are installed" "$root/build/windows-install.log" \
    install_missing "${i386_packages[@]}"
}

# ---- Building ----------------------------------------------------------------------------------------------

build_dll() {  # build_dll <bits>
  local preset=win$1
  run_step "the $1-bit add-in is built (build/$preset/tallyweave.dll)" "$root/build/$preset.log" \
    bash -c "timeout 300 cmake --preset $preset && timeout 1200 cmake --build --preset $preset -j2 \
      --target tallyweave com_checks http_checks installer_probe file_watch_checks"
}

# The Word host for Wine of the given bitness, over the embedded Word built for it.
host_dir_of() { if [ "$1" = 32 ]; then echo "$root/build/wine-host"; else echo "$root/build/wine-host$1"; fi; }
build_host() {  # build_host <bits>
  local dir
  dir=$(host_dir_of "$1")
  local pkgconfig=
  [ "$1" = 32 ] && pkgconfig=/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig
  run_step "the $1-bit Word host is built" "$root/build/wine-host$1.log" \
    bash -c "${pkgconfig:+PKG_CONFIG_LIBDIR=$pkgconfig }timeout 300 cmake -S src/win32/host -B '$dir' -G Ninja \
      -DTW_HOST_BITS=$1 && timeout 1200 cmake --build '$dir' -j2 --target word_host"
}

build_all() {
  # The Linux program: the service stand-in, the connector writer and the job compared with.
  run_step "the Linux program is built" "$root/build/linux.log" \
    bash -c "timeout 300 cmake --preset default && timeout 1200 cmake --build --preset default -j2 --target tallyweave" ||
    return 1
  build_dll 32
  build_dll 64
  build_host 64
  [ "$run32" = yes ] && build_host 32
  run_step "the installer is built (build/setup/tallyweave-setup.exe)" "$root/build/setup.log" build_setup
  # The update's round trip installs a later release over this one.
  run_step "a later release's installer is built (build/setup-next/tallyweave-setup.exe)" \
    "$root/build/setup-next.log" build_next_setup
  return 0
}

# ---- Checks of a DLL as a file ----------------------------------------------------------------------------

check_binary() {  # check_binary <bits>
  local bits=$1 dll=$root/build/win$1/tallyweave.dll prefix format
  if [ "$bits" = 32 ]; then prefix=i686-w64-mingw32 format=pei-i386; else prefix=x86_64-w64-mingw32 format=pei-x86-64; fi
  echo "# Checks of build/win$bits/tallyweave.dll as a file:"
  if [ ! -f "$dll" ]; then
    fail "the $bits-bit DLL exists"
    return
  fi
  local dump=$root/build/win$bits/objdump.txt
  "$prefix-objdump" -p "$dll" >"$dump"
  expect "the $bits-bit DLL is a $format image" grep -q "file format $format\$" "$dump"
  local exports
  exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF } on && !/^\t\[/ { on = 0 }' "$dump" | sort | tr '\n' ' ')
  if [ "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]; then
    pass "the $bits-bit DLL exports exactly the four Dll functions"
  else
    fail "the $bits-bit DLL exports exactly the four Dll functions (got: $exports)"
  fi
  local system_dlls='^(advapi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32|gdi32|gdiplus|comctl32|shlwapi|version)\.dll$'
  local others
  others=$(awk '/DLL Name:/ { print tolower($3) }' "$dump" | grep -Ev "$system_dlls" | tr '\n' ' ' || true)
  if [ -z "$others" ]; then pass "the $bits-bit DLL imports only Windows system DLLs"; else fail "the $bits-bit DLL imports $others"; fi
  # The type library travels inside the DLL as a TYPELIB resource (a file that starts with "MSFT").
  local resources=$root/build/win$bits/rsrc.bin
  "$prefix-objcopy" -O binary --only-section=.rsrc "$dll" "$resources"
  expect "the $bits-bit DLL embeds its type library" grep -q 'MSFT' "$resources"
  expect "the $bits-bit DLL names the type library resource" grep -qaP 'T\x00Y\x00P\x00E\x00L\x00I\x00B\x00' "$resources"
}

# ---- Wine of one bitness -----------------------------------------------------------------------------------

# use_wine <bits>: every Wine call from now on goes to the loader of that bitness and to the prefix of that
# build. Debian's `wine` prefers the 32-bit loader whenever it is installed, so the loader is named directly.
use_wine() {
  bits=$1
  build_dir=$root/build/win$bits
  dll=$build_dir/tallyweave.dll
  host_dir=$(host_dir_of "$bits")
  host=$host_dir/word_host.exe.so
  if [ "$bits" = 32 ]; then
    wine_loader=/usr/lib/wine/wine
    export WINEARCH=win32
  else
    wine_loader=/usr/lib/wine/wine64
    export WINEARCH=win64
  fi
  export WINELOADER=$wine_loader WINEPREFIX=$build_dir/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}
# Every Wine step is bounded; output goes to files, since a wineserver left running keeps pipes open.
# wine_locale, when set, is the Unix locale of every Wine process (from which Wine takes the user's locale).
wine_locale=
wine_run() { timeout 120 env ${wine_locale:+LC_ALL=$wine_locale} "$wine_loader" "$@" </dev/null; }
windows_path() { wine_run winepath -w "$1" 2>/dev/null | tr -d '\r'; }
stop_wine() { timeout 60 wineserver -k >/dev/null 2>&1 || true; }
# reg_present <key> [/ve | /v <name>]: the key (or value) is there. Under a loaded machine Wine's reg.exe has
# now and then failed to answer for a key that is there; a failed query is shown and asked once more, so
# only a key that is truly missing fails the check.
reg_present() {
  local reg_out=$build_dir/reg.out
  wine_run reg query "$@" >"$reg_out" 2>&1 && return 0
  echo "# reg query $* failed once: $(tr -d '\r' <"$reg_out" | head -n 3 | tr '\n' ' ')" >&3
  sleep 1
  wine_run reg query "$@" >"$reg_out" 2>&1
}
reg_value() {  # reg_value <key> <value name|/ve>: the data of a registry value
  if [ "$2" = /ve ]; then reg_present "$1" /ve; else reg_present "$1" /v "$2"; fi || return 1
  tr -d '\r' <"$build_dir/reg.out" | awk '/REG_(SZ|DWORD)/ { sub(/^.*REG_(SZ|DWORD)[ \t]+/, ""); print; exit }'
}
value_is() {  # value_is <key> <value name|/ve> <expected data>
  [ "$(reg_value "$1" "$2")" = "$3" ]
}

start_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    run_step "a $bits-bit Wine prefix is made" "$build_dir/wineboot.log" timeout 300 "$wine_loader" wineboot -i ||
      return 1
    timeout 60 wineserver -w || true
  fi
}

clsid='{4E2CAB3B-668E-4DF4-9AB6-C70672ECB74C}'
libid='{FEBAFB51-6BF4-42C3-BA33-CF494EB1A13F}'
classes='HKCU\Software\Classes'
addin_key='HKCU\Software\Microsoft\Office\Word\Addins\Tallyweave.plugin'
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

# Registration, the COM client's checks and the script's checks, then the removal.
registration_test() {
  echo "# Checks of $dll under $bits-bit Wine:"
  local dll_path
  dll_path=$(windows_path "$dll")
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
  expect "the Word add-in's FriendlyName is Tallyweave" value_is "$addin_key" FriendlyName Tallyweave
  expect "the Word add-in's Description is Tallyweave" value_is "$addin_key" Description Tallyweave
  expect "the Word add-in's LoadBehavior is 3" value_is "$addin_key" LoadBehavior 0x3
  # Wine registers type libraries for the whole machine, where Windows writes them per user; the type
  # library is registered for the system kind of the Word that loads this DLL.
  expect "the type library is registered for win$bits" \
    reg_present "HKLM\\Software\\Classes\\TypeLib\\$libid\\1.0\\0\\win$bits"
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
  scratch=$(windows_path "$build_dir/vbs-scratch")
  wine_run cscript //nologo "$(windows_path "$root/tests/win32/plugin.vbs")" "$scratch" "$version" >"$log" 2>&1 || true
  count_results "$log"

  remove_machine_classes
  expect "regsvr32 /u unregisters the DLL" wine_run regsvr32 /s /u "$dll_path"
  expect_not "the CLSID key is gone" wine_run reg query "$classes\\CLSID\\$clsid"
  expect_not "the ProgID key is gone" wine_run reg query "$classes\\Tallyweave.plugin"
  expect_not "the Word add-in key is gone" wine_run reg query "$addin_key"
  expect_not "the type library registration is gone" wine_run reg query "HKLM\\Software\\Classes\\TypeLib\\$libid"
  stop_wine
}

# A Wine session for a Dutch user (nl-NL, as the Linux session works) with the add-in registered. Wine
# keeps the user's locale in the registry and every process rewrites it from its own Unix locale: all
# processes of the session, from a new wineserver on, get the same one. Sets dll_path.
start_dutch_session_with_addin() {
  stop_wine
  wine_locale=nl_NL.UTF-8
  dll_path=$(windows_path "$dll")
  wine_run regsvr32 /s "$dll_path"
  copy_classes_to_machine
}

end_dutch_session_with_addin() {
  remove_machine_classes
  wine_run regsvr32 /s /u "$dll_path" >/dev/null 2>&1 || true
  stop_wine
  wine_locale=
}

tallyweave=$root/build/default/src/tallyweave

# The same main text in two documents, each read by the Word host.
same_text() {  # same_text <a.docx> <b.docx> <work folder>
  [ -f "$1" ] && [ -f "$2" ] &&
    wine_run "$host" --text "$1" >"$3/a.txt" 2>/dev/null &&
    wine_run "$host" --text "$2" >"$3/b.txt" 2>/dev/null &&
    cmp -s "$3/a.txt" "$3/b.txt"
}

# The invoice's document job through the registered add-in in the Word host, against the same job on Linux.
invoice_job_test() {  # invoice_job_test <work folder> <which add-in, for the check's name>
  local work=$1
  rm -rf "$work" && mkdir -p "$work/temp" "$work/linux" "$work/wine"
  touch "$work/temp/twDebug.tmp"
  timeout 60 "$tallyweave" connector --json "$root/examples/invoice/invoice.json" --out "$work/temp/twDoc.tmp"
  cp -r "$work/temp" "$work/temp-linux"
  timeout 120 "$tallyweave" word --temp "$work/temp-linux" --out "$work/linux" >"$work/linux.log" 2>&1
  local started
  started=$(date +%s%N)
  wine_run "$host" --temp "$work/temp" --out "$work/wine" >"$work/wine.log" 2>&1 || true
  echo "# the job in the Word host took $((($(date +%s%N) - started) / 1000000)) ms"
  cat "$work/wine.log"
  local linux_doc
  linux_doc=$(find "$work/linux" -name '*.docx' | head -1)
  expect "the invoice job through $2 in the Word host gives the Linux text" \
    same_text "$linux_doc" "$work/wine/$(basename "$linux_doc")" "$work"
}

host_test() {
  echo "# The invoice job through $dll in the $bits-bit Word host:"
  local dll_path
  start_dutch_session_with_addin
  invoice_job_test "$host_dir/invoice" "the DLL"
  end_dutch_session_with_addin
}

# Starts the service stand-in in the background (bounded by `timeout`) with the given options; sets
# service_pid and service_port.
start_service() {
  local log=$1
  shift
  timeout 300 "$tallyweave" service "$@" >"$log" 2>&1 &
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
  timeout 60 "$tallyweave" connector --json "$2.json" --out "$2"
}

# The editor's road through the DLL in the Word host: a merge field from the add-in's menu (the host's
# command bar raises Click through the connection point the DLL subscribed), the upload of the template
# over MSXML2.XMLHTTP with the password typed into the upload form's window, and the update: the installer
# downloaded over the MSXML 6.0 request class, started, and Word closed. Wine's null graphics driver gives
# the message boxes and forms windows, which the host answers. Then an upload form closed instead, and the
# same clicks against a service that is not there, which end in the add-in's error messages.
template_test() {
  echo "# A template job through $dll in the $bits-bit Word host:"
  local work=$host_dir/template
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
  timeout 120 "$tallyweave" word --temp "$work/linux/temp" --out "$work/linux/out" \
    --script "$work/linux/session.txt" >"$work/linux.log" 2>&1 || true

  local dll_path
  start_dutch_session_with_addin
  wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  stop_wine

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
  if same_text "$work/linux/out/factuur.docx" "$work/store/factuur.docx" "$work" && grep -q "klant_naam" "$work/b.txt"; then
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

  # Nothing listens on the discard port: both requests fail, and the add-in says so. Wine's request objects
  # finish a refused request only at their time limit, which the add-in's key shortens here.
  write_template_job 9 "$work/unreachable/temp/twDocTemplate.tmp"
  wine_run reg add "$addin_key" /v HttpTimeout /t REG_DWORD /d 2000 /f >/dev/null 2>&1
  wine_run "$host" --temp "$work/unreachable/temp" --out "$work/unreachable" \
    --click "Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan" --click "Menu Bar > Tallyweave > Update Connector" \
    --wait 200 >"$work/unreachable.log" 2>&1 || true
  cat "$work/unreachable.log"
  expect "an unreachable upload ends in the upload's error message" grep -q \
    -E '^message box: Er is een fout opgetreden bij het verzenden van het sjabloon. / Neem contact met de uitgever van deze software. / Foutcode: (-21466972[0-9][0-9]|-2147012894): .* / StatusCode: 6.1$' \
    "$work/unreachable.log"
  expect "an unreachable download ends in the update's error message" grep -q \
    -E '^message box: Er is een fout opgetreden bij het downloaden van de updaet / Neem contact met de uitgever van deze software. / Foutcode: (-21466972[0-9][0-9]|-2147012894): .* / StatusCode: 5.1$' \
    "$work/unreachable.log"

  # A service that accepts and never answers: the upload ends at its (shortened) time limit in the same
  # message.
  mkdir -p "$work/silent/temp"
  if start_service "$work/silent.log" --answer slow; then
    write_template_job "$service_port" "$work/silent/temp/twDocTemplate.tmp"
    wine_run "$host" --temp "$work/silent/temp" --out "$work/silent" \
      --click "Menu Bar > Tallyweave > Sjabloon 'Factuur' opslaan" --wait 200 >"$work/silent.log.wine" 2>&1 || true
    stop_service
    cat "$work/silent.log.wine"
    expect "an upload to a service that never answers ends at its time limit in the upload's error message" grep -q \
      '^message box: Er is een fout opgetreden bij het verzenden van het sjabloon. / Neem contact met de uitgever van deze software. / Foutcode: -2147012894: The operation timed out / StatusCode: 6.1$' \
      "$work/silent.log.wine"
  else
    fail "the service stand-in that never answers starts"
  fi

  wine_run reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  end_dutch_session_with_addin
}

# The add-in's HTTP requests against a service that accepts and never answers (they end at their time
# limit, which the add-in's key shortens), one that serves an installer, and a port where nothing listens;
# the redirect rule against the service's redirects and against a stand-in of MSXML 6.0's request object.
http_test() {
  echo "# The HTTP requests of $dll under $bits-bit Wine:"
  local work=$build_dir/http slow_pid slow_port
  rm -rf "$work" && mkdir -p "$work"
  if ! start_service "$work/slow.log" --answer slow; then
    fail "the service stand-in that never answers starts"
    return
  fi
  slow_pid=$service_pid slow_port=$service_port
  if ! start_service "$work/serving.log" --installer "$build_dir/tests/installer_probe.exe"; then
    fail "the service stand-in that serves an installer starts"
    kill "$slow_pid" 2>/dev/null
    return
  fi
  wine_run "$build_dir/tests/http_checks.exe" "$slow_port" 9 "$service_port" \
    "$(windows_path "$build_dir/tests/installer_probe.exe")" >"$work/http_checks.log" 2>&1 || true
  stop_service
  kill "$slow_pid" 2>/dev/null || true
  wait "$slow_pid" 2>/dev/null || true
  count_results "$work/http_checks.log"
  stop_wine
}

# The user interface's file watch, which wakes the daemon when its status file changes: the check program
# built from the DLL's sources watches a file in a fresh folder of Wine's TEMP.
file_watch_test() {
  echo "# The file watch of $dll's user interface under $bits-bit Wine:"
  local log=$build_dir/file_watch_checks.log
  wine_run "$build_dir/tests/file_watch_checks.exe" >"$log" 2>&1 || true
  count_results "$log"
  stop_wine
}

# Waits up to 60 s until the status file holds `want`.
status_becomes() {  # status_becomes <status file> <want>
  for _ in $(seq 600); do
    [ "$(cat "$1" 2>/dev/null)" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# The spool daemon through the DLL: the add-in's form polls the status file on its Win32 timer, merges the
# job the service left in the spool folder, saves it, prints it to the .prn, answers the status file, sets a
# bad job aside with " 3", and quits Word on 15.
daemon_test() {
  echo "# The spool daemon through $dll in the $bits-bit Word host:"
  local work=$host_dir/daemon
  rm -rf "$work" && mkdir -p "$work/temp" "$work/base/pidfiles" "$work/base/documents/spool" "$work/out"
  local dll_path
  start_dutch_session_with_addin
  local base status spool=$work/base/documents/spool
  base=$(windows_path "$work/base")
  status=$work/base/pidfiles/officeDaemon
  printf '%s\\' "$base" >"$work/temp/twDaemon.tmp"
  touch "$work/temp/twDebug.tmp"
  wine_run "$host" --temp "$work/temp" --out "$work/out" --wait 100000 >"$work/wine.log" 2>&1 &
  local word_pid=$!
  expect "the daemon starts and reports  0" status_becomes "$status" " 0"

  timeout 60 "$tallyweave" connector --json examples/invoice/invoice.json --out "$spool/docData"
  printf ' 1' >"$status"
  expect "the daemon runs the job and reports  0" status_becomes "$status" " 0"
  expect "the job's document is saved in the base folder" test -s "$work/base/factuur-2026-001.doc"
  expect "the job's document is printed to the .prn" test -s "$spool/factuur-2026-001.prn"
  expect "the job file is taken" test ! -e "$spool/docData"

  printf 'not a job file' >"$spool/docData"
  printf ' 1' >"$status"
  expect "a job file that is not one is answered with  3" status_becomes "$status" " 3"

  printf '15' >"$status"
  local quit=
  for _ in $(seq 300); do
    kill -0 "$word_pid" 2>/dev/null || { quit=yes; break; }
    sleep 0.1
  done
  wait "$word_pid" 2>/dev/null
  cat "$work/wine.log"
  if [ -n "$quit" ]; then pass "15 makes Word quit"; else fail "15 makes Word quit"; fi
  expect_not "the status file is removed when the daemon ends" test -e "$status"
  end_dutch_session_with_addin
}

# Everything that runs under Wine, for the DLL of one bitness.
wine_checks() {  # wine_checks <bits>
  use_wine "$1"
  if [ ! -f "$dll" ] || [ ! -f "$host" ]; then
    fail "the $1-bit Wine checks have their DLL and Word host (a build step above failed)"
    return
  fi
  start_prefix || return
  registration_test
  http_test
  file_watch_test
  host_test
  template_test
  daemon_test
  [ "$bits" = 64 ] || return
  setup_exe=$root/build/setup/tallyweave-setup.exe
  next_setup=$root/build/setup-next/tallyweave-setup.exe
  if [ -f "$setup_exe" ]; then installer_test; else fail "the installer exists (its build failed above)"; fi
  if [ -f "$next_setup" ]; then update_test; else fail "the later release's installer exists (its build failed above)"; fi
}

# ---- The steps ---------------------------------------------------------------------------------------------

run32=unknown
why32=
case "$step" in
  install | all) install_packages || { summary; exit; } ;;
  *) probe_32bit ;;
esac
case "$step" in
  build | all) build_all || { summary; exit; } ;;
esac
case "$step" in
  test | all)
    check_binary 32
    check_binary 64
    wine_checks 64
    if [ "$run32" = yes ]; then
      wine_checks 32
    else
      echo "# skipped: the 32-bit Wine checks of build/win32/tallyweave.dll, because $why32;" \
        "the 32-bit DLL was checked as a file above and the same checks ran against the 64-bit DLL"
    fi
    ;;
esac
summary
