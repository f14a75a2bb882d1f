#!/usr/bin/env bash
# Every program that CI's scripts call comes from a package that the project's
# own set-up installs: CI runs on a new machine, where a program that was only
# ever installed by hand is missing, while a machine someone worked on hides
# the gap. Run after the scripts have run (the end of .ci/run), so that every
# group of tools/setup.sh that they asked for is installed.
#
# Reads each script with a real shell parser (shfmt) and takes the name of
# every command it calls with a literal name (behind sudo, env, exec, xargs…
# too), and every program CMake looks for with find_program. A name that is not
# a shell builtin or keyword, nor a function of the scripts, must be found on
# PATH, in a package that is Priority: required (a minimal Debian has it) or
# that the packages of tools/setup.sh's groups bring in.
set -euo pipefail
shopt -s inherit_errexit
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash tools/setup.sh checks

mapfile -t scripts < <({ echo .ci/run; git ls-files -- '*.sh'; } | grep -v -e '^packaging/' -e '^debian/')
mapfile -t cmake_files < <(git ls-files -- 'CMakeLists.txt' '*/CMakeLists.txt' '*.cmake')

# One line per call, "call", its command's name and where it is called, and
# one per function the script defines, "function" and its name.
read_script() {
  local tree
  tree=$(shfmt --to-json <"$1") || { echo "check-commands: shfmt cannot read $1" >&2; return 1; }
  jq -r --arg file "$1" '
    def word: if (.Parts | length) == 1 and .Parts[0].Type == "Lit" then .Parts[0].Value else null end;
    def wrapped: ["sudo", "exec", "env", "nohup", "nice", "time", "fakeroot", "xargs"];
    def command_of($words):
      if ($words | length) == 0 or $words[0] == null then empty
      elif $words[0] == "command" then empty
      elif $words[0] == "env" and $words[1] == "-u" then command_of(["env"] + $words[3:])
      elif (wrapped | index([$words[0]])) then
        command_of($words[1:] | until(length == 0 or .[0] == null or
          ((.[0] | startswith("-") or test("^[A-Za-z_][A-Za-z0-9_]*=")) | not); .[1:]))
      elif $words[0] == "chroot" then command_of($words[2:])
      else $words[0] end;
    .. | objects
      | if .Type? == "FuncDecl" then "function\t\(.Name.Value)"
        elif .Type? == "CallExpr" and .Args != null then
          command_of([.Args[] | word]) as $name | "call\t\($name)\t\($file):\(.Pos.Line)"
        else empty end' <<<"$tree"
}

read_scripts=$(for f in "${scripts[@]}"; do read_script "$f"; done)
calls=$(sed -n 's/^call\t//p' <<<"$read_scripts"
  sed -nE 's/.*find_program\([A-Za-z_]+ +([A-Za-z0-9_.+-]+).*/\1/p' "${cmake_files[@]}" |
    while read -r name; do printf '%s\tfind_program in CMake\n' "$name"; done)
known=$(
  compgen -b
  compgen -k
  sed -n 's/^function\t//p' <<<"$read_scripts"
)

# The packages the set-up installs, with everything they depend on.
mapfile -t wanted < <(bash tools/setup.sh --list build test package roots checks)
brought=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${wanted[@]}" 2>/dev/null | sed -n 's/^\([a-z0-9][^ :]*\).*/\1/p' | sort -u)

# Each name, where Debian's own folders have it: a machine may put stand-ins in
# /usr/local that a new one lacks.
declare -A path_of package_of priority_of
names=()
failed=0
while IFS=$'\t' read -r name where; do
  [[ "$name" == */* || "$name" == *'$'* ]] && continue
  grep -qxF -- "$name" <<<"$known" && continue
  names+=("$name")
  if path=$(PATH=/usr/sbin:/usr/bin:/sbin:/bin command -v -- "$name"); then
    path_of[$name]=$path
  else
    echo "check-commands: $name ($where) is not installed: no group of tools/setup.sh installs it" >&2
    failed=1
  fi
done < <(sort -u -t$'\t' -k1,1 <<<"$calls")

# dpkg knows a file by the path its package wrote, which on a merged /usr may
# be /bin/… for /usr/bin/…, or the target of an alternative's link.
candidates=()
for name in "${names[@]}"; do
  path=${path_of[$name]:-}
  [ -n "$path" ] || continue
  candidates+=("$path" "$(realpath "$path")" "${path#/usr}" "/usr$path")
done
while IFS= read -r line; do
  [[ "$line" == *": /"* ]] || continue
  package=${line%%: /*}
  file=/${line#*: /}
  package_of[$file]=${package%%[,:]*}
done < <(dpkg-query -S "${candidates[@]}" 2>/dev/null || true)
while read -r package priority; do
  priority_of[$package]=$priority
done < <(dpkg-query -W -f='${Package} ${Priority}\n')

checked=0
for name in "${names[@]}"; do
  path=${path_of[$name]:-}
  [ -n "$path" ] || continue
  checked=$((checked + 1))
  package=""
  for alt in "$path" "$(realpath "$path")" "${path#/usr}" "/usr$path"; do
    package=${package_of[$alt]:-}
    [ -z "$package" ] || break
  done
  if [ -z "$package" ]; then
    echo "check-commands: $name is $path, which no Debian package installed" >&2
    failed=1
  elif [ "${priority_of[$package]:-}" != required ] && ! grep -qxF -- "$package" <<<"$brought"; then
    echo "check-commands: $name comes from $package, which no group of tools/setup.sh installs" >&2
    failed=1
  fi
done

((failed)) && exit 1
echo "check-commands: the $checked programs the scripts call come from packages the set-up installs"
