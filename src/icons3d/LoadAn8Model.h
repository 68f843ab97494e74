#pragma once

#include "icons3d/An8Reader.h"

#include <string_view>

// Reads the .an8 file at path into a model, or returns null. A missing file gives null and
// no message; every other failure sends one message to messages: why the file cannot be
// opened (a directory, a FIFO, ...), "error N" with the file and line, "error reading
// <path>" or "not enough memory". When error is given it receives the reader's error number and line.
std::unique_ptr<An8Model> LoadAn8Model(const std::string& path, int mask, An8TextureLoader& textures,
                                       const An8MessageSink& messages, An8Error* error = nullptr);

// The same for bytes in memory; name stands for the file in messages and directory is where
// relative texture paths start.
std::unique_ptr<An8Model> LoadAn8ModelFromBytes(std::string_view bytes, const std::string& name,
                                                const std::string& directory, int mask, An8TextureLoader& textures,
                                                const An8MessageSink& messages, An8Error* error = nullptr);
