// Saving a file whole on Windows: a temporary file beside it, flushed to the disk, then moved
// over the old one (MoveFileExW with MOVEFILE_REPLACE_EXISTING), which therefore stays byte for
// byte until the new one is complete. Failures come back as the system's own message.
//
// An indexer, a virus scanner or a sync client often holds a just-written file open for a
// moment without delete sharing, and the move fails while it does. So the move is tried again
// for a few seconds before the failure is reported, and a save that fails leaves the old file
// and no temporary one.
#include <windows.h>

#include <string>

#include "host/ini_file.h"

namespace orvane {

namespace {

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                             nullptr, nullptr);
        message.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), message.data(), size,
                            nullptr, nullptr);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.')) {
            message.pop_back();
        }
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

// How long a busy file is waited for, and how often it is tried meanwhile.
constexpr ULONGLONG kBusyRetryMs = 4000;
constexpr DWORD kBusyRetryStepMs = 50;

bool isBusyError(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED;
}

// Runs step until it succeeds, fails for a reason other than a busy file, or the wait is over;
// returns 0 or the last error.
template <typename Step>
DWORD retryWhileBusy(ULONGLONG waitMs, Step step) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (step()) {
            return 0;
        }
        const DWORD code = GetLastError();
        if (!isBusyError(code) || GetTickCount64() - start >= waitMs) {
            return code;
        }
        Sleep(kBusyRetryStepMs);
    }
}

}  // namespace

std::string saveFileAtomically(const std::filesystem::path& path, std::string_view text) {
    // A file its owner made read-only is not replaced behind the owner's back.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return systemMessage(ERROR_ACCESS_DENIED);
    }
    // The per-user folder under %APPDATA% does not exist before the first save, so a missing
    // folder is made; one level only, as a missing folder above it means a wrong path.
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(folder.c_str(), nullptr)) {
        const DWORD folderError = GetLastError();
        if (folderError != ERROR_ALREADY_EXISTS) {
            return systemMessage(folderError);
        }
    }
    const std::filesystem::path temporary =
        path.parent_path() / (L"." + path.filename().wstring() + L".tmp");
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return systemMessage(GetLastError());
    }
    DWORD written = 0;
    const bool wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                                 nullptr) != 0 &&
                       written == text.size();
    const DWORD writeError = GetLastError();
    const bool flushed = wrote && FlushFileBuffers(file) != 0;
    const DWORD flushError = GetLastError();
    CloseHandle(file);
    if (!wrote || !flushed) {
        DeleteFileW(temporary.c_str());
        return systemMessage(!wrote ? writeError : flushError);
    }
    const DWORD moveError = retryWhileBusy(kBusyRetryMs, [&] {
        return MoveFileExW(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
    if (moveError != 0) {
        // The scanner that held the old file may be reading the new one too.
        retryWhileBusy(kBusyRetryMs, [&] {
            return DeleteFileW(temporary.c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
        });
        return systemMessage(moveError);
    }
    return {};
}

}  // namespace orvane
