#pragma once
// The exit codes of ohmara-archive, which a script can rely on, and the one place that turns a
// failure's kind into one of them.
#include "core/Outcome.h"

enum ToolExit {
    kExitOk = 0,      // done
    kExitPartial = 1, // done, but something was skipped or found wrong (the output says what)
    kExitUsage = 2,   // unknown command or bad arguments
    kExitArchive = 3, // the archive cannot be opened, or cannot be written by a command that writes
    kExitFile = 4,    // a file named on the command line cannot be written
    kExitNetwork = 5, // a team server cannot be reached or went away: try again later
    kExitServer = 6,  // the server has no such database, is not set up, or needs a newer program
    kExitRefused = 7, // the server refused the login, or a right is missing: trying again will not help
};

// What a file's failure stands for: the archive the command works on, or a file it writes.
enum class ExitSubject { Archive, OutputFile };

inline int ExitCodeFor(const Outcome& outcome, ExitSubject subject = ExitSubject::Archive) {
    switch (outcome.kind()) {
    case FailureKind::None:
        return kExitOk;
    case FailureKind::Invalid:
        return kExitUsage;
    case FailureKind::Unreachable:
    case FailureKind::Cancelled:
        return kExitNetwork;
    case FailureKind::Incompatible:
        return kExitServer;
    case FailureKind::NeedsPassword:
    case FailureKind::Refused:
    case FailureKind::Conflict:
        return kExitRefused;
    case FailureKind::General:
    case FailureKind::Busy:
    case FailureKind::NoPermission:
    case FailureKind::DiskFull:
    case FailureKind::Io:
    case FailureKind::Damaged:
    case FailureKind::Foreign:
    case FailureKind::Newer:
    case FailureKind::Missing:
        break;
    }
    return subject == ExitSubject::OutputFile ? kExitFile : kExitArchive;
}
