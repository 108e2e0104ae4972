#!/bin/sh
# Builds the C consumer as a Makefile would, with pkg-config against an install prefix, and
# runs it: pkgconfig.sh PREFIX OUTPUT [compiler flags...]
set -eu
prefix=$1
output=$2
shift 2
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name varkesh.pc)")
export PKG_CONFIG_PATH
libdir=$(pkg-config --variable=libdir varkesh)
# shellcheck disable=SC2046 # pkg-config's output is a list of words
cc "$@" "$(dirname "$0")/c_consumer.c" $(pkg-config --cflags --libs varkesh) \
  -Wl,-rpath,"$libdir" -o "$output"
"$output"
