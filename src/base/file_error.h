#pragma once

#include <string>

// Why a file could not be written, so that a box can tell the crew what to do about it.
namespace rennik {

enum class FileError {
    None,
    NoPermission,    // the folder or the file may not be written by this user
    ReadOnly,        // a write-protected stick or a read-only volume
    DiskFull,        // no room left on the disk
    FolderInTheWay,  // a folder has the file's name
    NoFolder,        // the folder is gone (a stick pulled out, a folder deleted)
    Locked,          // another program holds the file open
    ReadOnlyFile,    // the crew has made the file read-only
    BrokenLink,      // the file is a symbolic link to a file that is not there
    LinkLoop,        // the file is a symbolic link that leads back to itself
    Other,
};

// The outcome of a file write: true when it was written.
struct WriteResult {
    FileError error = FileError::None;
    // The platform's own error number, for a reason the program has no words of its own for.
    int code = 0;

    bool ok() const { return error == FileError::None; }
    operator bool() const { return ok(); }  // NOLINT(google-explicit-constructor): reads as the bool it was
};

// The reason in the crew's words, one sentence with what to do about it: "ディスクに空きが
// ありません。" Empty for no error.
std::string FileErrorText(const WriteResult& result);

// The outcome for an error number of the platform (errno, or GetLastError on Windows).
WriteResult WriteFailure(int platformCode);

}  // namespace rennik
