#!/bin/sh
# Starts the window, or says in one line why it cannot.
exe="$1"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ] && [ -z "$QT_QPA_PLATFORM" ]; then
  echo "tessavo: no display (DISPLAY is not set); run it in a desktop session or under xvfb-run" >&2
  exit 1
fi
exec "$exe"
