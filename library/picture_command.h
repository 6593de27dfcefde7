#pragma once
// Command lines that make small pictures of a recording as PNG files: one
// frame for a row of the recordings' lists, and several frames side by side
// for the strip along the cut page's slider. Pure and Qt-free.
#include <cstdint>
#include <string>
#include <vector>

namespace library {

// The frame at `atMs` milliseconds into `source`, `width` pixels wide (the
// height keeps the frame's shape, rounded to even), written to `output`.
std::string BuildPictureCommandLine(const std::string& quotedTool, const std::string& source, std::int64_t atMs,
                                    int width, const std::string& output);

// The frames at each of `atMs`, each `width` wide, side by side in one
// picture at `output`. One run, each instant an input of its own opened at
// the keyframe before it: the run costs a few frames a picture whatever the
// recording's length, where one decoding pass through a frame-rate filter
// costs the whole recording.
std::string BuildStripCommandLine(const std::string& quotedTool, const std::string& source,
                                  const std::vector<std::int64_t>& atMs, int width, const std::string& output);

// `ms` as the encoder's seconds, "12.345", whatever the process's locale.
std::string SecondsText(std::int64_t ms);

} // namespace library
