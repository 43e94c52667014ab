#pragma once

class CliSession;
struct LiveSettings;

// How a command finds and asks the name servers: the user's settings, with --resolver and
// --dns-port over them where the command takes them. False with the exit code, the reason
// printed.
bool commandLiveSettings(const CliSession &s, LiveSettings &settings, int &exit);
