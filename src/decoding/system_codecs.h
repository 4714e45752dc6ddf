// The system's picture decoders (the codecs of the Windows Imaging Component): which file
// extensions they take, found once per run on a thread of their own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "exhibit/system_formats.h"

// The extensions of the installed decoders beyond the program's own formats. The first call starts
// their enumeration on a worker thread and returns at once; the list becomes known when it ends
// (empty when the imaging component cannot be reached). The same object for the whole run.
std::shared_ptr<const SystemExtensions> systemImageExtensions();

// Enumerates the installed decoders now, on the calling thread: each decoder's comma-separated
// list of file extensions. Empty when the imaging component cannot be reached.
std::vector<std::wstring> enumerateDecoderExtensionLists();
