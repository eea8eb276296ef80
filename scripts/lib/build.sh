# Configures and builds Tarvelo into $BUILD_DIR (default: build/ in the checkout).
tarvelo_build() {
  local top=$1
  BUILD_DIR=${BUILD_DIR:-$top/build}
  cmake -S "$top" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}
