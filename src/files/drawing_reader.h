#pragma once

#include "files/drawing_stream.h"
#include "platform/user_interface.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ts {

inline constexpr const char* kNotValidDrawing = "The file is not a valid drawing file.";
inline constexpr const char* kNotValidObject =
    "Unable to load this object. Please report this to Huecraft Support.";
inline constexpr const char* kCorruptDrawing = "The drawing file exists, but it's corrupt.";
inline constexpr const char* kNoDrawingChunk = "Can't Open File!";
inline constexpr const char* kWrongExtension = "file extension must be .png or .tsl";
inline constexpr const char* kBlankTslCorrupt = "Blank.tsl file has become corrupt. Reinstall Tintsmith.";

// Reading a drawing for the loaders: the file is read and its stream checked and built into detached
// layers. Nothing of the open drawing is touched; on failure the program's messages are shown (the
// object message in place of "not a valid drawing" when loading a layer file) and false is returned.

// A file by its extension: ".png" (any of the accepted spellings) through the drawing chunk, ".tsl"
// as a legacy stream.
bool ReadDrawingFile(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out);
// A drawing PNG: the chunk before the image data, decompressed and read.
bool ReadDrawingPng(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out);
// A legacy drawing: the stream written straight to the file.
bool ReadLegacyDrawing(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out);
// A compressed block ([C][U][zlib data]) such as the chunk or a whole-drawing undo record holds.
bool ReadDrawingBlock(UserInterface& ui, const uint8_t* block, size_t size, bool asObject,
                      LoadedDrawing& out);

} // namespace ts
