# Sourced by the Windows build scripts, which build Debian's own source packages for Windows.
#   debian_source SPEC WORK
# fetches the source package SPEC ("qt6-base=6.4.2+dfsg-10"; a bare name takes the suite's
# version) and unpacks it into WORK/src, through a private apt configuration in WORK/apt:
# bookworm's archive with deb-src entries (the versions these scripts build are bookworm's,
# whatever this machine runs; its security and point-release updates come with it), its own lists
# and cache, nothing written to /etc/apt or /var/lib/apt. apt checks every file of the package
# against the signed archive index; dpkg-source checks them again against the .dsc while
# unpacking, and applies Debian's patches. A tree already unpacked for SPEC is kept; another is
# replaced, while the package's files already fetched stay (apt takes a file that is there when
# its size and SHA-256 are the archive's). When the archive does not give every file, the files
# are named (size and SHA-256) with the folder to put them in, and the function returns 2.

# The private apt configuration in WORK/apt, its lists brought up to date; sets apt_opts.
debian_apt() {
  local apt_dir=$1/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/etc"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  cat > "$apt_dir/etc/sources.list" <<LIST
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
LIST
  apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/etc/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
  apt-get "${apt_opts[@]}" -q update
}

debian_source() {
  local spec=$1 work=$2
  local src=$work/src
  [ "$(cat "$src/.unpacked" 2>/dev/null)" != "$spec" ] || return 0
  mkdir -p "$src"
  echo "Fetching the source package $spec"
  debian_apt "$work"
  rm -f "$src/.unpacked"
  find "$src" -mindepth 1 -maxdepth 1 -type d -exec rm -rf {} +
  if ! (cd "$src" && apt-get "${apt_opts[@]}" -q source "$spec"); then
    echo "The archive did not give every file of the source package $spec." >&2
    echo "Put these files (name, size in bytes, SHA-256) into $src and run this again:" >&2
    (cd "$src" && apt-get "${apt_opts[@]}" -q source --print-uris "$spec") | sed -n "s/^'[^']*' /  /p" >&2
    return 2
  fi
  echo "$spec" >"$src/.unpacked"
}

#   debian_upstream SPEC WORK
# takes only the upstream part of the source package SPEC (its .orig tarball), for a package
# whose Debian part the archive does not give: the tarball is checked against the SHA-256 the
# signed archive index gives for it and unpacked into WORK/src, without Debian's changes.
debian_upstream() {
  local spec=$1 work=$2
  local src=$work/src
  [ "$(cat "$src/.unpacked" 2>/dev/null)" != "upstream $spec" ] || return 0
  mkdir -p "$src"
  echo "Fetching the upstream source of $spec"
  debian_apt "$work"
  # Asked from an empty folder, so that apt lists the tarball even when it is here already.
  local uri name size sum empty
  empty=$(mktemp -d)
  read -r uri name size sum < <(cd "$empty" && apt-get "${apt_opts[@]}" -q source --print-uris "$spec" |
    sed -n "s/^'\([^']*\.orig\.tar\.[a-z0-9]*\)' \([^ ]*\) \([0-9]*\) SHA256:\([0-9a-f]*\)$/\1 \2 \3 \4/p")
  rmdir "$empty"
  [ -n "${sum:-}" ] || { echo "No upstream tarball of $spec in the archive's index" >&2; return 1; }
  rm -f "$src/.unpacked"
  find "$src" -mindepth 1 -maxdepth 1 -type d -exec rm -rf {} +
  if ! echo "$sum  $src/$name" | sha256sum -c --quiet - 2>/dev/null; then
    curl -fsS -o "$src/$name" "$uri" || { echo "The archive did not give $name" >&2; return 2; }
    echo "$sum  $src/$name" | sha256sum -c --quiet - || { echo "$name is not the archive's" >&2; return 1; }
  fi
  tar -xf "$src/$name" -C "$src"
  echo "upstream $spec" >"$src/.unpacked"
}
