// Where the settings file of this copy lives, on Windows: the rule of chooseWindowsSettingsFiles,
// fed with what the system says about the program's folder.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <system_error>

#include "host/settings.h"

namespace orvane {

namespace {

constexpr const wchar_t* kUserSettingsFolder = L"TheOrvane";

// The name Windows keeps for a folder: absolute, "." and ".." resolved, long names, no
// trailing separator (a drive's root keeps its own).
std::wstring canonicalFolderName(const std::filesystem::path& folder) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()),
                                              full.data(), nullptr);
        if (length == 0) {
            full = folder.wstring();
            break;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    // A short name such as C:\WINDOWS\SYSTEM~1 names the same folder; a missing folder keeps
    // the name it was given.
    const DWORD longLength = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (longLength > 0) {
        std::wstring longName(longLength, L'\0');
        const DWORD written = GetLongPathNameW(full.c_str(), longName.data(), longLength);
        if (written > 0 && written < longLength) {
            longName.resize(written);
            full = longName;
        }
    }
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) {
        full.pop_back();
    }
    return full;
}

std::filesystem::path systemFolder(UINT (WINAPI* query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::filesystem::path(buffer) : std::filesystem::path();
}

bool isSystemOrWindowsFolder(const std::filesystem::path& folder) {
    for (const auto& candidate : {systemFolder(GetSystemDirectoryW), systemFolder(GetWindowsDirectoryW)}) {
        if (!candidate.empty() && sameWindowsFolder(folder, candidate)) {
            return true;
        }
    }
    return false;
}

// Access rights, read-only media and the folder's security all decide whether a file can be
// made there, so the answer comes from making one: a new hidden file, deleted at once.
bool folderTakesNewFiles(const std::filesystem::path& folder) {
    const std::wstring name = L".TheOrvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L".probe";
    const std::filesystem::path probe = folder / name;
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

// The user's roaming application data folder; %APPDATA% where the shell cannot say. (The
// folder-path call of shell32 rather than the known-folder one, which would bring in ole32 only
// to free its answer.)
std::filesystem::path roamingAppData() {
    std::filesystem::path folder;
    wchar_t known[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, known))) {
        folder = known;
    }
    if (folder.empty()) {
        const DWORD length = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
        if (length > 1) {
            std::wstring value(length, L'\0');
            const DWORD written = GetEnvironmentVariableW(L"APPDATA", value.data(), length);
            value.resize(written < length ? written : 0);
            folder = value;
        }
    }
    return folder;
}

}  // namespace

bool sameWindowsFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::wstring left = canonicalFolderName(a);
    const std::wstring right = canonicalFolderName(b);
    // The file system's own comparison: ordinal, upper-cased, independent of the user's locale.
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

WindowsSettingsFiles chooseWindowsSettingsFiles(const std::filesystem::path& executableDir,
                                                bool fileBesideProgram, bool perUserFile,
                                                bool folderWritable, bool systemFolder,
                                                const std::filesystem::path& appData) {
    const std::filesystem::path besideProgram = executableDir / kSettingsFileName;
    if ((folderWritable && !systemFolder) || appData.empty() || !appData.is_absolute()) {
        return {besideProgram, besideProgram};
    }
    const std::filesystem::path perUser = appData / kUserSettingsFolder / kSettingsFileName;
    return {fileBesideProgram && !perUserFile ? besideProgram : perUser, perUser};
}

namespace {

// The facts the choice rests on, for a copy in that folder. The probe writes into the folder,
// so it runs only where its answer matters: never in the system folders, and, for reading, not
// where the file beside the program is read whatever the folder allows.
WindowsSettingsFiles settingsFilesFor(const std::filesystem::path& executableDir, bool saving) {
    std::error_code error;
    const std::filesystem::path appData = roamingAppData();
    const bool fileBeside = std::filesystem::is_regular_file(executableDir / kSettingsFileName, error);
    const bool perUserFile =
        !appData.empty() &&
        std::filesystem::is_regular_file(appData / kUserSettingsFolder / kSettingsFileName, error);
    const bool inSystemFolder = isSystemOrWindowsFolder(executableDir);
    const bool probe = !inSystemFolder && (saving || !fileBeside || perUserFile);
    const bool writable = probe && folderTakesNewFiles(executableDir);
    return chooseWindowsSettingsFiles(executableDir, fileBeside, perUserFile, writable,
                                      inSystemFolder, appData);
}

}  // namespace

std::filesystem::path settingsFilePath(const std::filesystem::path& executableDir) {
    return settingsFilesFor(executableDir, false).read;
}

std::filesystem::path settingsSaveFile(const std::filesystem::path& settingsFile) {
    std::error_code error;
    const std::filesystem::path folder = settingsFile.parent_path();
    // A folder still to be made (the per-user one before the first save) is made by the save.
    if (folder.empty() || settingsFile.filename() != kSettingsFileName ||
        !std::filesystem::is_directory(folder, error)) {
        return settingsFile;
    }
    return settingsFilesFor(folder, true).save;
}

}  // namespace orvane
