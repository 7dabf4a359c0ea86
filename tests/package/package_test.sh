#!/usr/bin/env bash
# The Debian package: built with CPack, its contents checked, lintian and desktop-file-validate
# run, then unpacked into a scratch root (dpkg -x) from which TavoCCTV and TavoPreview start under
# Xvfb with the virtual camera, each making the user's program folder on its first start.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
source=$(cd "${2:?source folder}" && pwd)
work=$(mktemp -d /tmp/tavo-package-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [[ -s $work/app.log ]] && sed 's/^/  app: /' "$work/app.log" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null || fail "cpack"
deb=$(ls "$work"/out/tavo_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/TavoCCTV ./usr/bin/TavoPreview ./usr/bin/snaplauncher ./usr/bin/tavo-settings ./usr/bin/tavo-mailtest \
  ./usr/share/tavo/Image_Eng/Main/main_bg.bmp ./usr/share/tavo/Image_Jpn/Bg/TavoCCTV_bg.bmp \
  ./usr/share/tavo/Image/Bg/TavoCCTV_bg.bmp ./usr/share/tavo/TavoPreviewHelp_Eng.html \
  ./usr/share/tavo/TAVOCCTVHELP_ENG.html ./usr/share/applications/tavocctv.desktop \
  ./usr/share/applications/tavopreview.desktop ./usr/share/applications/snaplauncher.desktop \
  ./usr/share/icons/hicolor/48x48/apps/tavocctv.png ./usr/share/icons/hicolor/256x256/apps/tavopreview.png \
  ./usr/libexec/tavo/tavo-user-setup ./usr/share/doc/tavo/copyright \
  ./etc/xdg/autostart/tavo-user-setup.desktop; do
  grep -qxF "$path" "$work/contents" || fail "$path is not in the package"
done
if grep -E '/(Temp|CCTV_Image|SaveJpg)(/|$)|^\./usr/local' "$work/contents"; then
  fail "the package carries a user's files or /usr/local"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libgstreamer1.0-0 gstreamer1.0-plugins-good gstreamer1.0-plugins-base \
  libjpeg62-turbo libsqlite3-0; do
  [[ $depends == *"$need"* ]] || fail "the package does not depend on $need"
done
# Every library a program links comes from a package the package depends on.
dpkg-deb -x "$deb" "$work/linked"
for program in "$work"/linked/usr/bin/*; do
  for lib in $(objdump -p "$program" | awk '/NEEDED/ {print $2}'); do
    path=$(/sbin/ldconfig -p | awk -v lib="$lib" '$1 == lib && !seen {print $NF; seen = 1}')
    [[ -n $path ]] || continue
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null || true)
    owner=${owner%%:*}
    [[ -z $owner || $depends == *"$owner"* ]] ||
      fail "$(basename "$program") links $lib of $owner, which the package does not depend on"
  done
done
lintian --fail-on error,warning "$deb" 2>&1 | grep -v 'root privileges' >"$work/lintian" || true
[[ ! -s $work/lintian ]] || { cat "$work/lintian" >&2; fail "lintian"; }
for entry in "$source"/packaging/*.desktop; do desktop-file-validate "$entry" || fail "$entry"; done
grep -q '^NoDisplay=true' "$source/packaging/snaplauncher.desktop" || fail "snaplauncher shows in menus"

root=$work/root
dpkg -x "$deb" "$root"
autostart=$root/etc/xdg/autostart/tavo-user-setup.desktop
desktop-file-validate "$autostart" || fail "$autostart"
grep -qx 'Exec=/usr/libexec/tavo/tavo-user-setup' "$autostart" || fail "the autostart entry runs something else"
home=$work/home
mkdir -p "$home/Pictures" "$home/elsewhere"

display=""
for n in $(seq 191 240); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  if [[ -e /tmp/.X11-unix/X$n ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[[ -n $display ]] || fail "no free X display"
mkdir -m 700 "$work/runtime"
export DISPLAY=$display HOME=$home XDG_RUNTIME_DIR=$work/runtime TAVO_VIRTUAL_CAMERA=1
export LANG=en_US.UTF-8 LC_ALL=
unset XDG_DATA_HOME XDG_CONFIG_HOME TAVO_REGISTRY

# The per-user set-up writes the launcher's settings once.
"$root/usr/libexec/tavo/tavo-user-setup" || fail "tavo-user-setup"
[[ $("$root/usr/bin/tavo-settings" get 'Software\Kolbrant\TavoPreview_Info' TavoPath) == *"$root/usr/bin/TavoPreview"* ]] ||
  fail "TavoPath was not written"

user=$home/.local/share/tavo
for program in TavoCCTV TavoPreview; do
  title=$program
  [[ $program == TavoPreview ]] && title='TavoPreview 2.0'
  [[ $program == TavoCCTV ]] && title='TAVO CCTV 2.0'
  (cd "$home/elsewhere" && exec "$root/usr/bin/$program") >"$work/app.log" 2>&1 &
  app_pid=$!
  timeout 20 xdotool search --sync --name "^$title\$" >/dev/null || fail "$program did not open"
  # A box titled with the program's name would say the skins were not found.
  (($(xdotool search --onlyvisible --name "^$program\$" 2>/dev/null | wc -l) == 0)) || fail "$program showed a box"
  [[ -d $user/Image_Eng/Main && -d $user/Temp && -d $user/CCTV_Image ]] || fail "$program made no program folder"
  [[ $(readlink "$home/Pictures/TavoCCTV") == "$user/CCTV_Image" ]] || fail "no recordings in Pictures"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  [[ $program == TavoCCTV ]] && rm -rf "$user" "$home/Pictures/TavoCCTV"
done
echo "PASS: package contents, dependencies, lintian, desktop entries; both programs start from the unpacked package with a per-user program folder"
