# Sourced by the Windows scripts: `use_wine_prefix DIR` makes DIR the Wine prefix, so that the
# user's ~/.wine is left alone, silences Wine's chatter and its offer to install Mono or Gecko
# (which the programs do not need), and sets the prefix up on its first use (some ten seconds).
use_wine_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$WINEPREFIX" ]; then
    echo "Setting up the Wine prefix $WINEPREFIX"
    # Its notes about the 32-bit half of Wine, which a 64-bit program does not use, are dropped.
    wine wineboot --init 2>/dev/null
  fi
}

# The Windows name of the Linux path $1 (made absolute), on the drive Z: that every prefix maps to
# the root. Worked out here rather than by `winepath`, which starts Wine for it and can hand back
# nothing while the Wine server of the previous program is shutting down.
windows_path() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}
