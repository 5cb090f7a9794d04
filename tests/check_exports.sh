#!/bin/sh
# The ELF plug-in's dynamic symbol table defines the seven exports and
# nothing else of ours.
set -eu
lib=$1
expected="SDLL_EngineConfig
SDLL_Init
SDLL_InitCall
SDLL_LaunchMultiplayer
SDLL_LoadConfiguration
SDLL_MultiplayerFinished
SDLL_Verification"
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBbRr]$/ {print $3}' | sed 's/@.*//' | sort)
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from the seven SDLL_* functions:"
  printf '%s\n' "$actual"
  exit 1
fi
echo "exports: $(echo "$actual" | tr '\n' ' ')"
