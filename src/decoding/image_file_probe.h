// The header probe (image_probe.h) on a file on disk.
#pragma once

#include <string>

#include "decoding/image_probe.h"

// Opens the file for reading only, sharing it for reading, writing and deleting so that nobody else
// is held up, probes its header and closes it. A file that cannot be opened gives an undecided probe
// of unknown format: the decoder then fails it as it fails any unreadable file.
ImageProbe probeImageFile(const std::wstring& path);
