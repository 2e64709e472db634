#pragma once
// Exit statuses of the unattended run (`kestrum URL /f:FILE`) and of `kestrum-cli`. Scripts rely
// on them, so they are listed in the README and the help texts and never renumbered.
namespace kestrum {

inline constexpr int kExitSuccess = 0;             // the page was fetched, whatever its HTTP status
inline constexpr int kExitFetchFailed = 1;         // no page: the fetch failed (for a batch, any address)
inline constexpr int kExitUsage = 2;               // bad command line
inline constexpr int kExitOutputNotWritable = 3;   // the output file or standard output could not be written
inline constexpr int kExitStorageUnusable = 4;     // no usable Storage or log folder; the program ended

// The list above as the help texts show it.
inline constexpr const char* kExitStatusHelp =
    "Exit status:\n"
    "  0  the page was fetched (whatever its HTTP status)\n"
    "  1  the fetch failed (refused, unknown host, time-out, reset, over the size limit ...)\n"
    "  2  bad command line\n"
    "  3  the output file or standard output could not be written\n"
    "  4  no usable Storage or log folder; the program ended\n";

}  // namespace kestrum
