// The sound libraries below PortAudio report every device they probe and
// fail to open (ALSA's error lines, JACK's "cannot connect to server") on
// stderr, dozens of lines per play or record. Those reports mean nothing
// to a user: a device that really fails surfaces through the editor's own
// messages. Silencing them is the default; VELLMORE_DEBUG_AUDIO=1 lets
// them through for whoever is diagnosing a sound setup.
#pragma once

namespace platform {

// Keeps JACK from starting a server of its own and, unless the diagnostics
// are wanted, installs a silent ALSA error handler and JACK error and
// information functions. Runs once; call it before PortAudio is first
// initialised.
void QuietAudioLibraries();

// True when VELLMORE_DEBUG_AUDIO asks for the libraries' diagnostics.
bool AudioDiagnosticsWanted();

}  // namespace platform
