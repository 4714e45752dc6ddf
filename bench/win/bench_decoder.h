// The decoder processes of a benchmark that runs a Viewer inside its own process.
#pragma once

#include <windows.h>

#include <string>

#include "decoding/picture_decoder.h"

namespace bench {

// The folder of this benchmark's executable, with a trailing backslash.
inline std::wstring benchFolder() {
    const std::wstring path = thisProgramPath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The decoder processes of a benchmark that runs a Viewer in its own process: Glimvue.exe beside the
// benchmark (the build puts them in one folder), started as the program starts them.
inline PictureDecoder& benchDecoder() {
    static PictureDecoder decoder(benchFolder() + L"Glimvue.exe", 4);
    return decoder;
}

}  // namespace bench
