// A read-only stream over a file's bytes held in memory, for the decoders.
//
// Decoders seek wherever a header points and read from there. Every seek and read here is checked
// against the bytes there are: a position past the end reads nothing, a seek before the start
// fails, and nothing is ever copied from outside the bytes. Writing and resizing are refused.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstdint>
#include <memory>
#include <vector>

// A new stream over `bytes`, positioned at the start, with one reference (the caller's). Clones
// share the bytes. Never null.
IStream* createCheckedStream(std::shared_ptr<const std::vector<std::uint8_t>> bytes);
