#include "base/file_error.h"

#include "base/win32.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace rennik {
namespace {

FileError fileErrorOf(int code) {
#ifdef _WIN32
    switch (code) {
        case ERROR_ACCESS_DENIED:
            return FileError::NoPermission;
        case ERROR_WRITE_PROTECT:
            return FileError::ReadOnly;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileError::DiskFull;
        case ERROR_DIRECTORY:
            return FileError::FolderInTheWay;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
            return FileError::NoFolder;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return FileError::Locked;
        case ERROR_CANT_RESOLVE_FILENAME:
            return FileError::LinkLoop;
        default:
            return FileError::Other;
    }
#else
    switch (code) {
        case EACCES:
        case EPERM:
            return FileError::NoPermission;
        case EROFS:
            return FileError::ReadOnly;
        case ENOSPC:
        case EDQUOT:
            return FileError::DiskFull;
        case EISDIR:
            return FileError::FolderInTheWay;
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
            return FileError::NoFolder;
        case ETXTBSY:
        case EBUSY:
            return FileError::Locked;
        case ELOOP:
            return FileError::LinkLoop;
        default:
            return FileError::Other;
    }
#endif
}

}  // namespace

WriteResult WriteFailure(int platformCode) { return {fileErrorOf(platformCode), platformCode}; }

std::string FileErrorText(const WriteResult& result) {
    switch (result.error) {
        case FileError::None:
            return {};
        case FileError::NoPermission:
            return "書き込みの権限がありません。書き込めるフォルダを選んでください。";
        case FileError::ReadOnly:
            return "書き込み禁止のドライブです。書き込めるドライブを選んでください。";
        case FileError::DiskFull:
            return "ディスクに空きがありません。不要なファイルを消すか、別のドライブを選んでください。";
        case FileError::FolderInTheWay:
            return "同じ名前のフォルダがあります。別の名前を付けてください。";
        case FileError::NoFolder:
            return "フォルダが見つかりません。USBメモリなどが抜けていないか確かめてください。";
        case FileError::Locked:
            return "ファイルが他のプログラムで開かれています。そのプログラムを閉じてください。";
        case FileError::ReadOnlyFile:
            return "ファイルが読み取り専用になっています。書き換えるには読み取り専用を外してください。";
        case FileError::BrokenLink:
            return "ファイルはリンクですが、リンク先がありません。リンクを直すか、削除してください。";
        case FileError::LinkLoop:
            return "ファイルはリンクですが、リンクが循環しています。リンクを直すか、削除してください。";
        case FileError::Other:
            break;
    }
    return "エラー番号 " + std::to_string(result.code) + "。";
}

}  // namespace rennik
