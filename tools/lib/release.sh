# Sourced. The one home of what goes with each Debian release the project
# supports: its code name and the Firebird it ships (one engine per machine:
# the client library, the embedded engine and the server come from the same
# Firebird). Everything else asks these functions instead of spelling out a
# version.

# The release of this machine (12 or 13), or a message and failure.
release_here() {
  local VERSION_ID="" PRETTY_NAME=""
  # shellcheck disable=SC1091
  . /etc/os-release
  case "$VERSION_ID" in
    12 | 13) echo "$VERSION_ID" ;;
    *) echo "Debian 12 or 13 is needed, this is ${PRETTY_NAME:-unknown}" >&2; return 1 ;;
  esac
}

# release_codename 12|13: bookworm or trixie.
release_codename() {
  case "$1" in
    12) echo bookworm ;;
    13) echo trixie ;;
    *) echo "no Debian release $1 here (12 or 13)" >&2; return 1 ;;
  esac
}

# release_firebird 12|13: the Firebird version the release ships, as its
# package names write it (firebird3.0-server, /usr/lib/firebird/4.0).
release_firebird() {
  case "$1" in
    12) echo 3.0 ;;
    13) echo 4.0 ;;
    *) echo "no Debian release $1 here (12 or 13)" >&2; return 1 ;;
  esac
}
