// The first-run media step. The editor's WMA support is its three libraries
// (the decoder libombrin, the encoder libsarvik, the attribute library
// libtallisk) and the FFmpeg and TagLib libraries behind them. On a first
// run, before the configuration file exists, the step makes sure they can be
// loaded; once `editor.cfg` exists the step does nothing, so it runs on the
// first start only. A false result means the caller shows the "Windows Media
// Redistribution " dialog and goes on.
#pragma once

#include <functional>
#include <string>

// Loads one library by the editor's name for it ("Sarvik.dll"); true when
// it could be loaded.
using LibraryProbe = std::function<bool(const char* editorName)>;
// Loads through platform::Library (program folder first, then the system).
bool LoadLibraryProbe(const char* editorName);

// The libraries of WMA support, by the editor's names.
inline constexpr const char* kMediaRuntimeLibraries[] = {"Ombrin.dll", "Sarvik.dll", "Tallisk.dll"};

// `configPath` is where `editor.cfg` lives; empty when the program folder is
// unknown, which is a failure. true when the file exists (nothing is done)
// or every library loads.
bool RunMediaRuntimeStep(const std::string& configPath,
                         const LibraryProbe& probe = LoadLibraryProbe);
