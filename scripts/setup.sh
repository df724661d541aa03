# Shared set-up of scripts/run.sh and scripts/test.sh (sourced, not run).
KINETRA_PACKAGES="cmake g++ make clang-format locales libgtest-dev qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev xvfb xauth xdotool x11-utils imagemagick parallel"
# The Python module, its tests and examples; the Debian package and its checks.
KINETRA_PACKAGES="$KINETRA_PACKAGES pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib python3-distributed"
KINETRA_PACKAGES="$KINETRA_PACKAGES dpkg-dev file lintian desktop-file-utils appstream"
# Animations: FFmpeg's libraries to encode them, and ffprobe for the tests that read them back.
KINETRA_PACKAGES="$KINETRA_PACKAGES pkgconf libavcodec-dev libavformat-dev libswscale-dev libavutil-dev ffmpeg"

kinetra_install_packages() {
  local missing=()
  for p in $KINETRA_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  # A German locale, so that the tests can show that numbers keep "." whatever the locale.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf'; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
  fi
}

# kinetra_configure DIR [CMAKE ARGS...]: configures once, again only when the arguments change.
kinetra_configure() {
  local dir=$1; shift
  local stamp="$dir/.kinetra-configure-args"
  if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$*" ]; then
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    echo "$*" > "$stamp"
  fi
}
