#!/usr/bin/env bash
# The desktop tests of a KDE session (tests/ui/kde_session_test.cpp) on a real X display: the
# session's kdeglobals holds a full dark colour scheme and a 15-point font, which Qt reads as
# it does for KDE, not a palette or font set by the test.
#   kde_session_test.sh TEST_UI_PROGRAM
set -u
test_ui=$(realpath "$1")
source "$(dirname "$0")/xvfb_session.sh"
start_session
cp "$(dirname "$0")/kde/kdeglobals" "$XDG_CONFIG_HOME/kdeglobals"
export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 QT_QPA_PLATFORM=xcb PICTORB_KDE_SESSION=1
"$test_ui" --gtest_filter='KdeSession.*' 2>&1 | grep -v "qt.qpa.theme.dbus\|DBus"
exit "${PIPESTATUS[0]}"
