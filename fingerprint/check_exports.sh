#!/bin/sh
# The library exports exactly the thirteen FPS functions and nothing else.
set -eu
expected="FPSCheckDuplicatedId
FPSClearFPDB
FPSGetEngineParam
FPSGetRegistedNum
FPSIdentifyFP
FPSInitializeEngine
FPSLoadFPDB
FPSRegisterFP
FPSRemoveFP
FPSSaveFPDB
FPSSearchFP
FPSSetEngineParam
FPSTerminateEngine"
actual=$(nm -D --defined-only "$1" | awk '{print $NF}' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $1 differ:" >&2
  printf '%s\n' "$actual" >&2
  exit 1
fi
