#pragma once

#include "platform/image_codec.h"

#include <string>
#include <vector>

namespace ts::cli {

// Exit codes of the tool.
inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;
inline constexpr int kUsage = 2;

// What the commands run on: the program folder (ending with '/') and the image codec of this build
// (null when the build has none, which leaves only PNG pictures and drawing files). An installed
// program folder is read-only.
struct Environment {
    std::string programFolder;
    ImageCodec* codec = nullptr;
    bool installed = false;
};

// Each command takes its own arguments (after the command name) and returns an exit code; refusals
// print the program's messages to standard error.
int NewCommand(const Environment& env, const std::vector<std::string>& args);
int InfoCommand(const Environment& env, const std::vector<std::string>& args);
int CheckCommand(const Environment& env, const std::vector<std::string>& args);
int RenderCommand(const Environment& env, const std::vector<std::string>& args);
int ConvertCommand(const Environment& env, const std::vector<std::string>& args);
// Lists a palette file: its name, then one line per colour, "rrggbb name".
int PaletteCommand(const Environment& env, const std::vector<std::string>& args);
// A CAD picture as the "CAD Layer" of a new drawing, or of the drawing given with --into, saved.
int ImportCommand(const Environment& env, const std::vector<std::string>& args);
// Runs a gesture script on a drawing without a window and saves the result.
int ReplayCommand(const Environment& env, const std::vector<std::string>& args);
// Prints a drawing into a PDF file: at full size, or fitted to the paper with a margin.
int PrintCommand(const Environment& env, const std::vector<std::string>& args);

// Text for JSON: quotes, backslashes and control characters escaped; bytes above 0x7F are taken as
// Latin-1 characters, so that any layer name gives valid JSON.
std::string JsonString(const std::string& text);

} // namespace ts::cli
