#!/bin/bash
# Renders an HTML run report in headless Chromium (Debian's chromium): checks the rendered DOM (the verdict, a chart
# per rate as <svg> with its line, no script) and saves a screenshot beside it as an artefact.
# Usage: tools/check-report.sh REPORT.html VERDICT [CHARTS]   (CHARTS: how many charts at least, default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
report=$(realpath "${1:?usage: check-report.sh REPORT.html VERDICT [CHARTS]}")
verdict="${2:?usage: check-report.sh REPORT.html VERDICT [CHARTS]}"
charts="${3:-1}"

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# A fresh profile and nothing that reaches the network: the report must render from the file alone.
flags=(--headless --disable-gpu --no-first-run --disable-background-networking --disable-component-update
    --disable-sync --disable-extensions --user-data-dir="$profile")
if [[ $(id -u) -eq 0 ]]; then
    flags+=(--no-sandbox)
fi

dom="${report%.html}.dom.html"
screenshot="${report%.html}.png"
timeout 60 chromium "${flags[@]}" --dump-dom "file://$report" >"$dom" 2>/dev/null
/usr/bin/python3 tests/report/check_report_dom.py "$dom" "$verdict" "$charts"
rm -f "$screenshot"
timeout 60 chromium "${flags[@]}" --hide-scrollbars --window-size=1280,2400 --screenshot="$screenshot" \
    "file://$report" >/dev/null 2>&1
if [[ ! -s "$screenshot" ]]; then
    echo "no screenshot of $report" >&2
    exit 1
fi
echo "$(basename "$report"): $verdict with its charts rendered; screenshot $screenshot"
