# Sourced by the Wine scripts: the lanes of a build tree's Wine tests. Tests
# that change what the installation tests compare (they install, start the
# installer or write below C:\) never share a prefix with each other. Each
# lane is a prefix of its own with its own display and wineserver, so that
# two such tests run at once, one per lane; CTest hands out the lanes
# (cmake/WineTests.cmake). Lane 1 is WINE_DIR itself and also runs every
# test that needs no lane; lane N is WINE_DIR-laneN, a copy of the first.

# qw_lane_dir WINE_DIR N
qw_lane_dir() {
  if [ "$2" -eq 1 ]; then echo "$1"; else echo "$1-lane$2"; fi
}

# qw_lane_numbers WINE_DIR: 1 and the number of every other lane that
# exists beside it.
qw_lane_numbers() {
  local dir
  echo 1
  for dir in "$1"-lane*; do
    [ -d "$dir" ] && echo "${dir##*-lane}"
  done | sort -n
}
