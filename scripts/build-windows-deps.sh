#!/bin/sh
# Cross-builds static libpng and libjpeg-turbo for mingw-w64 from Debian's own
# source packages (Debian ships no mingw builds of them) into $1.
set -eu
prefix=$(realpath -m "$1")
[ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/lib/libjpeg.a" ] && exit 0
work="$prefix/src"
mkdir -p "$work" "$prefix/include" "$prefix/lib"
cd "$work"
if [ ! -d libpng1.6-* ] || [ ! -d libjpeg-turbo-* ]; then
    apt-get source -qq libpng1.6 libjpeg-turbo
fi
host=x86_64-w64-mingw32

cd "$work"/libpng1.6-*/
./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
    CC=$host-gcc-posix CFLAGS="-O2" >/dev/null
make -s -j"$(nproc)" install >/dev/null

cd "$work"/libjpeg-turbo-*/
cmake -S . -B build -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=AMD64 \
    -DCMAKE_C_COMPILER=$host-gcc-posix -DCMAKE_RC_COMPILER=$host-windres -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=OFF -DWITH_JAVA=OFF >/dev/null
cmake --build build >/dev/null
cmake --install build >/dev/null
# The framework's JPEG code needs this internal header. It also includes the
# JPEG headers inside a namespace of its own and refers to that namespace's
# "boolean", so jconfig.h must declare it whether or not windows.h came first.
cp jpegint.h "$prefix/include/"
python3 - "$prefix/include/jconfig.h" <<'PATCH'
import re, sys
path = sys.argv[1]
text = open(path).read()
text = re.sub(r"#ifndef __RPCNDR_H__[^\n]*\n(typedef unsigned char boolean;)\n#endif\n", r"\1\n", text)
open(path, "w").write(text)
PATCH
echo "windows dependencies in $prefix"
