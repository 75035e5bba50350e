#!/usr/bin/env bash
# velt.exe upload under Wine against the loopback nginx of the uploader's
# tests (tests/upload/nginx_fixture.sh), in three steps that ctest runs as
# a fixture:
#
#   upload_test.sh start WORK    starts the service in the background and
#                                returns once it answers (FIXTURES_SETUP)
#   upload_test.sh run WORK EMULATOR... VELT_EXE
#                                uploads a small bundle with the test CA and
#                                checks that the service stored it
#   upload_test.sh stop WORK     stops the service by its process id and
#                                removes WORK (FIXTURES_CLEANUP)
set -euo pipefail

step=${1:?usage: upload_test.sh start|run|stop WORK [EMULATOR... VELT_EXE]}
work=${2:?usage: upload_test.sh start|run|stop WORK [EMULATOR... VELT_EXE]}
shift 2
fixture=$(cd "$(dirname "$0")/../upload" && pwd)/nginx_fixture.sh

# Drive Z: of Wine is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

case $step in
  start)
    rm -rf "$work" && mkdir -p "$work/service"
    # Detached from ctest's output pipes, which ctest waits on.
    setsid bash "$fixture" "$work/service" </dev/null >"$work/service.log" 2>&1 &
    echo $! >"$work/service.pid"
    while [ ! -f "$work/service/fixture.env" ]; do
      if ! kill -0 "$(cat "$work/service.pid")" 2>/dev/null; then
        cat "$work/service.log" >&2
        echo "FAIL: the upload service did not start" >&2
        exit 1
      fi
      sleep 0.2
    done
    ;;
  run)
    [ "$#" -ge 1 ] || { echo "usage: upload_test.sh run WORK EMULATOR... VELT_EXE" >&2; exit 2; }
    # shellcheck disable=SC1091 # written by the fixture: KEY=VALUE lines
    . "$work/service/fixture.env"
    bundle=$work/velt-wine-upload.zip
    printf 'a bundle from velt.exe under Wine\n' >"$bundle"
    if ! VELT_UPLOAD_SECRET=$PASSWORD "$@" upload "$(windows_path "$bundle")" --user "$USER_NAME" \
        --secret-env VELT_UPLOAD_SECRET --host "127.0.0.1:$PORT_GOOD" \
        --ca-file "$(windows_path "$CA_FILE")" -q </dev/null >"$work/upload.out" 2>&1; then
      cat "$work/upload.out"
      echo "FAIL: velt.exe upload failed"
      exit 1
    fi
    cmp "$bundle" "$UPLOAD_DIR/velt-wine-upload.zip" ||
      { cat "$work/upload.out"; echo "FAIL: the service did not store the bundle as sent"; exit 1; }
    grep -q "^PUT /home/velt-wine-upload.zip 201 .* user=$USER_NAME " "$ACCESS_LOG" ||
      { cat "$ACCESS_LOG"; echo "FAIL: the access log shows no authenticated PUT"; exit 1; }
    echo "velt.exe uploaded the bundle"
    ;;
  stop)
    if [ -f "$work/service.pid" ]; then
      # The fixture stops nginx by its pid on SIGTERM, and then exits.
      pid=$(cat "$work/service.pid")
      kill -TERM "$pid" 2>/dev/null || true
      while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    fi
    rm -rf "$work"
    ;;
  *)
    echo "usage: upload_test.sh start|run|stop WORK [EMULATOR... VELT_EXE]" >&2
    exit 2
    ;;
esac
