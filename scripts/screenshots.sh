#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/ on the demo workspace: the
# screenshot journey (the program with its real dialogs, driven by keys and
# clicks as a user drives it) under a virtual display, the test that also
# checks the pictures. Needs a build (make build) and Xvfb.
# SCALE=1.5 takes them with Qt scaled one and a half times.
set -euo pipefail
cd "$(dirname "$0")/.."
FZARC_SHOTS=docs/screenshots FZARC_SHOT_WORKSPACE=build/demo \
  bash tests/qt/screenshot-journey.sh build/bin/screenshot_journey "${SCALE:-1}"
