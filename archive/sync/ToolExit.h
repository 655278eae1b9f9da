#pragma once
// The exit codes of ohmara-archive, which a script can rely on, and the one place that turns a
// failure's kind into one of them.
#include "core/Outcome.h"

// Done.
inline constexpr int kExitOk = 0;
// Done, but something was skipped or found wrong (the output says what).
inline constexpr int kExitPartial = 1;
// Unknown command or bad arguments.
inline constexpr int kExitUsage = 2;
// The archive cannot be opened, or cannot be written by a command that writes.
inline constexpr int kExitArchive = 3;
// A file named on the command line cannot be written.
inline constexpr int kExitFile = 4;
// A team server cannot be reached or went away: try again later.
inline constexpr int kExitNetwork = 5;
// The server has no such database, is not set up, or needs a newer program.
inline constexpr int kExitServer = 6;
// The server refused the login, or a right is missing: trying again will not help.
inline constexpr int kExitRefused = 7;

// What a file's failure stands for: the archive the command works on, or a file it writes.
enum class ExitSubject { Archive, OutputFile };

inline int ExitCodeFor(const Outcome& outcome, ExitSubject subject = ExitSubject::Archive) {
    switch (outcome.kind()) {
    case FailureKind::None:
        return kExitOk;
    case FailureKind::Invalid:
        return kExitUsage;
    case FailureKind::Unreachable:
    case FailureKind::Interrupted:
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
