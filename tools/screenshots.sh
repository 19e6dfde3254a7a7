#!/usr/bin/env bash
# Builds Quillmere and saves screenshots of its main window into docs/:
#   docs/server_tab.png    the server tab
#   docs/private_chat.png  a private chat with encryption switched on
#   docs/channel.png       a channel with its user list open
#   docs/directory.png     the channel directory on a cached listing
#   docs/preferences.png   the preferences dialog
#   docs/scale_100.png, docs/scale_200.png
#                          a private chat on a screen at 100 % and at 200 %
# Arguments choose the groups (default all): main, dialogs, scale.
# No IRC server is needed: the program's "--demo-tabs[=server|private]" start
# option fills the tabs with sample lines, "--demo-dialog=..." opens a dialog. The program runs under Xvfb in a
# Wine virtual desktop, in a Wine prefix of its own that uses the X11 driver.
#
# Needs: xvfb, xauth, imagemagick (tools/bootstrap.sh installs the rest).
# Optional: SCREENSHOT_DISPLAY (X display number, default 77), SETTLE_SECONDS.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cryptopp=$(bash "$QUILLMERE_ROOT/tools/bootstrap.sh" | tail -n 1)
quillmere_build "$cryptopp" Quillmere
groups=${*:-main dialogs scale}
wanted() { [[ " $groups " == *" $1 "* ]]; }

for tool in Xvfb import convert; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (apt-get install xvfb imagemagick)" >&2; exit 1; }
done

display=":${SCREENSHOT_DISPLAY:-77}"
settle=${SETTLE_SECONDS:-8}
docs="$QUILLMERE_ROOT/docs"
shots="$QUILLMERE_BUILD/shots"
mkdir -p "$docs" "$shots/Settings" "$shots/Downloads"
cp "$QUILLMERE_BUILD/Quillmere.exe" "$shots/"
# Pictures only: nothing should listen for incoming files meanwhile.
printf '[preferences]\r\nallow_receive_files=false\r\n' >"$shots/Settings/Settings.ini"

# Large enough for the window at 200 %.
Xvfb "$display" -screen 0 3200x1800x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
export DISPLAY=$display
export WINEPREFIX="$QUILLMERE_BUILD/wine-shots"
cleanup() {
  wineserver -k 2>/dev/null || true  # this prefix's own processes only
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
sleep 2
quillmere_wine_prefix "$WINEPREFIX"

# One start per picture: each selects its tab after building the window.
# DESKTOP (default 1600x900) is the size of the Wine desktop it runs in.
shoot() {
  local option=$1 name=$2 desktop=${DESKTOP:-1600x900}
  (cd "$shots" && wine explorer /desktop=Shots,"$desktop" "$shots/Quillmere.exe" "$option" \
    >/dev/null 2>&1 </dev/null) &
  local program=$!
  sleep "$settle"
  import -display "$display" -window root "$shots/root.png"
  # The virtual desktop sits at the screen's top left; the window is the part
  # of it that differs from the desktop's plain background.
  convert "$shots/root.png" -crop "$desktop+0+0" +repage -fuzz 2% -trim +repage "$docs/$name"
  wineserver -k 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  echo "saved docs/$name ($(identify -format '%wx%h' "$docs/$name"))"
}

if wanted main; then
  shoot --demo-tabs=server server_tab.png
  shoot --demo-tabs=private private_chat.png
  shoot --demo-tabs channel.png
fi

if wanted dialogs; then
  # The channel directory, offline, on a cached listing of stored server 1, and
  # the preferences dialog.
  {
    printf '[preferences]\r\nallow_receive_files=false\r\n[servers]\r\nserver_name_1=irc.example.net\r\n'
  } >"$shots/Settings/Settings.ini"
  {
    printf '[channels]\r\n'
    n=0
    for row in "#linux 412 Everything about the penguin" "#music 87 Share what you listen to" \
               "#chess 23 Correspondence games every Sunday" "#privacy 156 Encryption, keys and good habits" \
               "#python 298 Ask your question, don't ask to ask" "#photography 41 Light, lenses and walks" \
               "#cooking 9 Recipes from everywhere" "#astronomy 64 Clear skies tonight?" \
               "#books 35 Reading club: this month a classic" "#gardening 12 Seeds, soil and patience"; do
      read -r channel users topic <<<"$row"
      printf 'channel_%d=%s\r\nusers_%d=%s\r\ndescription_%d=%s\r\n' "$n" "$channel" "$n" "$users" "$n" "$topic"
      n=$((n + 1))
    done
  } >"$shots/Settings/irc.example.net.ini"
  shoot --demo-dialog=directory directory.png
  shoot --demo-dialog=preferences preferences.png
fi

# The same private chat on a screen at 100 % and at 200 %: Wine takes the
# scale from LogPixels when the program starts, so 200 % has a prefix of its own.
if wanted scale; then
  printf '[preferences]\r\nallow_receive_files=false\r\n' >"$shots/Settings/Settings.ini"
  shoot --demo-tabs=private scale_100.png
  wineserver -k 2>/dev/null || true
  export WINEPREFIX="$QUILLMERE_BUILD/wine-shots-200"
  quillmere_wine_prefix "$WINEPREFIX"
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1 </dev/null
  wineserver -w
  DESKTOP=3100x1700 shoot --demo-tabs=private scale_200.png
fi
