// The ffmpeg command-line tool, which the WMA tests use to make their
// fixtures and to decode the same files for comparison.
#pragma once

#include <filesystem>
#include <string>

// Looked up on PATH rather than run: every test is its own process under
// CTest, and starting ffmpeg only to ask for its version costs a noticeable
// part of the run.
bool HaveFfmpeg();
// Runs ffmpeg quietly with `arguments`; true when it succeeded.
bool RunFfmpeg(const std::string& arguments);
std::string Quoted(const std::filesystem::path& path);
