#pragma once
// Exit codes of rx47-cli (listed in its --help and in the README).

enum TExitCode : int {
    kExitOk = 0,       // done; also a run ended with Ctrl+C after a clean disconnect
    kExitFailed = 1,   // the operation failed: a conversion, a file, the link to the logger
    kExitUsage = 2,    // the command line is wrong (unknown command or option, bad value)
    kExitNoDevice = 3, // no interface cable to connect to, or its device cannot be opened
};
